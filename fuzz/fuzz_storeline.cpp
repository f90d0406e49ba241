// Store-file lines and the store-file path: no read past the fields, NUL ends the text,
// and the path always names proxs.dat inside the directory it was given.
#include "storefile.h"

#include "fuzzcheck.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray line(reinterpret_cast<const char *>(data), int(size));
    const StoreRow row = parseStoreLine(line);
    check(!row.ip.contains(QLatin1Char('\n')) && !row.pass.contains(QLatin1Char('\n')));
    check(row.ip.contains(QLatin1String(" : ")));
    check(!row.pass.contains(QLatin1Char('\t')));

    const int nul = line.indexOf('\0');
    const QByteArray beforeNul = nul < 0 ? line : line.left(nul);
    const StoreRow same = parseStoreLine(beforeNul);
    check(same.ip == row.ip && same.pass == row.pass);

    const QString text = QString::fromUtf8(beforeNul).remove(QLatin1Char('\n'));
    check(text.endsWith(row.pass));
    check(text.startsWith(text.section(QLatin1Char('\t'), 0, 0)));
    check(row.ip.startsWith(text.section(QLatin1Char('\t'), 0, 0) + QLatin1String(" : ")));

    const QString dir = QLatin1Char('/') + QString::fromUtf8(line);
    const QString path = storeFilePath(dir);
    check(path.endsWith(QLatin1String("/proxs.dat")));
    check(dir.startsWith(path.left(path.size() - int(std::strlen("/proxs.dat")))));
    return 0;
}
