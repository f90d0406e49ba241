#pragma once

#include <QFont>
#include <QString>

// A font from a font file in the resource bundle. Each file declares a family of its own,
// so the font carries the file's weight without asking for one.
[[nodiscard]] QFont loadResourceFont(const QString &path, int pointSize);
