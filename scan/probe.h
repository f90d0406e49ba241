#pragma once

#include <QString>
#include <QStringList>

// A curl invocation: every value of the row is exactly one argument, whatever it holds.
struct ProbeCommand
{
    QString program;
    QStringList arguments;
    QString commandLine; // the invocation as one line of text, for the debug log
};

// Builds the curl command for one proxy and writes its command line to the debug log.
// Credentials are passed only when both are present.
[[nodiscard]] ProbeCommand buildProbeCommand(const QString &host, const QString &port, const QString &user,
                                             const QString &password, const QString &destUrl);

// Runs the command and returns "<ms> ms" when curl's output holds a status line with a
// code from 200 to 399, otherwise "failed". Returns only once curl has ended: after 30 s
// without an end it is killed.
[[nodiscard]] QString runProbe(const ProbeCommand &command);
