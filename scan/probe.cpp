#include "probe.h"

#include "statusclassifier.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QVector>
#include <QtDebug>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <vector>

extern char **environ; // NOLINT(readability-redundant-declaration): not declared by every libc header

namespace {

constexpr int probeTimeoutMs = 30000; // curl's own limit is 8 s: this is the backstop

// Replaces %1..%9 by their values in one pass, so a value that holds a marker goes in literally.
QString substitute(const QString &word, const QVector<QString> &values)
{
    QString out;
    out.reserve(word.size());
    for (int i = 0; i < word.size(); ++i) {
        const QChar c = word.at(i);
        if (c == QLatin1Char('%') && i + 1 < word.size()) {
            const int index = word.at(i + 1).digitValue();
            if (index >= 1 && index <= values.size()) {
                out += values.at(index - 1);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

// Reaps the child once it has exited; false if the deadline came first.
bool reapBefore(pid_t pid, const QDeadlineTimer &deadline)
{
    // A pidfd turns readable when the process ends, so no polling interval is added to every
    // probe; kernels without one fall back to short sleeps.
#ifdef SYS_pidfd_open
    const int exited = int(::syscall(SYS_pidfd_open, pid, 0));
#else
    const int exited = -1;
#endif
    bool reaped = false;
    while (!deadline.hasExpired()) {
        const pid_t result = ::waitpid(pid, nullptr, WNOHANG);
        if (result == pid || (result < 0 && errno != EINTR)) {
            reaped = result == pid;
            break;
        }
        if (exited >= 0) {
            pollfd ready{exited, POLLIN, 0};
            ::poll(&ready, 1, int(qMin<qint64>(deadline.remainingTime(), 1000)));
        } else {
            ::usleep(500);
        }
    }
    if (exited >= 0)
        ::close(exited);
    return reaped;
}

} // namespace

ProbeCommand buildProbeCommand(const QString &host, const QString &port, const QString &user, const QString &password,
                               const QString &destUrl)
{
    const bool withCredentials = !user.isEmpty() && !password.isEmpty();
    const QString templateText = withCredentials ? QStringLiteral("curl -ivvs -m 8 -x %1:%2 --proxy-user %3:%4 %5")
                                                 : QStringLiteral("curl -ivvs -m 8 -x %1:%2 %3 --proxy-anyauth");
    const QVector<QString> values = withCredentials ? QVector<QString>{host, port, user, password, destUrl}
                                                    : QVector<QString>{host, port, destUrl};
    ProbeCommand command;
    const QStringList words = templateText.split(QLatin1Char(' '));
    for (const QString &word : words)
        command.arguments.append(substitute(word, values));
    command.program = command.arguments.takeFirst();
    command.commandLine = substitute(templateText, values);
    // Literal text: a "%" in a URL is printed, never read as a format directive.
    qDebug("%s", command.commandLine.toLatin1().constData());
    return command;
}

QString runProbe(const ProbeCommand &command)
{
    // Monotonic: the time of day can jump or wrap at midnight.
    QElapsedTimer timer;
    timer.start();
    StatusClassifier classifier;

    // posix_spawn, not QProcess: it does not copy the page tables of this large process for
    // every probe, which cost more than curl itself on big tables.
    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0)
        return QStringLiteral("failed");
    const QByteArray program = QFile::encodeName(command.program);
    QVector<QByteArray> arguments{program};
    for (const QString &argument : command.arguments)
        arguments.append(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    // curl's trace is never read; discarding it keeps it out of memory.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);

    if (spawned == 0) {
        // Classify as the output arrives, so a body that never ends is never held.
        const QDeadlineTimer deadline(probeTimeoutMs);
        char chunk[16384];
        bool ended = false;
        while (!ended && !deadline.hasExpired()) {
            pollfd ready{output[0], POLLIN, 0};
            const int polled = ::poll(&ready, 1, int(qMin<qint64>(deadline.remainingTime(), 1000)));
            if (polled < 0 && errno != EINTR)
                break;
            if (polled <= 0)
                continue;
            const ssize_t n = ::read(output[0], chunk, sizeof chunk);
            if (n > 0)
                classifier.feed(chunk, n);
            else if (n == 0 || errno != EINTR)
                ended = true; // curl closed its output: it has ended or is ending
        }
        // The next probe must not start while this curl still runs.
        if (!ended || !reapBefore(pid, deadline)) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) { }
        }
    }
    ::close(output[0]);
    const qint64 elapsedMs = timer.elapsed();
    if (!classifier.succeeded())
        return QStringLiteral("failed");
    return QStringLiteral("%1 ms").arg(elapsedMs);
}
