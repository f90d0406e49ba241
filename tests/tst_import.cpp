#include "fontloader.h"
#include "guidriver.h"
#include "inputproxydialog.h"
#include "mainwindow.h"

#include <QBoxLayout>
#include <QClipboard>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QtTest>

namespace {

QTreeWidget *tableOf(MainWindow &window)
{
    return window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
}

void importThroughDialog(MainWindow &window, const QString &text)
{
    const auto done = submitProxiesWhenAsked(text);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("importButton")), Qt::LeftButton);
    QVERIFY(*done);
}

// Types as a user would: keys for the characters, Return for each line break.
void typeText(QWidget *widget, const QString &text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(widget, Qt::Key_Return);
        QTest::keyClicks(widget, lines.at(i));
    }
}

void writeStoreFile(const QByteArray &content)
{
    QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/proxs.dat"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class TestImport : public QObject
{
    Q_OBJECT

private slots:
    void dialogForm();
    void dialogSubmitAndDismiss_data();
    void dialogSubmitAndDismiss();
    void dialogStartsEmptyEachTime();
    void dialogTakesPlainTextOfRichPaste();
    void pastedLinesBecomeCentredRows();
    void importLeavesExistingRowsAlone();
    void rejectedDialogChangesNothing();
    void hugePaste();
    void storeFile_data();
    void storeFile();
    void missingStoreFileEmptiesTable();
    void cleanup();
};

void TestImport::cleanup()
{
    QFile::remove(QCoreApplication::applicationDirPath() + QStringLiteral("/proxs.dat"));
}

void TestImport::dialogForm()
{
    InputProxyDialog dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("InputProxyDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("TAVRIN PROXY TESTER"));
    QCOMPARE(dialog.size(), QSize(567, 417));
    QCOMPARE(dialog.styleSheet(),
             QStringLiteral("background-color: rgb(255, 255, 255);\nfont: 12pt \"MS Shell Dlg 2\";"));
    auto *layout = dialog.findChild<QVBoxLayout *>(QStringLiteral("verticalLayout"));
    QCOMPARE(layout->spacing(), 20);
    QCOMPARE(layout->contentsMargins(), QMargins(48, 32, 48, 24));
    auto *label = dialog.findChild<QLabel *>(QStringLiteral("label"));
    auto *edit = dialog.findChild<QTextEdit *>(QStringLiteral("textEdit"));
    auto *button = dialog.findChild<QPushButton *>(QStringLiteral("pushButton"));
    QCOMPARE(label->text(), QStringLiteral("IMPORT PROXIES"));
    QCOMPARE(edit->placeholderText(), QStringLiteral("PROXY:PORT:USER:PASSWORD"));
    QVERIFY(!edit->acceptRichText());
    QCOMPARE(button->text(), QStringLiteral("SUBMIT PROXIES"));
    QCOMPARE(button->minimumSize(), QSize(180, 36));
    QCOMPARE(button->styleSheet(), QStringLiteral("border-width:1px;\nborder-style:solid;\nborder-color:transparent;\n"
                                                  "background-color: rgb(255, 255, 255);\ncolor:rgb(0, 0, 0);"));
    // The dialog's own style sheet names a font, and a style sheet outranks setFont: every
    // widget of the dialog shows the sheet's 12-point font.
    for (QWidget *widget :
         {static_cast<QWidget *>(label), static_cast<QWidget *>(edit), static_cast<QWidget *>(button)}) {
        widget->ensurePolished();
        QCOMPARE(widget->font().family(), QStringLiteral("MS Shell Dlg 2"));
        QCOMPARE(widget->font().pointSize(), 12);
    }
}

void TestImport::dialogSubmitAndDismiss_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("submit");
    QTest::newRow("submit typed text") << QStringLiteral("  10.0.0.1:80 \n\nh:1:u:p\n") << true;
    QTest::newRow("submit empty") << QString() << true;
    QTest::newRow("escape") << QStringLiteral("h:1") << false;
}

void TestImport::dialogSubmitAndDismiss()
{
    QFETCH(QString, typed);
    QFETCH(bool, submit);
    InputProxyDialog dialog;
    const auto done = whenModal([&](QWidget *modal) {
        auto *edit = modal->findChild<QTextEdit *>(QStringLiteral("textEdit"));
        typeText(edit, typed);
        if (submit)
            QTest::mouseClick(modal->findChild<QPushButton *>(QStringLiteral("pushButton")), Qt::LeftButton);
        else
            QTest::keyClick(modal, Qt::Key_Escape);
    });
    const int result = dialog.exec();
    QVERIFY(*done);
    QCOMPARE(result, submit ? 1 : 0);
    if (submit)
        QCOMPARE(dialog.getProxyText(), typed);
}

void TestImport::dialogStartsEmptyEachTime()
{
    MainWindow window;
    importThroughDialog(window, QStringLiteral("a:1"));
    QString seen = QStringLiteral("unset");
    const auto done = whenModal([&seen](QWidget *modal) {
        seen = modal->findChild<QTextEdit *>(QStringLiteral("textEdit"))->toPlainText();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("importButton")), Qt::LeftButton);
    QVERIFY(*done);
    QCOMPARE(seen, QString());
}

void TestImport::dialogTakesPlainTextOfRichPaste()
{
    // What a paste from a word processor delivers: the same text as HTML and as plain text.
    auto *mime = new QMimeData;
    mime->setHtml(QStringLiteral("<b>10.0.0.1</b>:<i>80</i><br>h:<span style='color:red'>1</span>"));
    mime->setText(QStringLiteral("10.0.0.1:80\nh:1"));
    QGuiApplication::clipboard()->setMimeData(mime);
    InputProxyDialog dialog;
    auto *edit = dialog.findChild<QTextEdit *>(QStringLiteral("textEdit"));
    edit->paste();
    QCOMPARE(dialog.getProxyText(), QStringLiteral("10.0.0.1:80\nh:1"));
    QTextCursor cursor(edit->document());
    cursor.setPosition(2);
    QVERIFY(cursor.charFormat().fontWeight() < QFont::Bold);
}

void TestImport::pastedLinesBecomeCentredRows()
{
    MainWindow window;
    auto *table = tableOf(window);
    table->sortByColumn(0, Qt::AscendingOrder);
    importThroughDialog(window,
                        QStringLiteral("c.example:3\nbad line\nb.example:2:bob:pw\n:9\na.example:1:u:\nhttp://d:4\n"));
    QCOMPARE(table->topLevelItemCount(), 4);
    const QList<QStringList> expected = {
        {QStringLiteral("a.example"), QStringLiteral("1"), QString(), QString(), QString(), QString()},
        {QStringLiteral("b.example"), QStringLiteral("2"), QStringLiteral("bob"), QStringLiteral("pw"), QString(),
         QString()},
        {QStringLiteral("c.example"), QStringLiteral("3"), QString(), QString(), QString(), QString()},
        {QStringLiteral("http://d"), QStringLiteral("4"), QString(), QString(), QString(), QString()}};
    for (int i = 0; i < expected.size(); ++i) {
        const QTreeWidgetItem *row = table->topLevelItem(i);
        QCOMPARE(rowTexts(row), expected.at(i));
        for (int column = 0; column < 6; ++column)
            QCOMPARE(row->data(column, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QVERIFY(!(row->flags() & Qt::ItemIsEditable));
    }
    // The dialog's own "pushButton" is never bound to the window's clear slot.
    QCOMPARE(table->topLevelItemCount(), 4);
}

void TestImport::importLeavesExistingRowsAlone()
{
    MainWindow window;
    auto *table = tableOf(window);
    table->setSortingEnabled(false);
    auto *old = new QTreeWidgetItem(table, {QStringLiteral("old"), QStringLiteral("1"), QString(), QString(),
                                            QStringLiteral("OK"), QStringLiteral("12 ms")});
    old->setForeground(4, QBrush(QColor(0, 192, 0)));
    old->setSelected(true);
    importThroughDialog(window, QStringLiteral("old:1\nnot a proxy"));
    QCOMPARE(table->topLevelItemCount(), 2);
    QCOMPARE(rowTexts(old), (QStringList{QStringLiteral("old"), QStringLiteral("1"), QString(), QString(),
                                         QStringLiteral("OK"), QStringLiteral("12 ms")}));
    QCOMPARE(old->foreground(4).color(), QColor(0, 192, 0));
    QVERIFY(table->selectedItems().isEmpty());
    QVERIFY(!table->isSortingEnabled()); // the import keeps the table's sorting as it was

    // Nothing acceptable: no row, but the selection is cleared all the same.
    old->setSelected(true);
    importThroughDialog(window, QStringLiteral("nothing:here:at all"));
    QCOMPARE(table->topLevelItemCount(), 2);
    QVERIFY(table->selectedItems().isEmpty());
}

void TestImport::rejectedDialogChangesNothing()
{
    MainWindow window;
    auto *table = tableOf(window);
    auto *row = new QTreeWidgetItem(table, {QStringLiteral("h"), QStringLiteral("1")});
    row->setSelected(true);
    const auto done = whenModal([](QWidget *modal) {
        QTest::keyClicks(modal->findChild<QTextEdit *>(QStringLiteral("textEdit")), QStringLiteral("x:1"));
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("importButton")), Qt::LeftButton);
    QVERIFY(*done);
    QCOMPARE(table->topLevelItemCount(), 1);
    QVERIFY(row->isSelected());
}

void TestImport::hugePaste()
{
    MainWindow window;
    window.show();
    QString text;
    for (int i = 0; i < 100000; ++i)
        text += QStringLiteral("10.%1.%2.%3:%4\n").arg(i % 7).arg(i / 256 % 256).arg(i % 256).arg(i);
    text += QString(10 * 1024 * 1024, QLatin1Char(':')) + QLatin1Char('\n');
    text += QStringLiteral("bin\x01\x02\x7f:1\n");
    importThroughDialog(window, text);
    auto *table = tableOf(window);
    QCOMPARE(table->topLevelItemCount(), 100001);
    QVERIFY(table->isSortingEnabled());
    // Sorted by the header's column: text order, not numbers.
    const int column = table->header()->sortIndicatorSection();
    const bool ascending = table->header()->sortIndicatorOrder() == Qt::AscendingOrder;
    for (int i = 1; i < 2000; ++i) {
        const QString a = table->topLevelItem(i - 1)->text(column);
        const QString b = table->topLevelItem(i)->text(column);
        QVERIFY(ascending ? a.localeAwareCompare(b) <= 0 : a.localeAwareCompare(b) >= 0);
    }
}

void TestImport::storeFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::newRow("two and four fields") << QByteArray("w\tx\nh\t80\tuser\tpass\n")
                                         << QList<QStringList>{{QStringLiteral("w : x"), QString(), QString(),
                                                                QStringLiteral("x"), QString(), QString()},
                                                               {QStringLiteral("h : 80"), QString(), QString(),
                                                                QStringLiteral("pass"), QString(), QString()}};
    QTest::newRow("CR LF, no final line feed")
        << QByteArray("w\tx\r\na\tb")
        << QList<QStringList>{
               {QStringLiteral("w : x\r"), QString(), QString(), QStringLiteral("x\r"), QString(), QString()},
               {QStringLiteral("a : b"), QString(), QString(), QStringLiteral("b"), QString(), QString()}};
    QTest::newRow("one-field and empty lines")
        << QByteArray("solo\n\nw\tx\n")
        << QList<QStringList>{
               {QStringLiteral("solo : "), QString(), QString(), QStringLiteral("solo"), QString(), QString()},
               {QStringLiteral(" : "), QString(), QString(), QString(), QString(), QString()},
               {QStringLiteral("w : x"), QString(), QString(), QStringLiteral("x"), QString(), QString()}};
    QTest::newRow("NUL mid-line") << QByteArray("w\tx\0junk\tmore\n", 14)
                                  << QList<QStringList>{{QStringLiteral("w : x"), QString(), QString(),
                                                         QStringLiteral("x"), QString(), QString()}};
}

void TestImport::storeFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<QStringList>, rows);
    writeStoreFile(content);
    MainWindow window;
    auto *table = tableOf(window);
    table->setSortingEnabled(false);
    new QTreeWidgetItem(table, {QStringLiteral("previous"), QStringLiteral("1")});
    QVERIFY(QMetaObject::invokeMethod(&window, "slotImportFromFile"));
    QCOMPARE(table->topLevelItemCount(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rowTexts(table->topLevelItem(i)), rows.at(i));
        QVERIFY(!table->topLevelItem(i)->data(0, Qt::TextAlignmentRole).isValid()); // not centred
    }
}

void TestImport::missingStoreFileEmptiesTable()
{
    MainWindow window;
    auto *table = tableOf(window);
    new QTreeWidgetItem(table, {QStringLiteral("previous"), QStringLiteral("1")});
    QVERIFY(QMetaObject::invokeMethod(&window, "slotImportFromFile"));
    QCOMPARE(table->topLevelItemCount(), 0);

    // A large store file loads completely.
    QByteArray big;
    big.reserve(100000 * 24); // appending without it copies the whole array each time
    for (int i = 0; i < 100000; ++i)
        big += "10.0.0." + QByteArray::number(i % 250) + '\t' + QByteArray::number(i) + '\n';
    writeStoreFile(big);
    QVERIFY(QMetaObject::invokeMethod(&window, "slotImportFromFile"));
    QCOMPARE(table->topLevelItemCount(), 100000);
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
