#include "loopbacknet.h"
#include "windowdriver.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QtTest>

namespace {

const QRegularExpression msPattern(QStringLiteral("^\\d+ ms$"));
const QColor green(0, 192, 0, 255);
const QColor red(255, 0, 0, 255);

} // namespace

class TestTestRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void wholeRunAgainstRealProxy();
    void secondRunClearsFirstResults();
    void runEndsWithResort();
    void emptyUrlWarns();
    void emptyTableRun();
    void stopDuringProbe();
    void storeFileIgnoredDuringRun();

private:
    LoopbackNet m_net;
};

void TestTestRun::initTestCase()
{
    dropCommandLinesFromLog();
    QVERIFY2(m_net.start(), qPrintable(m_net.error()));
}

void TestTestRun::wholeRunAgainstRealProxy()
{
    WindowDriver w;
    w.window.show();
    w.url->setText(m_net.destUrl());
    const QString open = QString::number(m_net.openProxyPort());
    const QString auth = QString::number(m_net.authProxyPort());
    const QString closed = QString::number(LoopbackNet::closedPort());
    const QString only407 = QString::number(m_net.port(QStringLiteral("auth407")));
    const QString body = QString::number(m_net.port(QStringLiteral("bodyline")));
    w.table->setSortingEnabled(false); // keep paste order so the progress steps are known
    w.paste(QStringLiteral("127.0.0.1:%1\n127.0.0.1:%2:alice:s3cret\n127.0.0.1:%2:alice:wrong\n127.0.0.1:%3\n"
                           "127.0.0.1:%4:alice:s3cret\n127.0.0.1:%5\n")
                .arg(open, auth, closed, only407, body));
    QCOMPARE(w.table->topLevelItemCount(), 6);
    w.table->setSortingEnabled(true);
    w.table->sortByColumn(5, Qt::AscendingOrder);
    QList<QTreeWidgetItem *> order;
    for (int i = 0; i < 6; ++i)
        order.append(w.table->topLevelItem(i));

    QSignalSpy progressSpy(w.progress, &QProgressBar::valueChanged);
    QTest::mouseClick(w.test, Qt::LeftButton);
    QCOMPARE(w.test->text(), QStringLiteral("Stop"));
    QVERIFY(!w.url->isEnabled() && !w.import->isEnabled() && !w.clear->isEnabled() && !w.exportButton->isEnabled());
    QVERIFY(w.test->isEnabled());
    QVERIFY(w.progress->isVisible());
    QVERIFY(!w.table->isSortingEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 60000);

    QVERIFY(w.url->isEnabled() && w.import->isEnabled() && w.clear->isEnabled() && w.exportButton->isEnabled());
    QVERIFY(w.table->isSortingEnabled());
    QCOMPARE(progressSpy.last().first().toInt(), 100);
    const QHash<QString, bool> works = {
        {open + QStringLiteral("/"), true},           {auth + QStringLiteral("/s3cret"), true},
        {auth + QStringLiteral("/wrong"), false},     {closed + QStringLiteral("/"), false},
        {only407 + QStringLiteral("/s3cret"), false}, {body + QStringLiteral("/"), true}};
    for (int i = 0; i < w.table->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = w.table->topLevelItem(i);
        const QString key = row->text(1) + QLatin1Char('/') + row->text(3);
        QVERIFY2(works.contains(key), qPrintable(key));
        if (works.value(key)) {
            QCOMPARE(row->text(4), QStringLiteral("OK"));
            QVERIFY2(row->text(5).contains(msPattern), qPrintable(row->text(5)));
            QCOMPARE(row->foreground(4).color(), green);
        } else {
            QCOMPARE(row->text(4), QStringLiteral("failed"));
            QCOMPARE(row->text(5), QString());
            QCOMPARE(row->foreground(4).color(), red);
        }
        QCOMPARE(row->foreground(4).style(), Qt::SolidPattern);
        QVERIFY(!row->data(5, Qt::ForegroundRole).isValid());
    }
    // The last row probed stays the one selected row.
    QCOMPARE(w.table->selectedItems(), QList<QTreeWidgetItem *>{order.last()});
    // Progress went through every step of the six rows.
    QList<int> steps;
    for (const QList<QVariant> &args : progressSpy)
        steps.append(args.first().toInt());
    for (const int step : {16, 33, 50, 66, 83, 100})
        QVERIFY2(steps.contains(step), qPrintable(QString::number(step)));
}

void TestTestRun::secondRunClearsFirstResults()
{
    WindowDriver w;
    w.url->setText(m_net.destUrl());
    w.paste(QStringLiteral("127.0.0.1:%1\n127.0.0.1:%2\n").arg(m_net.openProxyPort()).arg(LoopbackNet::closedPort()));
    QTest::mouseClick(w.test, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 30000);
    QTest::mouseClick(w.test, Qt::LeftButton);
    // Before any report of the second run: texts empty, colours still the first run's.
    for (int i = 0; i < 2; ++i) {
        const QTreeWidgetItem *row = w.table->topLevelItem(i);
        QCOMPARE(row->text(4), QString());
        QCOMPARE(row->text(5), QString());
        QVERIFY(row->foreground(4).color() == green || row->foreground(4).color() == red);
    }
    QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 30000);
    QVERIFY(w.rowWithPort(QString::number(m_net.openProxyPort()))->text(4) == QStringLiteral("OK"));
}

void TestTestRun::runEndsWithResort()
{
    // Sorted by STATUS at the start: clearing the results must not reorder rows under the run.
    WindowDriver w;
    w.url->setText(m_net.destUrl());
    QString text;
    const int rows = 8;
    for (int i = 0; i < rows; ++i)
        text += QStringLiteral("127.0.0.1:%1\n")
                    .arg(i % 2 ? m_net.openProxyPort() : m_net.port(QStringLiteral("badcode")));
    w.paste(text);
    QTest::mouseClick(w.test, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 60000);
    w.table->sortByColumn(4, Qt::DescendingOrder);
    QSignalSpy reports(w.progress, &QProgressBar::valueChanged);
    QTest::mouseClick(w.test, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 60000);
    // Every row was probed exactly once and has a result, and the rows are in STATUS order again.
    QStringList statuses;
    for (int i = 0; i < rows; ++i)
        statuses.append(w.table->topLevelItem(i)->text(4));
    QCOMPARE(statuses.count(QStringLiteral("OK")), rows / 2);
    QCOMPARE(statuses.count(QStringLiteral("failed")), rows / 2);
    // Sorted as the table sorts text: by the locale's collation, descending.
    for (int i = 1; i < rows; ++i)
        QVERIFY(statuses.at(i - 1).localeAwareCompare(statuses.at(i)) >= 0);
    QVERIFY(statuses.first() != statuses.last());
}

void TestTestRun::emptyUrlWarns()
{
    WindowDriver w;
    w.paste(QStringLiteral("h:1"));
    w.url->clear();
    QString title = QStringLiteral("unset");
    QString text;
    const auto done = whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);
        box->button(QMessageBox::Ok)->click();
    });
    QTest::mouseClick(w.test, Qt::LeftButton);
    QVERIFY(*done);
    QCOMPARE(title, QString());
    QCOMPARE(text, QStringLiteral("please input destination url"));
    QVERIFY(w.idle());
    QCOMPARE(w.table->topLevelItem(0)->text(4), QString());
    QVERIFY(w.import->isEnabled());
}

void TestTestRun::emptyTableRun()
{
    WindowDriver w;
    QTest::mouseClick(w.test, Qt::LeftButton);
    QCOMPARE(w.test->text(), QStringLiteral("Stop"));
    QVERIFY(!w.import->isEnabled());
    QTRY_VERIFY(w.idle());
    QVERIFY(w.import->isEnabled());
    QCOMPARE(w.table->topLevelItemCount(), 0);
}

void TestTestRun::stopDuringProbe()
{
    WindowDriver w;
    w.url->setText(m_net.destUrl());
    w.table->setSortingEnabled(false);
    const int slow = m_net.port(QStringLiteral("slow"));
    w.paste(QStringLiteral("127.0.0.1:%1\n127.0.0.1:%2\n127.0.0.1:%2\n").arg(slow).arg(m_net.openProxyPort()));
    QTest::mouseClick(w.test, Qt::LeftButton);
    QVERIFY(m_net.waitForSlowRequest());
    QTest::mouseClick(w.test, Qt::LeftButton); // "Stop"
    QCOMPARE(w.test->text(), QStringLiteral("Stop"));
    QTest::mouseClick(w.test, Qt::LeftButton); // a second request changes nothing
    QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 30000);
    QCOMPARE(w.table->topLevelItem(0)->text(4), QStringLiteral("OK"));
    for (int i = 1; i < 3; ++i) {
        QCOMPARE(w.table->topLevelItem(i)->text(4), QString());
        QCOMPARE(w.table->topLevelItem(i)->text(5), QString());
    }
}

void TestTestRun::storeFileIgnoredDuringRun()
{
    WindowDriver w;
    w.url->setText(m_net.destUrl());
    w.paste(QStringLiteral("127.0.0.1:%1\n").arg(m_net.port(QStringLiteral("slow"))));
    QTest::mouseClick(w.test, Qt::LeftButton);
    QVERIFY(m_net.waitForSlowRequest());
    QVERIFY(QMetaObject::invokeMethod(&w.window, "slotImportFromFile"));
    QCOMPARE(w.table->topLevelItemCount(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(w.idle(), 30000);
    QCOMPARE(w.table->topLevelItem(0)->text(4), QStringLiteral("OK"));
}

QTEST_MAIN(TestTestRun)
#include "tst_testrun.moc"
