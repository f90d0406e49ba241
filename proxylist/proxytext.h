#pragma once

#include <QString>
#include <QVector>

// One accepted line of pasted proxy text.
struct ProxyRecord
{
    QString host;
    QString port;
    QString user; // empty unless both credentials were given
    QString password; // empty unless both credentials were given
    bool fourFields = false; // a four-field line sets USER and PASS, even if to empty text

    bool operator==(const ProxyRecord &other) const
    {
        return host == other.host && port == other.port && user == other.user && password == other.password &&
               fourFields == other.fourFields;
    }
};

// Splits pasted text into records: lines end at "\n" only, fields at ":" except in "://".
// Lines of any other shape are skipped. Linear in the length of the text.
[[nodiscard]] QVector<ProxyRecord> parseProxyText(const QString &text);
