#include "loopbacknet.h"
#include "mainwindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <cstring>

namespace {

constexpr int loopReturnedItself = 3;

// Child mode: a window like the program's; with proxies and a URL it starts a run, then
// closes the window (or quits the loop) after delayMs. Its exit status is what is tested.
int runChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString how = args.value(2);
    const int delayMs = args.value(3).toInt();
    const QString url = args.value(4);
    MainWindow window;
    window.show();
    if (!url.isEmpty()) {
        window.findChild<QLineEdit *>(QStringLiteral("destUrlLineEdit"))->setText(url);
        auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
        for (const QString &port : args.mid(5))
            new QTreeWidgetItem(table, {QStringLiteral("127.0.0.1"), port});
        window.findChild<QPushButton *>(QStringLiteral("testButton"))->click();
    }
    QTimer::singleShot(delayMs, &window, [&window, how] {
        if (how == QStringLiteral("close"))
            window.close();
        else
            QCoreApplication::exit(0);
    });
    const int status = QApplication::exec();
    return how == QStringLiteral("close") ? loopReturnedItself : status;
}

struct ChildResult
{
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    QByteArray stderrText;
};

ChildResult startChild(const QStringList &arguments)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child")} + arguments);
    ChildResult result;
    if (!child.waitForFinished(30000)) {
        child.kill();
        child.waitForFinished();
        return result;
    }
    result.exitCode = child.exitCode();
    result.exitStatus = child.exitStatus();
    result.stderrText = child.readAllStandardError();
    return result;
}

// Anything on standard error but the probes' command lines is a complaint.
QByteArray complaints(const QByteArray &stderrText)
{
    QByteArray rest;
    for (const QByteArray &line : stderrText.split('\n')) {
        // The offscreen platform's own notices are no complaint of the program's.
        if (!line.isEmpty() && !line.startsWith("curl -ivvs ") && !line.startsWith("QStandardPaths: XDG_RUNTIME_DIR") &&
            line != "This plugin does not support propagateSizeHints()")
            rest += line + '\n';
    }
    return rest;
}

} // namespace

class TestLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void closeWhenIdle();
    void closeDuringRun_data();
    void closeDuringRun();
    void loopEndsDuringRun();
    void programIgnoresUnknownArguments();

private:
    LoopbackNet m_net;
};

void TestLifecycle::initTestCase()
{
    QVERIFY2(m_net.start(), qPrintable(m_net.error()));
}

void TestLifecycle::closeWhenIdle()
{
    const ChildResult result = startChild({QStringLiteral("close"), QStringLiteral("50")});
    QCOMPARE(result.exitStatus, QProcess::NormalExit);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(complaints(result.stderrText), QByteArray());
}

void TestLifecycle::closeDuringRun_data()
{
    QTest::addColumn<int>("delayMs");
    // From before the first report to the middle of a probe that never gets an answer.
    for (const int delay : {0, 1, 3, 7, 15, 30, 60, 120, 250, 500})
        QTest::newRow(qPrintable(QStringLiteral("%1 ms").arg(delay))) << delay;
}

void TestLifecycle::closeDuringRun()
{
    QFETCH(int, delayMs);
    const QString dest = QString::number(m_net.port(QStringLiteral("dest")));
    const QString silent = QString::number(m_net.port(QStringLiteral("silent")));
    const ChildResult result = startChild(
        {QStringLiteral("close"), QString::number(delayMs), m_net.destUrl(), dest, dest, dest, dest, silent, dest});
    QCOMPARE(result.exitStatus, QProcess::NormalExit);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(complaints(result.stderrText), QByteArray());
}

void TestLifecycle::loopEndsDuringRun()
{
    // Leaving the loop another way destroys the window, which ends the worker first: the
    // probe in flight finishes, no later row is probed.
    const QString slow = QString::number(m_net.port(QStringLiteral("slow")));
    const QString dest = QString::number(m_net.port(QStringLiteral("dest")));
    const ChildResult result = startChild({QStringLiteral("quit"), QStringLiteral("300"), m_net.destUrl(), slow, dest});
    QCOMPARE(result.exitStatus, QProcess::NormalExit);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(complaints(result.stderrText), QByteArray());
    QCOMPARE(result.stderrText.count("curl -ivvs "), 1);
}

void TestLifecycle::programIgnoresUnknownArguments()
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(APP_PATH),
                  {QStringLiteral("--no-such-option"), QStringLiteral("value"), QStringLiteral("-x")});
    QVERIFY(program.waitForStarted());
    QVERIFY2(!program.waitForFinished(1500), program.readAllStandardError().constData()); // still up: it did not fail
    program.kill();
    program.waitForFinished();
}

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestLifecycle test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lifecycle.moc"
