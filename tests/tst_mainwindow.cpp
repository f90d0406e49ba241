#include "fontloader.h"
#include "guidriver.h"
#include "mainwindow.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

QString familyOf(const QString &path)
{
    return QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFont(path)).value(0);
}

// The header stretches its last section over what is left of the viewport, so the rule's
// width shows exactly in the first five columns and as a lower bound in the last.
QVector<int> columnWidths(const QTreeWidget *table)
{
    QVector<int> widths;
    for (int column = 0; column < 5; ++column)
        widths.append(table->columnWidth(column));
    widths.append(qMin(table->columnWidth(5), widths.first()));
    return widths;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void texts();
    void fonts_data();
    void fonts();
    void tableSettings();
    void widthsBeforeFirstShow();
    void widthRule_data();
    void widthRule();
    void resizeOverwritesDraggedWidth();
    void clearAll_data();
    void clearAll();
};

void TestMainWindow::texts()
{
    MainWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("TAVRIN PROXY TESTER"));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("destUrlTItleLabel"))->text(),
             QStringLiteral("DESTINATION URL"));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("logoLabel"))->text(), QString());
    auto *url = window.findChild<QLineEdit *>(QStringLiteral("destUrlLineEdit"));
    QCOMPARE(url->text(), QStringLiteral("http://example.com/"));
    QVERIFY(url->placeholderText().isEmpty());
    QVERIFY(!url->isReadOnly());
    QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("importButton"))->text(), QStringLiteral("IMPORT PROXIES"));
    QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("testButton"))->text(), QStringLiteral("TEST PROXIES"));
    QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("pushButton"))->text(),
             QStringLiteral("CLEAR ALL PROXIES"));
    QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("exportButton"))->text(),
             QStringLiteral("EXPORT WORKING PROXIES"));
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    QCOMPARE(table->columnCount(), 6);
    QCOMPARE(rowTexts(table->headerItem()),
             (QStringList{QStringLiteral("IP"), QStringLiteral("PORT"), QStringLiteral("USER"), QStringLiteral("PASS"),
                          QStringLiteral("STATUS"), QStringLiteral("SPEED")}));
}

void TestMainWindow::fonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("pointSize");
    const QString bold = QStringLiteral(":/plumel-bold-webfont.ttf");
    const QString regular = QStringLiteral(":/plumel-regular-webfont.ttf");
    QTest::newRow("caption") << QStringLiteral("destUrlTItleLabel") << bold << 16;
    QTest::newRow("import") << QStringLiteral("importButton") << bold << 14;
    QTest::newRow("export") << QStringLiteral("exportButton") << bold << 14;
    QTest::newRow("test") << QStringLiteral("testButton") << bold << 14;
    QTest::newRow("clear") << QStringLiteral("pushButton") << bold << 14;
    QTest::newRow("url") << QStringLiteral("destUrlLineEdit") << regular << 14;
    QTest::newRow("rows") << QStringLiteral("proxyListView") << regular << 12;
}

void TestMainWindow::fonts()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    QFETCH(int, pointSize);
    MainWindow window;
    auto *widget = window.findChild<QWidget *>(name);
    QCOMPARE(widget->font().family(), familyOf(file));
    QCOMPARE(widget->font().pointSize(), pointSize);
}

void TestMainWindow::tableSettings()
{
    MainWindow window;
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    QVERIFY(!table->rootIsDecorated());
    QCOMPARE(table->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(table->isSortingEnabled());
    QCOMPARE(table->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(table->header()->defaultAlignment(), Qt::AlignCenter);
    QCOMPARE(table->header()->font().family(), familyOf(QStringLiteral(":/plumel-bold-webfont.ttf")));
    QCOMPARE(table->header()->font().pointSize(), 15);
    QCOMPARE(table->header()->minimumHeight(), 48);
    auto *progress = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    QVERIFY(progress->isHidden());
    QCOMPARE(progress->value(), 0);
    QCOMPARE(progress->maximum(), 100);
}

void TestMainWindow::widthsBeforeFirstShow()
{
    MainWindow window;
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    QCOMPARE(columnWidths(table), QVector<int>(6, 158));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(columnWidths(table), QVector<int>(6, table->width() / 6));
}

void TestMainWindow::widthRule_data()
{
    QTest::addColumn<int>("tableWidth");
    QTest::addColumn<int>("columnWidth");
    QTest::newRow("1000") << 1000 << 166;
    QTest::newRow("1001") << 1001 << 166;
    QTest::newRow("1002") << 1002 << 167;
    QTest::newRow("wide 1500") << 1500 << 250;
}

void TestMainWindow::widthRule()
{
    QFETCH(int, tableWidth);
    QFETCH(int, columnWidth);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    // The table's width follows the window's one to one once the layout is past its minimum.
    window.resize(1300, 700);
    QTRY_VERIFY(table->width() > 0);
    const int offset = window.width() - table->width();
    window.resize(tableWidth + offset, 700);
    QTRY_COMPARE(table->width(), tableWidth);
    QCOMPARE(columnWidths(table), QVector<int>(6, columnWidth));
}

void TestMainWindow::resizeOverwritesDraggedWidth()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    table->header()->resizeSection(2, 300); // as a drag by hand does
    QCOMPARE(table->columnWidth(2), 300);
    window.resize(window.width() + 60, window.height());
    QTRY_COMPARE(columnWidths(table), QVector<int>(6, table->width() / 6));
}

void TestMainWindow::clearAll_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("empty table") << 0;
    QTest::newRow("full table") << 250;
}

void TestMainWindow::clearAll()
{
    QFETCH(int, rows);
    MainWindow window;
    window.show();
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    auto *url = window.findChild<QLineEdit *>(QStringLiteral("destUrlLineEdit"));
    url->setText(QStringLiteral("http://127.0.0.1:9/"));
    for (int i = 0; i < rows; ++i)
        new QTreeWidgetItem(
            table, {QStringLiteral("h%1").arg(i), QStringLiteral("80"), QString(), QString(), QStringLiteral("OK")});
    table->sortByColumn(1, Qt::AscendingOrder);
    const QVector<int> widths = columnWidths(table);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("pushButton")), Qt::LeftButton);
    QCOMPARE(table->topLevelItemCount(), 0);
    QCOMPARE(table->columnCount(), 6);
    QCOMPARE(table->headerItem()->text(5), QStringLiteral("SPEED"));
    QCOMPARE(columnWidths(table), widths);
    QCOMPARE(table->header()->sortIndicatorSection(), 1);
    QCOMPARE(url->text(), QStringLiteral("http://127.0.0.1:9/"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
