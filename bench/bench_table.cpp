// The table at 100,000 rows: paste, store file, export and the re-sort at the end of a run,
// each against the plainest way of doing the same work in the same run.
#include "../tests/fixtures/guidriver.h"
#include "benchrows.h"
#include "benchutil.h"
#include "mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

constexpr int rowCount = 100000;

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Submitting the dialog until the rows are in the table.
double pasteThroughWindow(const QString &text)
{
    MainWindow window;
    window.show();
    QElapsedTimer timer;
    whenModal([&text, &timer](QWidget *dialog) {
        dialog->findChild<QTextEdit *>(QStringLiteral("textEdit"))->setPlainText(text);
        timer.start();
        dialog->findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
    });
    window.findChild<QPushButton *>(QStringLiteral("importButton"))->click();
    const double ms = msSince(timer);
    if (window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"))->topLevelItemCount() != rowCount)
        std::fprintf(stderr, "paste lost rows\n");
    return ms;
}

// The same rows, already split, straight into a sorted QTreeWidget.
double bareInsert(const QString &text)
{
    QVector<QStringList> prepared;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        prepared.append(line.split(QLatin1Char(':')));
    QTreeWidget tree;
    tree.setColumnCount(6);
    tree.setSortingEnabled(true);
    tree.show();
    QElapsedTimer timer;
    timer.start();
    QList<QTreeWidgetItem *> items;
    for (const QStringList &fields : prepared)
        items.append(benchPastedRow(fields));
    tree.setSortingEnabled(false);
    tree.addTopLevelItems(items);
    tree.setSortingEnabled(true);
    return msSince(timer);
}

double loadStoreFile()
{
    MainWindow window;
    QElapsedTimer timer;
    timer.start();
    QMetaObject::invokeMethod(&window, "slotImportFromFile");
    return msSince(timer);
}

double readStoreFileOnly(const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    qint64 bytes = 0;
    while (!file.atEnd())
        bytes += file.readLine().size();
    const double ms = msSince(timer);
    if (bytes == 0)
        std::fprintf(stderr, "store file empty\n");
    return ms;
}

void fillWorkingRows(QTreeWidget *table)
{
    QList<QTreeWidgetItem *> items;
    for (int i = 0; i < rowCount; ++i)
        items.append(benchPastedRow({QStringLiteral("10.0.%1.%2").arg(i / 256 % 256).arg(i % 256),
                                     QString::number(1000 + i % 60000), QStringLiteral("user%1").arg(i),
                                     QStringLiteral("pw%1").arg(i), QStringLiteral("OK"),
                                     QStringLiteral("%1 ms").arg(i % 997)}));
    table->setSortingEnabled(false);
    table->addTopLevelItems(items);
}

double exportThroughWindow(const QString &target)
{
    MainWindow window;
    fillWorkingRows(window.findChild<QTreeWidget *>(QStringLiteral("proxyListView")));
    QElapsedTimer timer;
    whenModal([&target, &timer](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        edit->setText(target);
        QFile::remove(target);
        timer.start(); // from the moment the user confirms the name
        QTest::keyClick(edit, Qt::Key_Return);
    });
    window.findChild<QPushButton *>(QStringLiteral("exportButton"))->click();
    return msSince(timer);
}

double oneBufferedWrite(const QString &target)
{
    QByteArray bytes;
    for (int i = 0; i < rowCount; ++i)
        bytes += "10.0." + QByteArray::number(i / 256 % 256) + '.' + QByteArray::number(i % 256) + ':' +
                 QByteArray::number(1000 + i % 60000) + ":user" + QByteArray::number(i) + ":pw" +
                 QByteArray::number(i) + '\n';
    QElapsedTimer timer;
    timer.start();
    QFile file(target);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    file.close();
    return msSince(timer);
}

// The end of a run switches sorting back on: the table sorts itself by the header's column.
double resortAtEndOfRun()
{
    MainWindow window;
    window.show();
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    fillWorkingRows(table);
    table->header()->setSortIndicator(5, Qt::AscendingOrder);
    QElapsedTimer timer;
    timer.start();
    table->setSortingEnabled(true);
    return msSince(timer);
}

// The same rows and sort in a plain QTreeWidget: what the toolkit's sort costs by itself.
double bareResort()
{
    QTreeWidget tree;
    tree.setColumnCount(6);
    tree.show();
    fillWorkingRows(&tree);
    tree.header()->setSortIndicator(5, Qt::AscendingOrder);
    QElapsedTimer timer;
    timer.start();
    tree.setSortingEnabled(true);
    return msSince(timer);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const int repetitions = benchRepetitions(argc, argv, 5);
    const QString text = benchPastedText(rowCount);
    QVector<double> paste, bare, store, read, exported, written, resort, resortBare;
    QTemporaryDir dir;

    const QString storePath = QCoreApplication::applicationDirPath() + QStringLiteral("/proxs.dat");
    {
        QFile file(storePath);
        file.open(QIODevice::WriteOnly);
        for (int i = 0; i < rowCount; ++i)
            file.write("10.0." + QByteArray::number(i / 256 % 256) + '.' + QByteArray::number(i % 256) + '\t' +
                       QByteArray::number(1000 + i % 60000) + "\tuser\tpass\n");
    }
    for (int i = 0; i < repetitions; ++i) {
        paste.append(pasteThroughWindow(text));
        bare.append(bareInsert(text));
        store.append(loadStoreFile());
        read.append(readStoreFileOnly(storePath));
        exported.append(exportThroughWindow(dir.filePath(QStringLiteral("export.txt"))));
        written.append(oneBufferedWrite(dir.filePath(QStringLiteral("plain.txt"))));
        resort.append(resortAtEndOfRun());
        resortBare.append(bareResort());
    }
    QFile::remove(storePath);
    printRow(QStringLiteral("paste 100,000 lines to rows (ms)"), paste, bare, QStringLiteral("bare QTreeWidget insert"),
             QStringLiteral("<= 1.3x and < 1000 ms"), median(paste) <= 1.3 * median(bare) && median(paste) < 1000);
    printRow(QStringLiteral("export 100,000 OK rows (ms)"), exported, written, QStringLiteral("one buffered write"),
             QStringLiteral("< 200 ms"), median(exported) < 200);
    printRow(QStringLiteral("store file, 100,000 lines (ms)"), store, read, QStringLiteral("read lines, do nothing"),
             QStringLiteral("< 1000 ms"), median(store) < 1000);
    printRow(QStringLiteral("re-sort at end of run, 100,000 rows (ms)"), resort, resortBare,
             QStringLiteral("bare QTreeWidget, same rows"), QStringLiteral("< 300 ms"), median(resort) < 300);
    return 0;
}
