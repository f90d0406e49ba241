// Pasted text: accepted records obey the line rules, and each one exported and parsed
// again gives the same record.
#include "exportline.h"
#include "proxytext.h"

#include <QStringList>

#include "fuzzcheck.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool hasColonOutsideScheme(const QString &text)
{
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char(':')) {
            if (text.midRef(i, 3) != QLatin1String("://"))
                return true;
            i += 2;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Odd first byte: the bytes are UTF-16 code units as they are, lone surrogates included.
    const bool utf16 = size > 0 && (data[0] & 1);
    const QString text = utf16 ? QString(reinterpret_cast<const QChar *>(data + 1), int((size - 1) / 2))
                               : QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const QVector<ProxyRecord> records = parseProxyText(text);
    check(records.size() <= text.count(QLatin1Char('\n')) + 1);
    for (const ProxyRecord &r : records) {
        check(!r.host.isEmpty() && !r.port.isEmpty());
        check(r.user.isEmpty() == r.password.isEmpty());
        check(r.fourFields || r.user.isEmpty());
        for (const QString *field : {&r.host, &r.port, &r.user, &r.password})
            check(!field->contains(QLatin1Char('\n')));
        check(!hasColonOutsideScheme(r.host));
        check(!r.port.contains(QLatin1Char(':')) && !r.user.contains(QLatin1Char(':')) &&
              !r.password.contains(QLatin1Char(':')));

        const QString line = exportLine(r.host, r.port, r.user, r.password);
        check(line.endsWith(QLatin1Char('\n')));
        const QVector<ProxyRecord> again = parseProxyText(line);
        check(again.size() == 1);
        check(again.first().host == r.host && again.first().port == r.port && again.first().user == r.user &&
              again.first().password == r.password);
    }
    // Lines are independent: parsing them one at a time gives the same records.
    QVector<ProxyRecord> oneByOne;
    for (const QString &line : text.split(QLatin1Char('\n')))
        oneByOne += parseProxyText(line);
    check(oneByOne == records);
    return 0;
}
