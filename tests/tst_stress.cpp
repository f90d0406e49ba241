#include "loopbacknet.h"
#include "windowdriver.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QtTest>

#include <cstring>

namespace {

const QRegularExpression msPattern(QStringLiteral("^\\d+ ms$"));

int childCloseDuringRun(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    WindowDriver w;
    w.window.show();
    w.url->setText(args.value(3));
    w.addRows(args.mid(4));
    w.test->click();
    QTimer::singleShot(args.value(2).toInt(), &w.window, [&w] { w.window.close(); });
    QApplication::exec();
    return 3; // the close must end the process before the loop returns
}

} // namespace

// Long runs and repetitions: what must hold after hundreds of runs, stops and closes.
class TestStress : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startAndStopManyTimes();
    void closeAtRandomMoments();
    void everyMisbehavingPeerInOneRun();
    void fiveThousandRowsToTheEnd();

private:
    LoopbackNet m_net;
};

void TestStress::initTestCase()
{
    dropCommandLinesFromLog();
    QVERIFY2(m_net.start(), qPrintable(m_net.error()));
}

void TestStress::startAndStopManyTimes()
{
    WindowDriver w;
    w.url->setText(m_net.destUrl());
    const QString proxy = QString::number(m_net.openProxyPort());
    QStringList proxies;
    for (int i = 0; i < 20; ++i)
        proxies.append(proxy);
    w.addRows(proxies);
    w.table->setSortingEnabled(false);
    auto *random = QRandomGenerator::global();
    int stoppedEarly = 0;
    for (int cycle = 0; cycle < 200; ++cycle) {
        QTest::mouseClick(w.test, Qt::LeftButton);
        QCOMPARE(w.test->text(), QStringLiteral("Stop"));
        QTest::qWait(int(random->bounded(30))); // a random moment of the run
        QTest::mouseClick(w.test, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 20000);
        // Rows up to the stop have results, in order; the rest were left empty.
        int done = 0;
        while (done < w.table->topLevelItemCount() && !w.table->topLevelItem(done)->text(4).isEmpty())
            ++done;
        for (int i = 0; i < w.table->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *row = w.table->topLevelItem(i);
            if (i < done - 1)
                QCOMPARE(row->text(4), QStringLiteral("OK"));
            else if (i >= done)
                QCOMPARE(row->text(5), QString());
        }
        stoppedEarly += done < 20;
    }
    QVERIFY(stoppedEarly > 100);
    qInfo("200 start/stop cycles; %d stopped before the last row", stoppedEarly);
}

void TestStress::closeAtRandomMoments()
{
    const QString dest = QString::number(m_net.port(QStringLiteral("dest")));
    const QString silent = QString::number(m_net.port(QStringLiteral("silent")));
    const QString slow = QString::number(m_net.port(QStringLiteral("slow")));
    auto *random = QRandomGenerator::global();
    for (int round = 0; round < 50; ++round) {
        const int delay = int(random->bounded(1200));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child"), QString::number(delay), m_net.destUrl(), dest, dest, slow, dest, dest,
                     silent, dest});
        QVERIFY(child.waitForFinished(30000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 qPrintable(QStringLiteral("delay %1 ms: exit %2").arg(delay).arg(child.exitCode())));
        for (const QByteArray &line : child.readAllStandardError().split('\n')) {
            QVERIFY2(line.isEmpty() || line.startsWith("curl -ivvs ") || line.startsWith("QStandardPaths: ") ||
                         line == "This plugin does not support propagateSizeHints()",
                     line.constData());
        }
    }
    qInfo("50 closes during runs, all with status 0 and nothing on standard error but command lines");
}

void TestStress::everyMisbehavingPeerInOneRun()
{
    WindowDriver w;
    w.url->setText(m_net.destUrl());
    w.table->setSortingEnabled(false);
    const QHash<QString, bool> works = {
        {QStringLiteral("dest"), true},     {QStringLiteral("auth407"), false}, {QStringLiteral("badcode"), false},
        {QStringLiteral("bodyline"), true}, {QStringLiteral("silent"), false},  {QStringLiteral("close"), false},
        {QStringLiteral("endless"), false}, {QStringLiteral("garbage"), false}, {QStringLiteral("slow"), true}};
    QStringList ports;
    QStringList names;
    for (auto it = works.cbegin(); it != works.cend(); ++it) {
        names.append(it.key());
        ports.append(QString::number(m_net.port(it.key())));
    }
    w.addRows(ports);
    QTest::mouseClick(w.test, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 60000);
    for (int i = 0; i < names.size(); ++i) {
        const QTreeWidgetItem *row = w.table->topLevelItem(i);
        QCOMPARE(row->text(1), ports.at(i));
        if (works.value(names.at(i)))
            QVERIFY2(row->text(5).contains(msPattern) && row->text(4) == QStringLiteral("OK"), qPrintable(names.at(i)));
        else
            QVERIFY2(row->text(4) == QStringLiteral("failed"), qPrintable(names.at(i)));
    }
}

void TestStress::fiveThousandRowsToTheEnd()
{
    WindowDriver w;
    w.window.show();
    w.url->setText(m_net.destUrl());
    const QString dest = QString::number(m_net.port(QStringLiteral("dest")));
    const QString bad = QString::number(m_net.port(QStringLiteral("badcode")));
    QStringList ports;
    for (int i = 0; i < 5000; ++i)
        ports.append(i % 5 == 4 ? bad : dest);
    w.addRows(ports);
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(w.test, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 240000);
    int ok = 0;
    int failed = 0;
    for (int i = 0; i < w.table->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = w.table->topLevelItem(i);
        const bool expectOk = row->text(1) == dest;
        QCOMPARE(row->text(4), expectOk ? QStringLiteral("OK") : QStringLiteral("failed"));
        ok += expectOk;
        failed += !expectOk;
    }
    QCOMPARE(ok, 4000);
    QCOMPARE(failed, 1000);
    qInfo("5000 rows in %lld ms", timer.elapsed());
}

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return childCloseDuringRun(argc, argv);
    QApplication app(argc, argv);
    TestStress test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_stress.moc"
