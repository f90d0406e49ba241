#pragma once

#include <QString>
#include <QVector>

#include <algorithm>
#include <cstdio>
#include <cstring>

// The pasted text of rows proxies, four fields each.
inline QString benchPastedText(int rows)
{
    QString text;
    text.reserve(rows * 32);
    for (int i = 0; i < rows; ++i)
        text += QStringLiteral("10.%1.%2.%3:%4:user%5:pw%5\n")
                    .arg(i % 200)
                    .arg(i / 256 % 256)
                    .arg(i % 256)
                    .arg(1000 + i % 60000)
                    .arg(i);
    return text;
}

// Repetitions from "-r N" on the command line.
inline int benchRepetitions(int argc, char *argv[], int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-r") == 0)
            return std::max(1, std::atoi(argv[i + 1]));
    return fallback;
}

inline double median(QVector<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline QString spread(const QVector<double> &values)
{
    if (values.isEmpty())
        return QStringLiteral("-");
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return QStringLiteral("%1..%2").arg(*low, 0, 'f', 1).arg(*high, 0, 'f', 1);
}

// One line of the table: figure | median (spread) | comparison median (spread) | ratio | target | met
// A target of "-" marks a row that only shows a comparison.
inline void printRow(const QString &figure, const QVector<double> &values, const QVector<double> &baseline,
                     const QString &baselineName, const QString &target, bool met)
{
    const QString base = baseline.isEmpty() ? QStringLiteral("-")
                                            : QStringLiteral("%1 (%2) %3")
                                                  .arg(median(baseline), 0, 'f', 1)
                                                  .arg(spread(baseline), baselineName);
    const QString ratio = baseline.isEmpty() || median(baseline) == 0
                              ? QStringLiteral("-")
                              : QStringLiteral("%1x").arg(median(values) / median(baseline), 0, 'f', 2);
    std::printf("| %s | %.1f (%s) | %s | %s | %s | %s |\n", qPrintable(figure), median(values),
                qPrintable(spread(values)), qPrintable(base), qPrintable(ratio), qPrintable(target),
                target == QStringLiteral("-") ? "for reference"
                : met                         ? "met"
                                              : "MISSED");
    std::fflush(stdout);
}
