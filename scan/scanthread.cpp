#include "scanthread.h"

#include "probe.h"

int proxyCount = 0;

ScanThread::ScanThread(QObject *parent)
    : QThread(parent)
{ }

ScanThread::~ScanThread()
{
    // Destroying a running QThread aborts the program: stop the worker at its next check instead.
    stopRequested = true;
    wait();
    rowsDone.load(std::memory_order_acquire);
}

void ScanThread::run()
{
    probeRows();
    rowsDone.store(true, std::memory_order_release);
}

void ScanThread::probeRows()
{
    if (stopRequested)
        return;
    if (!listView || destUrl.isEmpty())
        return;
    const qint64 count = proxyCount > 0 ? proxyCount : rows.size();
    if (rows.isEmpty() || stopRequested)
        return;

    int progress = 0;
    qint64 hundreds = 100; // 64 bits: 100 * rows must not overflow on huge tables
    for (int k = 0; k < rows.size(); ++k) {
        const Row &row = rows.at(k);
        emit stateChanged(progress, row.item, QStringLiteral("checking"));
        const ProbeCommand command = buildProbeCommand(row.host, row.port, row.user, row.password, destUrl);
        if (stopRequested)
            return;
        const QString result = runProbe(command);
        progress = int(hundreds / count);
        emit stateChanged(progress, row.item, result);
        if (k + 1 == rows.size() || stopRequested)
            return;
        hundreds += 100;
    }
}
