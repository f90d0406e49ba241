#include "proxytext.h"

namespace {

const QString schemeSeparator = QStringLiteral("://");
const QString protectedSeparator = QStringLiteral("_//");

bool isSchemeSeparatorAt(const QStringRef &line, int i)
{
    return i + 2 < line.size() && line.at(i + 1) == QLatin1Char('/') && line.at(i + 2) == QLatin1Char('/');
}

void parseLine(const QStringRef &line, QVector<ProxyRecord> &records)
{
    // Field boundaries; a fifth field already rules the line out, so a huge line costs one scan.
    int separators[4];
    int count = 0;
    for (int i = 0; i < line.size(); ++i) {
        if (line.at(i) != QLatin1Char(':'))
            continue;
        if (isSchemeSeparatorAt(line, i)) {
            i += 2;
            continue;
        }
        if (count == 4)
            return;
        separators[count++] = i;
    }
    if (count != 1 && count != 3)
        return;

    auto field = [&](int index) {
        const int begin = index == 0 ? 0 : separators[index - 1] + 1;
        const int end = index == count ? line.size() : separators[index];
        return line.mid(begin, end - begin).toString();
    };
    ProxyRecord record;
    record.host = field(0);
    record.port = field(1);
    if (record.host.isEmpty() || record.port.isEmpty())
        return;
    // The host keeps its "://"; elsewhere the protected form stays, as typed text would.
    record.host.replace(protectedSeparator, schemeSeparator);
    record.port.replace(schemeSeparator, protectedSeparator);
    if (count == 3) {
        record.fourFields = true;
        record.user = field(2);
        record.password = field(3);
        if (record.user.isEmpty() || record.password.isEmpty()) {
            record.user.clear();
            record.password.clear();
        }
        record.user.replace(schemeSeparator, protectedSeparator);
        record.password.replace(schemeSeparator, protectedSeparator);
    }
    records.append(record);
}

} // namespace

QVector<ProxyRecord> parseProxyText(const QString &text)
{
    QVector<ProxyRecord> records;
    int start = 0;
    for (;;) {
        const int end = text.indexOf(QLatin1Char('\n'), start);
        parseLine(text.midRef(start, (end < 0 ? text.size() : end) - start), records);
        if (end < 0)
            break;
        start = end + 1;
    }
    return records;
}
