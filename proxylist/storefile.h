#pragma once

#include <QByteArray>
#include <QString>

// The cells that one line of the proxy store file gives.
struct StoreRow
{
    QString ip; // "first : second"
    QString pass; // last field
};

// proxs.dat beside the application; inside a bundle ("X.app/"), beside the bundle.
[[nodiscard]] QString storeFilePath(const QString &applicationDirPath);

// One line as read, line feed included: UTF-8 up to the first NUL, fields split at tabs.
[[nodiscard]] StoreRow parseStoreLine(const QByteArray &line);
