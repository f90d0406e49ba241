#pragma once

#include <QString>
#include <QThread>
#include <QVector>

#include <atomic>

QT_BEGIN_NAMESPACE
class QTreeWidget;
class QTreeWidgetItem;
QT_END_NAMESPACE

// Rows counted by the window when a run starts: the divisor of the run's progress.
extern int proxyCount;

// The worker of one test run: probes every row in table order and reports each state.
class ScanThread : public QThread
{
    Q_OBJECT

public:
    // A row as the window saw it when the run started; the worker never reads widgets.
    struct Row
    {
        QTreeWidgetItem *item = nullptr;
        QString host;
        QString port;
        QString user;
        QString password;
    };

    explicit ScanThread(QObject *parent = nullptr);
    ~ScanThread() override;

    std::atomic_bool stopRequested{false};
    QTreeWidget *listView = nullptr;
    QString destUrl;
    QVector<Row> rows;

signals:
    void stateChanged(int progress, QTreeWidgetItem *row, const QString &state);

protected:
    void run() override;

private:
    void probeRows();

    // Set last thing in run(): Qt hands a thread's end to wait() through a futex that race
    // detectors cannot see, so the destructor orders itself after the worker on this flag.
    std::atomic_bool rowsDone{false};
};
