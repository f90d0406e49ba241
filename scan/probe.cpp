#include "probe.h"

#include "statusclassifier.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QVector>
#include <QtDebug>

namespace {

constexpr int startTimeoutMs = 30000;
constexpr int finishTimeoutMs = 30000;

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

QString runProbe(QProcess &process, const ProbeCommand &command)
{
    // Monotonic: the time of day can jump or wrap at midnight.
    QElapsedTimer timer;
    timer.start();
    StatusClassifier classifier;
    process.setReadChannel(QProcess::StandardOutput);
    // curl's trace is never read; discarding it keeps it out of memory.
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(command.program, command.arguments, QIODevice::ReadWrite);
    if (process.waitForStarted(startTimeoutMs)) {
        // Classify as the output arrives, so a body that never ends is never held.
        const QDeadlineTimer deadline(finishTimeoutMs);
        char chunk[16384];
        for (;;) {
            const bool more = process.waitForReadyRead(int(deadline.remainingTime()));
            for (qint64 n; (n = process.read(chunk, sizeof chunk)) > 0;)
                classifier.feed(chunk, n);
            if (!more || deadline.hasExpired())
                break;
        }
    }
    const qint64 elapsedMs = timer.elapsed();
    process.kill();
    // The next probe starts the same process object: it must have ended first.
    process.waitForFinished(finishTimeoutMs);
    if (!classifier.succeeded())
        return QStringLiteral("failed");
    return QStringLiteral("%1 ms").arg(elapsedMs);
}
