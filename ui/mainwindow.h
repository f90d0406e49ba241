#pragma once

#include <QMainWindow>
#include <QString>

QT_BEGIN_NAMESPACE
class QTreeWidgetItem;
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

class ScanThread;

// The one window: destination URL, proxy table and the four actions on it.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private slots:
    void on_importButton_clicked();
    void on_testButton_clicked();
    void slotScanThreadFinished();
    void slotUIStateChanged(int progress, QTreeWidgetItem *row, const QString &state);
    void slotImportFromFile();
    void slotInputNewProxy();
    void on_pushButton_clicked();
    void on_exportButton_clicked();

private:
    void fitColumnsToTable();

    ScanThread *scanThread = nullptr;
    Ui::MainWindow *ui;
    QString lastExportDir; // in memory only: each process starts in the application's directory
};
