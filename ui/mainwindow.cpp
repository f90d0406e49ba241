#include "mainwindow.h"

#include "exportline.h"
#include "fontloader.h"
#include "inputproxydialog.h"
#include "proxytext.h"
#include "scanthread.h"
#include "storefile.h"
#include "ui_mainwindow.h"

#include <QBrush>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QTreeWidgetItemIterator>

#include <cstdio>
#include <cstdlib>

namespace {

enum Column { IpColumn, PortColumn, UserColumn, PassColumn, StatusColumn, SpeedColumn, ColumnCount };

const QString okText = QStringLiteral("OK");
const QString failedText = QStringLiteral("failed");
const QString checkingText = QStringLiteral("checking");

constexpr int initialColumnWidth = 158;

// Replaces a file whole or leaves it exactly as it was. A device or pipe is written in
// place: replacing it would put a plain file where the device was.
bool writeWholeFile(const QString &fileName, const QByteArray &bytes, QString *error)
{
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile()) {
        QFile file(fileName);
        const bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
        *error = file.errorString();
        return ok;
    }
    QSaveFile file(fileName);
    // A short write (a full disk, a size limit) is as much a failure as an error.
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = file.errorString();
    file.cancelWriting();
    return false;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);

    const QString bold = QStringLiteral(":/plumel-bold-webfont.ttf");
    const QString regular = QStringLiteral(":/plumel-regular-webfont.ttf");
    ui->destUrlTItleLabel->setFont(loadResourceFont(bold, 16));
    ui->importButton->setFont(loadResourceFont(bold, 14));
    ui->exportButton->setFont(loadResourceFont(bold, 14));
    ui->testButton->setFont(loadResourceFont(bold, 14));
    ui->pushButton->setFont(loadResourceFont(bold, 14));
    ui->destUrlLineEdit->setFont(loadResourceFont(regular, 14));

    QHeaderView *header = ui->proxyListView->header();
    header->setStyleSheet(QStringLiteral(
        "QHeaderView::section{ background-color: white; color: black;padding-left: 4px;border-style:none;}"));
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setFont(loadResourceFont(bold, 15));
    ui->proxyListView->setFont(loadResourceFont(regular, 12));
    ui->progressBar->hide();
    header->setMinimumHeight(48);
    scanThread = nullptr;
    for (int column = 0; column < ColumnCount; ++column)
        ui->proxyListView->setColumnWidth(column, initialColumnWidth);
}

MainWindow::~MainWindow()
{
    if (scanThread) {
        // Not terminate(): cancelling the thread mid-probe unwinds through QProcess and
        // crashes. The worker stops at its next stop point, after the probe in flight,
        // which curl's own time limit bounds; it is a child of this window and must not
        // be destroyed while it runs.
        scanThread->stopRequested = true;
        scanThread->wait();
    }
    delete ui;
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    fitColumnsToTable();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    fitColumnsToTable();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (scanThread) {
        // A worker may be inside Qt at any moment: running the exit handlers and static
        // destructors under it can crash. End at once; curl ends by its own time limit.
        std::fflush(nullptr);
        std::_Exit(0);
    }
    std::exit(0); // NOLINT(concurrency-mt-unsafe): no other thread runs now
}

void MainWindow::fitColumnsToTable()
{
    const int width = ui->proxyListView->width() / ColumnCount;
    for (int column = 0; column < ColumnCount; ++column)
        ui->proxyListView->setColumnWidth(column, width);
}

void MainWindow::on_importButton_clicked()
{
    slotInputNewProxy();
}

void MainWindow::slotInputNewProxy()
{
    QString text;
    {
        // Gone before the rows are built: the dialog's document of a long paste is as large
        // as the rows, and its memory can then hold them instead.
        InputProxyDialog dialog(this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        text = dialog.getProxyText();
    }
    const QVector<ProxyRecord> records = parseProxyText(text);
    text.clear();
    QTreeWidget *table = ui->proxyListView;
    table->clearSelection();
    if (records.isEmpty())
        return;

    QList<QTreeWidgetItem *> rows;
    rows.reserve(records.size());
    for (const ProxyRecord &record : records) {
        auto *row = record.fourFields
                        ? new QTreeWidgetItem(QStringList{record.host, record.port, record.user, record.password})
                        : new QTreeWidgetItem(QStringList{record.host, record.port});
        for (int column = 0; column < ColumnCount; ++column)
            row->setTextAlignment(column, Qt::AlignCenter);
        rows.append(row);
    }
    // One sort for the whole paste: inserting row by row into a sorted table is quadratic.
    const bool sorting = table->isSortingEnabled();
    table->setSortingEnabled(false);
    table->addTopLevelItems(rows);
    table->setSortingEnabled(sorting);
}

void MainWindow::on_pushButton_clicked()
{
    ui->proxyListView->clear();
}

void MainWindow::slotImportFromFile()
{
    // Clearing would delete the rows a running worker reports on.
    if (scanThread)
        return;
    QTreeWidget *table = ui->proxyListView;
    table->clear();
    QFile file(storeFilePath(QCoreApplication::applicationDirPath()));
    if (!file.open(QIODevice::ReadOnly))
        return;
    QList<QTreeWidgetItem *> rows;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (line.isEmpty())
            break; // a read error: stop rather than loop without end
        const StoreRow cells = parseStoreLine(line);
        auto *row = new QTreeWidgetItem;
        row->setText(IpColumn, cells.ip);
        row->setText(PassColumn, cells.pass);
        rows.append(row);
    }
    const bool sorting = table->isSortingEnabled();
    table->setSortingEnabled(false);
    table->addTopLevelItems(rows);
    table->setSortingEnabled(sorting);
}

void MainWindow::on_exportButton_clicked()
{
    QTreeWidget *table = ui->proxyListView;
    bool anyWorking = false;
    for (QTreeWidgetItemIterator it(table); *it; ++it) {
        if ((*it)->text(StatusColumn) == okText) {
            anyWorking = true;
            break;
        }
    }
    if (!anyWorking)
        return;

    if (lastExportDir.isEmpty())
        lastExportDir = QCoreApplication::applicationDirPath();
    const QString fileName = QFileDialog::getSaveFileName(this, QStringLiteral("export file name"), lastExportDir,
                                                          QStringLiteral("Text file (*.txt)"));
    if (fileName.isEmpty())
        return;
    lastExportDir = QFileInfo(fileName).absolutePath();

    QString text;
    for (QTreeWidgetItemIterator it(table); *it; ++it) {
        const QTreeWidgetItem *row = *it;
        if (row->text(StatusColumn) == okText)
            text += exportLine(row->text(IpColumn), row->text(PortColumn), row->text(UserColumn),
                               row->text(PassColumn));
    }
    // The results live nowhere else: replace the file whole or not at all, and say so.
    const QByteArray bytes = text.toLocal8Bit();
    QString error;
    if (!writeWholeFile(fileName, bytes, &error))
        QMessageBox::warning(this, QString(),
                             QStringLiteral("Could not save %1:\n%2").arg(QDir::toNativeSeparators(fileName), error));
}

void MainWindow::on_testButton_clicked()
{
    const QString url = ui->destUrlLineEdit->text();
    if (url.isEmpty()) {
        QMessageBox::warning(this, QString(), QStringLiteral("please input destination url"), QMessageBox::Ok,
                             QMessageBox::NoButton);
        return;
    }
    if (scanThread) {
        scanThread->stopRequested = true;
        return;
    }

    ui->destUrlLineEdit->setEnabled(false);
    ui->importButton->setEnabled(false);
    ui->exportButton->setEnabled(false);
    ui->pushButton->setEnabled(false);

    scanThread = new ScanThread(this);
    connect(scanThread, SIGNAL(finished()), this, SLOT(slotScanThreadFinished()));
    scanThread->destUrl = url;
    scanThread->listView = ui->proxyListView;
    // clang-format off
    connect(scanThread, SIGNAL(stateChanged(int,QTreeWidgetItem*,const QString&)), this,
            SLOT(slotUIStateChanged(int,QTreeWidgetItem*,const QString&)));
    // clang-format on
    ui->progressBar->setValue(0);
    ui->progressBar->show();

    // Sorting goes off before the results are cleared: with the table sorted by STATUS or
    // SPEED, clearing them would move rows under the iterator and skip or repeat some.
    QTreeWidget *table = ui->proxyListView;
    table->setSortingEnabled(false);
    proxyCount = 0;
    QVector<ScanThread::Row> rows;
    rows.reserve(table->topLevelItemCount());
    {
        // No change notice per cell: on large tables the notices froze the window for seconds.
        const QSignalBlocker quiet(table->model());
        for (QTreeWidgetItemIterator it(table); *it; ++it) {
            QTreeWidgetItem *row = *it;
            if (!row->text(StatusColumn).isEmpty())
                row->setText(StatusColumn, QString());
            if (!row->text(SpeedColumn).isEmpty())
                row->setText(SpeedColumn, QString());
            rows.append(
                {row, row->text(IpColumn), row->text(PortColumn), row->text(UserColumn), row->text(PassColumn)});
            ++proxyCount;
        }
    }
    // Emptied cells keep their rows' heights: repainting is all the view needs.
    table->viewport()->update();
    // The worker reads this copy, never the widgets.
    scanThread->rows = rows;
    scanThread->start();
    ui->testButton->setText(QStringLiteral("Stop"));
}

void MainWindow::slotUIStateChanged(int progress, QTreeWidgetItem *row, const QString &state)
{
    ui->progressBar->setValue(progress);
    QColor colour;
    if (state == failedText) {
        row->setText(StatusColumn, state);
        row->setText(SpeedColumn, QString());
        colour = QColor(255, 0, 0, 255);
    } else if (state == checkingText) {
        row->setText(StatusColumn, state);
        row->setText(SpeedColumn, QStringLiteral("calculating"));
        colour = QColor(0, 0, 0, 255);
    } else {
        row->setText(StatusColumn, okText);
        row->setText(SpeedColumn, state);
        colour = QColor(0, 192, 0, 255);
    }
    row->setForeground(StatusColumn, QBrush(colour, Qt::SolidPattern));
    QTreeWidget *table = ui->proxyListView;
    table->clearSelection();
    if (row->treeWidget())
        row->setSelected(true);
    table->scrollToItem(row, QAbstractItemView::EnsureVisible);
}

void MainWindow::slotScanThreadFinished()
{
    if (!scanThread)
        return;
    scanThread->wait();
    ui->testButton->setText(QStringLiteral("TEST PROXIES"));
    delete scanThread;
    scanThread = nullptr;
    ui->destUrlLineEdit->setEnabled(true);
    ui->importButton->setEnabled(true);
    ui->exportButton->setEnabled(true);
    ui->pushButton->setEnabled(true);
    ui->progressBar->hide();
    ui->proxyListView->setSortingEnabled(true);
}
