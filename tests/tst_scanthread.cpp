#include "loopbacknet.h"
#include "scanthread.h"

#include <QTreeWidgetItem>

#include <QtTest>
#include <memory>
#include <mutex>

namespace {

struct Report
{
    int progress;
    quintptr row;
    QString state;
};

// Row handles are never dereferenced by the worker; plain numbers prove it.
QTreeWidgetItem *fakeRow(int i)
{
    return reinterpret_cast<QTreeWidgetItem *>(quintptr(0x1000 + i)); // NOLINT(performance-no-int-to-ptr)
}

QTreeWidget *fakeTable()
{
    return reinterpret_cast<QTreeWidget *>(quintptr(0x10)); // NOLINT(performance-no-int-to-ptr)
}

QStringList loggedCommands;
std::mutex logMutex;

void captureMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    const std::lock_guard<std::mutex> lock(logMutex);
    loggedCommands.append(message);
}

const QRegularExpression msPattern(QStringLiteral("^\\d+ ms$"));

} // namespace

class TestScanThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void reportProtocol_data();
    void reportProtocol();
    void nothingToDo_data();
    void nothingToDo();
    void stopBeforeCurlStarts();
    void stopDuringProbe_data();
    void stopDuringProbe();

private:
    // Runs the worker to its end, collecting reports in the order they were emitted.
    QVector<Report> run(ScanThread &thread, const std::function<void(ScanThread &, const Report &)> &onReport = {});
    ScanThread::Row proxyRow(int i, const QString &peer) const;

    LoopbackNet m_net;
    QtMessageHandler m_previousHandler = nullptr;
};

void TestScanThread::initTestCase()
{
    QVERIFY2(m_net.start(), qPrintable(m_net.error()));
}

void TestScanThread::init()
{
    loggedCommands.clear();
    m_previousHandler = qInstallMessageHandler(captureMessage);
}

void TestScanThread::cleanup()
{
    qInstallMessageHandler(m_previousHandler);
}

ScanThread::Row TestScanThread::proxyRow(int i, const QString &peer) const
{
    // The peer "dest" answers 200 to a proxy request, so it serves as a working proxy.
    return {fakeRow(i), QStringLiteral("127.0.0.1"), QString::number(m_net.port(peer)), QString(), QString()};
}

QVector<Report> TestScanThread::run(ScanThread &thread,
                                    const std::function<void(ScanThread &, const Report &)> &onReport)
{
    QVector<Report> reports;
    std::mutex mutex;
    connect(
        &thread, &ScanThread::stateChanged, &thread,
        [&](int progress, QTreeWidgetItem *row, const QString &state) {
            const Report report{progress, quintptr(row), state};
            {
                const std::lock_guard<std::mutex> lock(mutex);
                reports.append(report);
            }
            if (onReport)
                onReport(thread, report);
        },
        Qt::DirectConnection);
    thread.start();
    // wait() rather than a QSignalSpy on finished(): the spy would be written from the worker thread.
    thread.wait(QDeadlineTimer(60000));
    return reports;
}

void TestScanThread::reportProtocol_data()
{
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<QVector<int>>("progress");
    QTest::newRow("one row") << 1 << QVector<int>{0, 100};
    QTest::newRow("three rows") << 3 << QVector<int>{0, 33, 33, 66, 66, 100};
    QTest::newRow("seven rows") << 7 << QVector<int>{0, 14, 14, 28, 28, 42, 42, 57, 57, 71, 71, 85, 85, 100};
}

void TestScanThread::reportProtocol()
{
    QFETCH(int, rowCount);
    QFETCH(QVector<int>, progress);
    ScanThread thread;
    thread.listView = fakeTable();
    thread.destUrl = m_net.destUrl();
    QStringList expectedLog;
    for (int i = 0; i < rowCount; ++i) {
        // Every third row fails, so both results travel.
        thread.rows.append(proxyRow(i, i % 3 == 2 ? QStringLiteral("badcode") : QStringLiteral("dest")));
        expectedLog.append(QStringLiteral("curl -ivvs -m 8 -x 127.0.0.1:%1 %2 --proxy-anyauth")
                               .arg(thread.rows.last().port, thread.destUrl));
    }
    proxyCount = rowCount;
    const QVector<Report> reports = run(thread);

    QCOMPARE(reports.size(), 2 * rowCount);
    QVector<int> seen;
    for (int i = 0; i < reports.size(); ++i) {
        const Report &r = reports.at(i);
        seen.append(r.progress);
        QCOMPARE(r.row, quintptr(fakeRow(i / 2)));
        if (i % 2 == 0)
            QCOMPARE(r.state, QStringLiteral("checking"));
        else if ((i / 2) % 3 == 2)
            QCOMPARE(r.state, QStringLiteral("failed"));
        else
            QVERIFY2(r.state.contains(msPattern), qPrintable(r.state));
    }
    QCOMPARE(seen, progress);
    const std::lock_guard<std::mutex> lock(logMutex);
    QCOMPARE(loggedCommands, expectedLog); // one command line per row, in table order
}

void TestScanThread::nothingToDo_data()
{
    QTest::addColumn<bool>("stopFirst");
    QTest::addColumn<bool>("withTable");
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("rowCount");
    QTest::newRow("stop before run") << true << true << QStringLiteral("http://127.0.0.1:1/") << 2;
    QTest::newRow("no table") << false << false << QStringLiteral("http://127.0.0.1:1/") << 2;
    QTest::newRow("empty URL") << false << true << QString() << 2;
    QTest::newRow("empty table") << false << true << QStringLiteral("http://127.0.0.1:1/") << 0;
}

void TestScanThread::nothingToDo()
{
    QFETCH(bool, stopFirst);
    QFETCH(bool, withTable);
    QFETCH(QString, url);
    QFETCH(int, rowCount);
    ScanThread thread;
    thread.stopRequested = stopFirst;
    thread.listView = withTable ? fakeTable() : nullptr;
    thread.destUrl = url;
    for (int i = 0; i < rowCount; ++i)
        thread.rows.append(proxyRow(i, QStringLiteral("dest")));
    proxyCount = rowCount;
    QVERIFY(run(thread).isEmpty());
    QVERIFY(thread.isFinished());
    const std::lock_guard<std::mutex> lock(logMutex);
    QVERIFY(loggedCommands.isEmpty());
}

void TestScanThread::stopBeforeCurlStarts()
{
    // The stop lands right after row 1's "checking": its command is logged, curl never runs.
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("ran"));
    QVERIFY(
        !writeStandInCurl(dir.path(), "echo \"$@\" >> '" + marker.toUtf8() + "'\necho 'HTTP/1.1 200 OK'\n").isEmpty());
    const PathOverride path(dir.path());

    ScanThread thread;
    thread.listView = fakeTable();
    thread.destUrl = QStringLiteral("http://127.0.0.1:1/");
    for (int i = 0; i < 3; ++i)
        thread.rows.append({fakeRow(i), QStringLiteral("127.0.0.1"), QString::number(1000 + i), QString(), QString()});
    proxyCount = 3;
    const QVector<Report> reports = run(thread, [](ScanThread &t, const Report &r) {
        if (r.row == quintptr(fakeRow(1)) && r.state == QStringLiteral("checking"))
            t.stopRequested = true;
    });
    QCOMPARE(reports.size(), 3);
    QCOMPARE(reports.at(2).state, QStringLiteral("checking"));
    QCOMPARE(reports.at(2).row, quintptr(fakeRow(1)));
    QFile ran(marker);
    QVERIFY(ran.open(QIODevice::ReadOnly));
    QCOMPARE(ran.readAll().count('\n'), 1); // only row 0's curl ran
    const std::lock_guard<std::mutex> lock(logMutex);
    QCOMPARE(loggedCommands.size(), 2);
}

void TestScanThread::stopDuringProbe_data()
{
    QTest::addColumn<bool>("destroy");
    QTest::newRow("stop flag") << false;
    // Destroying a running QThread would abort the process; the worker stops instead.
    QTest::newRow("worker destroyed") << true;
}

void TestScanThread::stopDuringProbe()
{
    QFETCH(bool, destroy);
    auto thread = std::make_unique<ScanThread>();
    thread->listView = fakeTable();
    thread->destUrl = m_net.destUrl();
    thread->rows = {proxyRow(0, QStringLiteral("slow")), proxyRow(1, QStringLiteral("dest")),
                    proxyRow(2, QStringLiteral("dest"))};
    proxyCount = 3;
    QVector<Report> reports;
    std::mutex mutex;
    connect(
        thread.get(), &ScanThread::stateChanged, thread.get(),
        [&](int progress, QTreeWidgetItem *row, const QString &state) {
            const std::lock_guard<std::mutex> lock(mutex);
            reports.append({progress, quintptr(row), state});
        },
        Qt::DirectConnection);
    thread->start();
    QVERIFY(m_net.waitForSlowRequest()); // curl is talking to the proxy now
    if (destroy) {
        thread.reset();
    } else {
        thread->stopRequested = true;
        QVERIFY(thread->wait(QDeadlineTimer(30000)));
    }
    const std::lock_guard<std::mutex> lock(mutex);
    QCOMPARE(reports.size(), 2); // the started probe still runs to its end and is reported
    QCOMPARE(reports.at(1).row, quintptr(fakeRow(0)));
    QVERIFY2(reports.at(1).state.contains(msPattern), qPrintable(reports.at(1).state));
    QCOMPARE(reports.at(1).progress, 33);
}

QTEST_GUILESS_MAIN(TestScanThread)
#include "tst_scanthread.moc"
