#pragma once

#include <QString>

// The exported line of a working row: IP:PORT without credentials, else IP:PORT:USER:PASS.
[[nodiscard]] QString exportLine(const QString &ip, const QString &port, const QString &user, const QString &pass);
