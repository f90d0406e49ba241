// A run over N rows through the loopback tinyproxy, driven through the window, against a
// shell loop running the same curl command lines; plus the longest GUI-thread stall.
#include "benchutil.h"
#include "loopbacknet.h"
#include "mainwindow.h"
#include "probe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

namespace {

QStringList commandLines;

void collectCommandLines(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg && message.startsWith(QStringLiteral("curl ")))
        commandLines.append(message);
}

// Measures the longest lateness of a 2 ms timer while the run goes on: how long the event
// loop was kept from turning. (A zero timer would spin and steal a core from the run.)
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.start();
        m_tick.setInterval(2);
        m_tick.setTimerType(Qt::PreciseTimer);
        connect(&m_tick, &QTimer::timeout, this, [this] { m_longest = qMax(m_longest, m_timer.restart() - 2); });
        m_tick.start();
    }
    qint64 longest() const { return m_longest; }

private:
    QElapsedTimer m_timer;
    QTimer m_tick;
    qint64 m_longest = 0;
};

double runThroughWindow(const QString &url, const QString &proxyPort, int rows, qint64 *stallMs)
{
    MainWindow window;
    if (qEnvironmentVariableIsEmpty("BENCH_HIDDEN"))
        window.show();
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    window.findChild<QLineEdit *>(QStringLiteral("destUrlLineEdit"))->setText(url);
    QList<QTreeWidgetItem *> items;
    for (int i = 0; i < rows; ++i)
        items.append(new QTreeWidgetItem({QStringLiteral("127.0.0.1"), proxyPort}));
    table->addTopLevelItems(items);
    auto *test = window.findChild<QPushButton *>(QStringLiteral("testButton"));
    auto *progress = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    QCoreApplication::processEvents();
    commandLines.clear();
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<StallMeter> stalls(stallMs ? new StallMeter : nullptr);
    QElapsedTimer clickTimer;
    clickTimer.start();
    test->click();
    if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
        std::fprintf(stderr, "start of run: %lld ms\n", clickTimer.elapsed());
    while (!progress->isHidden())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (stallMs)
        *stallMs = stalls->longest();
    return ms;
}

// The same probes one after another in this thread: what the run costs without the window.
double probesAlone(const QString &url, const QString &proxyPort, int rows)
{
    const ProbeCommand command = buildProbeCommand(QStringLiteral("127.0.0.1"), proxyPort, QString(), QString(), url);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rows; ++i)
        if (runProbe(command) == QStringLiteral("failed"))
            std::fprintf(stderr, "a probe failed: %s\n", qPrintable(command.commandLine));
    return double(timer.nsecsElapsed()) / 1e6;
}

double shellLoop(const QStringList &lines)
{
    QString script;
    for (const QString &line : lines)
        script += line + QStringLiteral(" >/dev/null 2>&1\n");
    QElapsedTimer timer;
    timer.start();
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    shell.waitForFinished(-1);
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    qInstallMessageHandler(collectCommandLines);
    const int repetitions = benchRepetitions(argc, argv, 5);
    LoopbackNet net;
    if (!net.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(net.error()));
        return 1;
    }
    const QString proxy = QString::number(net.openProxyPort());
    QVector<double> window;
    QVector<double> shell;
    QVector<double> alone;
    for (int i = 0; i < repetitions; ++i) {
        window.append(runThroughWindow(net.destUrl(), proxy, 500, nullptr));
        shell.append(shellLoop(commandLines));
        alone.append(probesAlone(net.destUrl(), proxy, 500));
    }
    printRow(QStringLiteral("run of 500 rows via tinyproxy (ms)"), window, shell,
             QStringLiteral("shell loop of the same curl lines"), QStringLiteral("<= 1.05x"),
             median(window) <= 1.05 * median(shell));
    printRow(QStringLiteral("the same 500 probes alone, no window (ms)"), alone, shell,
             QStringLiteral("shell loop of the same curl lines"), QStringLiteral("-"), true);

    // Stalls: a proxy that answers at once (the peer "dest" answers any request itself).
    QVector<double> stall;
    for (int i = 0; i < repetitions; ++i) {
        qint64 longest = 0;
        runThroughWindow(net.destUrl(), QString::number(net.port(QStringLiteral("dest"))), 2000, &longest);
        stall.append(double(longest));
    }
    printRow(QStringLiteral("longest GUI stall, 2000 rows (ms)"), stall, {}, QString(), QStringLiteral("< 50 ms"),
             median(stall) < 50);
    return 0;
}
