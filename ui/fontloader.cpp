#include "fontloader.h"

#include <QFontDatabase>
#include <QStringList>

QFont loadResourceFont(const QString &path, int pointSize)
{
    const int id = QFontDatabase::addApplicationFont(path);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) {
        // Missing or refused file: the default family, at the size asked for.
        QFont font;
        font.setPointSize(pointSize);
        return font;
    }
    return {families.first(), pointSize, -1, false};
}
