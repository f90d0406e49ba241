#include "loopbacknet.h"
#include "probe.h"

#include <QtTest>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <string>

namespace {

QStringList capturedMessages;

void captureMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    capturedMessages.append(message);
}

qint64 peakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6));
    }
    return -1;
}

const QRegularExpression msPattern(QStringLiteral("^\\d+ ms$"));

} // namespace

class TestProbe : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void command_data();
    void command();
    void commandLineGoesToDebugLogLiterally();
    void argumentsReachCurlOneByOne();
    void curlMissingFromPath();
    void verdictThroughRealCurl_data();
    void verdictThroughRealCurl();
    void endlessBodyKeepsMemoryBounded();
    void curlIsReapedBeforeTheProbeReturns_data();
    void curlIsReapedBeforeTheProbeReturns();

private:
    LoopbackNet m_net;
};

void TestProbe::initTestCase()
{
    QVERIFY2(m_net.start(), qPrintable(m_net.error()));
}

// The argument lists curl must receive: every value exactly one argument.
QStringList withoutCredentials(const QString &proxy, const QString &url)
{
    return {
        QStringLiteral("-ivvs"),          QStringLiteral("-m"), QStringLiteral("8"), QStringLiteral("-x"), proxy, url,
        QStringLiteral("--proxy-anyauth")};
}

QStringList withCredentials(const QString &proxy, const QString &userAndPassword, const QString &url)
{
    return {QStringLiteral("-ivvs"),
            QStringLiteral("-m"),
            QStringLiteral("8"),
            QStringLiteral("-x"),
            proxy,
            QStringLiteral("--proxy-user"),
            userAndPassword,
            url};
}

void TestProbe::command_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QStringList>("arguments");

    const QString u = QStringLiteral("http://example.com/");
    const QString tenDotProxy = QStringLiteral("10.0.0.1:3128");
    // Built text only: no process is started for these hosts.
    QTest::newRow("no credentials") << QStringLiteral("10.0.0.1") << QStringLiteral("3128") << QString() << QString()
                                    << u
                                    << QStringLiteral(
                                           "curl -ivvs -m 8 -x 10.0.0.1:3128 http://example.com/ --proxy-anyauth")
                                    << withoutCredentials(tenDotProxy, u);
    QTest::newRow("credentials") << QStringLiteral("10.0.0.1") << QStringLiteral("3128") << QStringLiteral("bob")
                                 << QStringLiteral("pw") << u
                                 << QStringLiteral(
                                        "curl -ivvs -m 8 -x 10.0.0.1:3128 --proxy-user bob:pw http://example.com/")
                                 << withCredentials(tenDotProxy, QStringLiteral("bob:pw"), u);
    QTest::newRow("user only") << QStringLiteral("10.0.0.1") << QStringLiteral("3128") << QStringLiteral("bob")
                               << QString() << u
                               << QStringLiteral("curl -ivvs -m 8 -x 10.0.0.1:3128 http://example.com/ --proxy-anyauth")
                               << withoutCredentials(tenDotProxy, u);
    QTest::newRow("password only") << QStringLiteral("10.0.0.1") << QStringLiteral("3128") << QString()
                                   << QStringLiteral("pw") << u
                                   << QStringLiteral(
                                          "curl -ivvs -m 8 -x 10.0.0.1:3128 http://example.com/ --proxy-anyauth")
                                   << withoutCredentials(tenDotProxy, u);
    // Hostile values stay single arguments and go in literally.
    QTest::newRow("marker in host") << QStringLiteral("%3") << QStringLiteral("%1") << QString() << QString() << u
                                    << QStringLiteral("curl -ivvs -m 8 -x %3:%1 http://example.com/ --proxy-anyauth")
                                    << withoutCredentials(QStringLiteral("%3:%1"), u);
    QTest::newRow("markers in credentials")
        << QStringLiteral("h") << QStringLiteral("1") << QStringLiteral("%5") << QStringLiteral("%4%1") << u
        << QStringLiteral("curl -ivvs -m 8 -x h:1 --proxy-user %5:%4%1 http://example.com/")
        << withCredentials(QStringLiteral("h:1"), QStringLiteral("%5:%4%1"), u);
    QTest::newRow("option in host")
        << QStringLiteral("1.2.3.4 -o /tmp/x") << QStringLiteral("80") << QString() << QString() << u
        << QStringLiteral("curl -ivvs -m 8 -x 1.2.3.4 -o /tmp/x:80 http://example.com/ --proxy-anyauth")
        << withoutCredentials(QStringLiteral("1.2.3.4 -o /tmp/x:80"), u);
    QTest::newRow("blank in password")
        << QStringLiteral("h") << QStringLiteral("1") << QStringLiteral("u") << QStringLiteral("p -K /etc/passwd") << u
        << QStringLiteral("curl -ivvs -m 8 -x h:1 --proxy-user u:p -K /etc/passwd http://example.com/")
        << withCredentials(QStringLiteral("h:1"), QStringLiteral("u:p -K /etc/passwd"), u);
    QTest::newRow("quotes stay") << QStringLiteral("\"h\"") << QStringLiteral("1") << QString() << QString() << u
                                 << QStringLiteral("curl -ivvs -m 8 -x \"h\":1 http://example.com/ --proxy-anyauth")
                                 << withoutCredentials(QStringLiteral("\"h\":1"), u);
}

void TestProbe::command()
{
    QFETCH(QString, host);
    QFETCH(QString, port);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, url);
    QFETCH(QString, commandLine);
    QFETCH(QStringList, arguments);
    QTest::ignoreMessage(QtDebugMsg, qPrintable(commandLine));
    const ProbeCommand command = buildProbeCommand(host, port, user, password, url);
    QCOMPARE(command.program, QStringLiteral("curl"));
    QCOMPARE(command.commandLine, commandLine);
    QCOMPARE(command.arguments, arguments);
}

void TestProbe::commandLineGoesToDebugLogLiterally()
{
    capturedMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
    const ProbeCommand command = buildProbeCommand(QStringLiteral("h"), QStringLiteral("1"), QString(), QString(),
                                                   QStringLiteral("http://x/%41%s%n%%"));
    qInstallMessageHandler(previous);
    QCOMPARE(capturedMessages,
             QStringList{QStringLiteral("curl -ivvs -m 8 -x h:1 http://x/%41%s%n%% --proxy-anyauth")});
    QCOMPARE(command.commandLine, capturedMessages.first());
}

void TestProbe::argumentsReachCurlOneByOne()
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("args"));
    QVERIFY(!writeStandInCurl(dir.path(), "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" + record.toUtf8() +
                                              "'\necho 'HTTP/1.1 200 OK'\n")
                 .isEmpty());
    const PathOverride path(dir.path());
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^curl ")));
    const ProbeCommand command = buildProbeCommand(QStringLiteral("1.2.3.4 -o /tmp/owned"), QStringLiteral("8 0"),
                                                   QStringLiteral("u $(id)"), QStringLiteral("p;w *"),
                                                   QStringLiteral("http://127.0.0.1:1/"));
    QVERIFY(runProbe(command).contains(msPattern));
    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString expected = QStringLiteral("[-ivvs]\n[-m]\n[8]\n[-x]\n[1.2.3.4 -o /tmp/owned:8 0]\n[--proxy-user]\n"
                                            "[u $(id):p;w *]\n[http://127.0.0.1:1/]\n");
    QCOMPARE(QString::fromUtf8(file.readAll()), expected);
    QVERIFY(!QFile::exists(QStringLiteral("/tmp/owned")));
}

void TestProbe::curlMissingFromPath()
{
    QTemporaryDir empty;
    const PathOverride path(empty.path(), true);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^curl ")));
    const ProbeCommand command = buildProbeCommand(QStringLiteral("127.0.0.1"),
                                                   QString::number(m_net.port(QStringLiteral("dest"))), QString(),
                                                   QString(), m_net.destUrl());
    QCOMPARE(runProbe(command), QStringLiteral("failed"));
}

void TestProbe::verdictThroughRealCurl_data()
{
    QTest::addColumn<int>("proxyPort");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("works");

    const QString user = QString::fromLatin1(LoopbackNet::proxyUser);
    const QString password = QString::fromLatin1(LoopbackNet::proxyPassword);
    QTest::newRow("open tinyproxy") << m_net.openProxyPort() << QString() << QString() << true;
    QTest::newRow("tinyproxy, right password") << m_net.authProxyPort() << user << password << true;
    QTest::newRow("tinyproxy, wrong password") << m_net.authProxyPort() << user << QStringLiteral("wrong") << false;
    QTest::newRow("tinyproxy, no credentials") << m_net.authProxyPort() << QString() << QString() << false;
    QTest::newRow("tinyproxy, user without password") << m_net.authProxyPort() << user << QString() << false;
    QTest::newRow("closed port") << LoopbackNet::closedPort() << QString() << QString() << false;
    QTest::newRow("answers only 407") << m_net.port(QStringLiteral("auth407")) << user << password << false;
    QTest::newRow("code outside 200..399") << m_net.port(QStringLiteral("badcode")) << QString() << QString() << false;
    QTest::newRow("status line in body") << m_net.port(QStringLiteral("bodyline")) << QString() << QString() << true;
    QTest::newRow("closes at once") << m_net.port(QStringLiteral("close")) << QString() << QString() << false;
    QTest::newRow("garbage") << m_net.port(QStringLiteral("garbage")) << QString() << QString() << false;
    QTest::newRow("never answers") << m_net.port(QStringLiteral("silent")) << QString() << QString() << false;
}

void TestProbe::verdictThroughRealCurl()
{
    QFETCH(int, proxyPort);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, works);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^curl ")));
    const ProbeCommand command = buildProbeCommand(QStringLiteral("127.0.0.1"), QString::number(proxyPort), user,
                                                   password, m_net.destUrl());
    QElapsedTimer wall;
    wall.start();
    const QString result = runProbe(command);
    const qint64 wallMs = wall.elapsed();
    if (works) {
        QVERIFY2(result.contains(msPattern), qPrintable(result));
        QVERIFY(result.section(QLatin1Char(' '), 0, 0).toLongLong() <= wallMs);
    } else {
        QCOMPARE(result, QStringLiteral("failed"));
    }
    QVERIFY(wallMs < 15000); // curl's own 8-second limit ends every probe
}

void TestProbe::endlessBodyKeepsMemoryBounded()
{
    const qint64 before = peakResidentKiB();
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^curl ")));
    const ProbeCommand command = buildProbeCommand(QStringLiteral("127.0.0.1"),
                                                   QString::number(m_net.port(QStringLiteral("endless"))), QString(),
                                                   QString(), m_net.destUrl());
    QCOMPARE(runProbe(command), QStringLiteral("failed"));
    const qint64 grownKiB = peakResidentKiB() - before;
    QVERIFY2(grownKiB < qint64(64) * 1024, qPrintable(QStringLiteral("peak grew by %1 KiB").arg(grownKiB)));
}

void TestProbe::curlIsReapedBeforeTheProbeReturns_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::newRow("output open while it runs") << QByteArray("exec sleep 1\n");
    QTest::newRow("output closed, still running") << QByteArray("exec >&-\nexec sleep 1\n");
}

void TestProbe::curlIsReapedBeforeTheProbeReturns()
{
    // The stand-in answers at once but keeps running a while: the probe waits for its end.
    QFETCH(QByteArray, tail);
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    QVERIFY(!writeStandInCurl(dir.path(), "echo $$ > '" + pidFile.toUtf8() + "'\necho 'HTTP/1.1 200 OK'\n" + tail)
                 .isEmpty());
    const PathOverride path(dir.path());
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^curl ")));
    const ProbeCommand command = buildProbeCommand(QStringLiteral("127.0.0.1"), QStringLiteral("1"), QString(),
                                                   QString(), QStringLiteral("http://127.0.0.1:1/"));
    QElapsedTimer wall;
    wall.start();
    const QString result = runProbe(command);
    QVERIFY2(result.contains(msPattern), qPrintable(result));
    QVERIFY(wall.elapsed() >= 900);
    QFile file(pidFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const pid_t pid = pid_t(file.readAll().trimmed().toInt());
    QVERIFY(pid > 0);
    QCOMPARE(::kill(pid, 0), -1); // gone, not even a zombie: it was waited for
    QCOMPARE(errno, ESRCH);
}

QTEST_GUILESS_MAIN(TestProbe)
#include "tst_probe.moc"
