#include "exportline.h"

QString exportLine(const QString &ip, const QString &port, const QString &user, const QString &pass)
{
    const QLatin1Char colon(':');
    if (user.isEmpty() && pass.isEmpty())
        return ip + colon + port + QLatin1Char('\n');
    return ip + colon + port + colon + user + colon + pass + QLatin1Char('\n');
}
