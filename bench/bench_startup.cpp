// Start-up: from starting the program to its first frame, for the real program and for an
// empty QMainWindow program, both with the first-frame hook preloaded.
#include "benchutil.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <ctime>

namespace {

qint64 monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Milliseconds to the first frame, or a negative value if the program did not show one.
double startUp(const QString &program)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(FIRSTFRAME_PATH));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    const qint64 start = monotonicNanoseconds();
    child.start(program, QStringList());
    if (!child.waitForFinished(30000)) {
        child.kill();
        child.waitForFinished();
        return -1;
    }
    bool ok = false;
    const qint64 frame = child.readAllStandardOutput().trimmed().toLongLong(&ok);
    return ok ? double(frame - start) / 1e6 : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int repetitions = benchRepetitions(argc, argv, 10);
    // Once each first, so that both start from a warm file cache.
    startUp(QStringLiteral(APP_PATH));
    startUp(QStringLiteral(MINIMAL_PATH));
    QVector<double> program;
    QVector<double> minimal;
    for (int i = 0; i < repetitions; ++i) {
        program.append(startUp(QStringLiteral(APP_PATH)));
        minimal.append(startUp(QStringLiteral(MINIMAL_PATH)));
    }
    if (*std::min_element(program.begin(), program.end()) < 0 ||
        *std::min_element(minimal.begin(), minimal.end()) < 0) {
        std::fprintf(stderr, "a program showed no frame\n");
        return 1;
    }
    // The target is for a frame shown on a display; without one (the offscreen platform) the
    // comparison has no connection to set up and the row is only for reference.
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb"));
    const bool display = platform != QStringLiteral("offscreen");
    printRow(QStringLiteral("start-up to first frame, %1 (ms)").arg(display ? QStringLiteral("X11 display") : platform),
             program, minimal, QStringLiteral("minimal QMainWindow"),
             display ? QStringLiteral("<= 1.5x") : QStringLiteral("-"), median(program) <= 1.5 * median(minimal));
    return 0;
}
