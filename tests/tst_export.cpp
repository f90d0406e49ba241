#include "guidriver.h"
#include "mainwindow.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <csignal>

namespace {

// Answers every modal window while it lives: save dialogs with the next queued name (an
// empty name cancels), replacement questions with Yes; warnings are recorded and closed.
class ModalAnswerer : public QObject
{
public:
    ModalAnswerer()
    {
        // Answers are queued: a modal opened by an answer runs its loop inside that answer,
        // and a timer is not fired again while its own handler runs.
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible() && modal != m_answered) {
                m_answered = modal;
                QMetaObject::invokeMethod(
                    this, [this, modal] { answer(modal); }, Qt::QueuedConnection);
            }
        });
        m_timer.start(10);
    }

    QStringList names;
    int shown = 0;
    QString title;
    QString startDir;
    QStringList filters;
    QString warning;

private:
    void answer(QWidget *modal)
    {
        if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            ++shown;
            title = dialog->windowTitle();
            startDir = dialog->directory().absolutePath();
            filters = dialog->nameFilters();
            const QString name = names.isEmpty() ? QString() : names.takeFirst();
            if (name.isEmpty()) {
                dialog->reject();
                return;
            }
            auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            edit->setText(name);
            QTest::keyClick(edit, Qt::Key_Return);
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            if (box->standardButtons() & QMessageBox::Yes) {
                box->button(QMessageBox::Yes)->click();
            } else {
                warning = box->text();
                box->button(QMessageBox::Ok)->click();
            }
        }
    }

    QTimer m_timer;
    QPointer<QWidget> m_answered;
};

QTreeWidgetItem *addRow(QTreeWidget *table, const QStringList &texts)
{
    return new QTreeWidgetItem(table, texts);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void nothingWorkingShowsNoDialog_data();
    void nothingWorkingShowsNoDialog();
    void writesWorkingRowsInTableOrder();
    void replacesExistingFileAndKeepsName();
    void cancelWritesNothingAndKeepsDirectory();
    void unwritableTargetKeepsOldFileAndWarns();
    void fullDiskWarns();

private:
    QTemporaryDir m_dir;
};

void TestExport::nothingWorkingShowsNoDialog_data()
{
    QTest::addColumn<QStringList>("statuses");
    QTest::newRow("empty table") << QStringList{};
    QTest::newRow("never tested") << QStringList{QString(), QString()};
    QTest::newRow("all failed or checking") << QStringList{QStringLiteral("failed"), QStringLiteral("checking"),
                                                           QStringLiteral("ok"), QStringLiteral("OK ")};
}

void TestExport::nothingWorkingShowsNoDialog()
{
    QFETCH(QStringList, statuses);
    MainWindow window;
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    for (const QString &status : statuses)
        addRow(table, {QStringLiteral("h"), QStringLiteral("1"), QString(), QString(), status});
    ModalAnswerer seen;
    seen.names = QStringList{m_dir.filePath(QStringLiteral("never.txt"))};
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("exportButton")), Qt::LeftButton);
    QCOMPARE(seen.shown, 0); // a dialog would have been answered inside the click
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("never.txt"))));
}

void TestExport::writesWorkingRowsInTableOrder()
{
    MainWindow window;
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    addRow(table, {QStringLiteral("b.example"), QStringLiteral("2"), QStringLiteral("bob"), QStringLiteral("pw"),
                   QStringLiteral("OK"), QStringLiteral("9 ms")});
    addRow(table, {QStringLiteral("a.example"), QStringLiteral("3"), QString(), QString(), QStringLiteral("OK"),
                   QStringLiteral("5 ms")});
    addRow(table, {QStringLiteral("c.example"), QStringLiteral("1"), QString(), QString(), QStringLiteral("failed")});
    addRow(table, {QStringLiteral("http://d"), QStringLiteral("4"), QStringLiteral("only-user"), QString(),
                   QStringLiteral("OK"), QStringLiteral("7 ms")});
    addRow(table, {QStringLiteral("e"), QStringLiteral("5"), QString(), QStringLiteral("only-pass"),
                   QStringLiteral("OK"), QStringLiteral("8 ms")});
    addRow(table, {QStringLiteral("f"), QStringLiteral("6"), QString(), QString(), QStringLiteral("checking"),
                   QStringLiteral("calculating")});
    table->sortByColumn(1, Qt::AscendingOrder); // by PORT: the order the file must follow

    ModalAnswerer seen;
    const QString target = m_dir.filePath(QStringLiteral("working.txt"));
    seen.names = QStringList{target};
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("exportButton")), Qt::LeftButton);
    QCOMPARE(seen.shown, 1);
    QCOMPARE(seen.title, QStringLiteral("export file name"));
    QCOMPARE(seen.startDir, QFileInfo(QCoreApplication::applicationDirPath()).absoluteFilePath());
    QCOMPARE(seen.filters, QStringList{QStringLiteral("Text file (*.txt)")});
    QCOMPARE(seen.warning, QString());
    QCOMPARE(readAll(target), QByteArray("b.example:2:bob:pw\na.example:3\nhttp://d:4:only-user:\ne:5::only-pass\n"));

    // The next dialog starts where the last file went.
    table->sortByColumn(1, Qt::DescendingOrder);
    const QString second = m_dir.filePath(QStringLiteral("sub/second.txt"));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("sub")));
    seen.names = QStringList{second};
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("exportButton")), Qt::LeftButton);
    QCOMPARE(seen.shown, 2);
    QCOMPARE(seen.startDir, QFileInfo(m_dir.path()).absoluteFilePath());
    QCOMPARE(readAll(second), QByteArray("e:5::only-pass\nhttp://d:4:only-user:\na.example:3\nb.example:2:bob:pw\n"));
}

void TestExport::replacesExistingFileAndKeepsName()
{
    MainWindow window;
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    addRow(table, {QStringLiteral("h"), QStringLiteral("1"), QString(), QString(), QStringLiteral("OK")});
    const QString target = m_dir.filePath(QStringLiteral("no-extension"));
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(5000, 'x'));
    }
    ModalAnswerer seen;
    seen.names = QStringList{target};
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("exportButton")), Qt::LeftButton);
    QCOMPARE(seen.shown, 1);
    QCOMPARE(readAll(target), QByteArray("h:1\n"));
    QVERIFY(!QFile::exists(target + QStringLiteral(".txt")));
}

void TestExport::cancelWritesNothingAndKeepsDirectory()
{
    MainWindow window;
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    addRow(table, {QStringLiteral("h"), QStringLiteral("1"), QString(), QString(), QStringLiteral("OK")});
    ModalAnswerer seen;
    const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::Files);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("exportButton")), Qt::LeftButton);
    QCOMPARE(seen.shown, 1);
    const QString firstDir = seen.startDir;
    QCOMPARE(firstDir, QFileInfo(QCoreApplication::applicationDirPath()).absoluteFilePath());
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), filesBefore);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("exportButton")), Qt::LeftButton);
    QCOMPARE(seen.startDir, firstDir);
    QCOMPARE(seen.shown, 2);
}

void TestExport::unwritableTargetKeepsOldFileAndWarns()
{
    MainWindow window;
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    for (int i = 0; i < 2000; ++i)
        addRow(table, {QStringLiteral("10.0.0.%1").arg(i), QStringLiteral("8080"), QString(), QString(),
                       QStringLiteral("OK")});
    const QString target = m_dir.filePath(QStringLiteral("kept.txt"));
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous results\n");
    }
    // A file size limit makes every write past 1 KiB fail, even for root.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    ModalAnswerer seen;
    seen.names = QStringList{target};
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("exportButton")), Qt::LeftButton);
    setrlimit(RLIMIT_FSIZE, &saved);
    QCOMPARE(seen.shown, 1);
    QCOMPARE(readAll(target), QByteArray("previous results\n"));
    QVERIFY2(seen.warning.contains(target), qPrintable(seen.warning));
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("kept.txt*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("kept.txt")}); // no temporary file left behind
}

void TestExport::fullDiskWarns()
{
    // A device like /dev/full, made in the test's own folder: always full, and were the
    // export to replace the node instead of writing to it, only this copy would suffer.
    const QString full = m_dir.filePath(QStringLiteral("full"));
    if (::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        QSKIP("cannot make a device node here (needs root)");
    MainWindow window;
    auto *table = window.findChild<QTreeWidget *>(QStringLiteral("proxyListView"));
    addRow(table, {QStringLiteral("h"), QStringLiteral("1"), QString(), QString(), QStringLiteral("OK")});
    ModalAnswerer seen;
    seen.names = QStringList{full};
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("exportButton")), Qt::LeftButton);
    QCOMPARE(seen.shown, 1);
    QVERIFY2(seen.warning.contains(full), qPrintable(seen.warning));
    QVERIFY(!QFileInfo(full).isFile()); // still the device
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
