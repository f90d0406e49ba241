// Peak resident memory, each case in a process of its own: 100,000 rows in the window
// against a bare QTreeWidget, and a probe meeting an endless body against the idle window.
#include "../tests/fixtures/guidriver.h"
#include "benchrows.h"
#include "benchutil.h"
#include "loopbacknet.h"
#include "mainwindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QTreeWidget>

#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr int rowCount = 100000;

double peakResidentMiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return -1;
}

int measure(const QString &mode, const QStringList &args)
{
    if (mode == QStringLiteral("table")) {
        MainWindow window;
        window.show();
        const QString text = benchPastedText(rowCount);
        submitProxiesWhenAsked(text);
        window.findChild<QPushButton *>(QStringLiteral("importButton"))->click();
        QCoreApplication::processEvents();
    } else if (mode == QStringLiteral("bare") || mode == QStringLiteral("bare-text")) {
        QTreeWidget tree;
        tree.setColumnCount(6);
        tree.setSortingEnabled(true);
        tree.show();
        const QString text = benchPastedText(rowCount);
        QList<QTreeWidgetItem *> items;
        const bool sameCells = mode == QStringLiteral("bare");
        for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList fields = line.split(QLatin1Char(':'));
            items.append(sameCells ? benchPastedRow(fields) : new QTreeWidgetItem(fields));
        }
        tree.setSortingEnabled(false);
        tree.addTopLevelItems(items);
        tree.setSortingEnabled(true);
        QCoreApplication::processEvents();
    } else if (mode == QStringLiteral("idle") || mode == QStringLiteral("endless")) {
        MainWindow window;
        window.show();
        QCoreApplication::processEvents();
        if (mode == QStringLiteral("endless")) {
            window.findChild<QLineEdit *>(QStringLiteral("destUrlLineEdit"))->setText(args.value(0));
            auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
            new QTreeWidgetItem(table, {QStringLiteral("127.0.0.1"), args.value(1)});
            window.findChild<QPushButton *>(QStringLiteral("testButton"))->click();
            auto *progress = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
            while (!progress->isHidden())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
    std::printf("%.1f\n", peakResidentMiB());
    return 0;
}

QVector<double> run(const QString &mode, const QStringList &extra, int repetitions)
{
    QVector<double> values;
    for (int i = 0; i < repetitions; ++i) {
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--measure"), mode} + extra);
        child.waitForFinished(-1);
        values.append(child.readAllStandardOutput().trimmed().toDouble());
    }
    return values;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    if (argc > 2 && std::strcmp(argv[1], "--measure") == 0)
        return measure(QString::fromLatin1(argv[2]), QCoreApplication::arguments().mid(3));
    const int repetitions = benchRepetitions(argc, argv, 3);
    const QVector<double> table = run(QStringLiteral("table"), {}, repetitions);
    const QVector<double> bare = run(QStringLiteral("bare"), {}, repetitions);
    printRow(QStringLiteral("peak RSS, 100,000 rows (MiB)"), table, bare,
             QStringLiteral("bare QTreeWidget, same cells"), QStringLiteral("<= 1.3x"),
             median(table) <= 1.3 * median(bare));
    const QVector<double> bareText = run(QStringLiteral("bare-text"), {}, repetitions);
    printRow(QStringLiteral("peak RSS, 100,000 rows (MiB)"), table, bareText,
             QStringLiteral("bare QTreeWidget, texts only"), QStringLiteral("-"), true);
    LoopbackNet net;
    if (!net.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(net.error()));
        return 1;
    }
    const QVector<double> endless = run(
        QStringLiteral("endless"), {net.destUrl(), QString::number(net.port(QStringLiteral("endless")))}, repetitions);
    const QVector<double> idle = run(QStringLiteral("idle"), {}, repetitions);
    printRow(QStringLiteral("peak RSS, endless body for 8 s (MiB)"), endless, idle, QStringLiteral("idle window"),
             QStringLiteral("< +64 MiB"), median(endless) - median(idle) < 64);
    return 0;
}
