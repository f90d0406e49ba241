#include "storefile.h"

#include <QStringList>

#include <cstring>

QString storeFilePath(const QString &applicationDirPath)
{
    QString dir = applicationDirPath;
    const int bundle = dir.indexOf(QLatin1String(".app/"));
    if (bundle > 0) {
        dir.truncate(bundle);
        dir.truncate(dir.lastIndexOf(QLatin1Char('/')));
    }
    return dir + QLatin1String("/proxs.dat");
}

StoreRow parseStoreLine(const QByteArray &line)
{
    const char *nul = static_cast<const char *>(std::memchr(line.constData(), '\0', size_t(line.size())));
    const int length = nul ? int(nul - line.constData()) : line.size();
    QString text = QString::fromUtf8(line.constData(), length);
    text.remove(QLatin1Char('\n'));
    const QVector<QStringRef> fields = text.splitRef(QLatin1Char('\t'));
    StoreRow row;
    // A line without a tab has no second field: its IP cell ends in " : ".
    row.ip = fields.at(0) + QLatin1String(" : ") + (fields.size() > 1 ? fields.at(1) : QStringRef());
    row.pass = fields.last().toString();
    return row;
}
