#include "exportline.h"
#include "proxytext.h"

#include <QtTest>

Q_DECLARE_METATYPE(ProxyRecord)
Q_DECLARE_METATYPE(QVector<ProxyRecord>)

namespace {

ProxyRecord two(const QString &host, const QString &port)
{
    return {host, port, QString(), QString(), false};
}

ProxyRecord four(const QString &host, const QString &port, const QString &user, const QString &password)
{
    return {host, port, user, password, true};
}

} // namespace

class TestProxyText : public QObject
{
    Q_OBJECT

private slots:
    void lineRules_data();
    void lineRules();
    void hugeInputs();
    void exportedLinesParseBack_data();
    void exportedLinesParseBack();
};

void TestProxyText::lineRules_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVector<ProxyRecord>>("expected");

    // Accepted shapes.
    QTest::newRow("host and port") << QStringLiteral("10.1.2.3:80")
                                   << QVector<ProxyRecord>{two(QStringLiteral("10.1.2.3"), QStringLiteral("80"))};
    QTest::newRow("four fields") << QStringLiteral("h:8080:bob:pw")
                                 << QVector<ProxyRecord>{four(QStringLiteral("h"), QStringLiteral("8080"),
                                                              QStringLiteral("bob"), QStringLiteral("pw"))};
    QTest::newRow("empty password drops user")
        << QStringLiteral("h:1:bob:")
        << QVector<ProxyRecord>{four(QStringLiteral("h"), QStringLiteral("1"), QString(), QString())};
    QTest::newRow("empty user drops password")
        << QStringLiteral("h:1::pw")
        << QVector<ProxyRecord>{four(QStringLiteral("h"), QStringLiteral("1"), QString(), QString())};
    QTest::newRow("both credentials empty")
        << QStringLiteral("h:1::")
        << QVector<ProxyRecord>{four(QStringLiteral("h"), QStringLiteral("1"), QString(), QString())};
    QTest::newRow("free text port") << QStringLiteral("h:port 99999")
                                    << QVector<ProxyRecord>{two(QStringLiteral("h"), QStringLiteral("port 99999"))};

    // Rejected shapes.
    QTest::newRow("one field") << QStringLiteral("10.1.2.3") << QVector<ProxyRecord>{};
    QTest::newRow("three fields") << QStringLiteral("h:1:bob") << QVector<ProxyRecord>{};
    QTest::newRow("five fields") << QStringLiteral("h:1:bob:p:w") << QVector<ProxyRecord>{};
    QTest::newRow("empty host") << QStringLiteral(":80") << QVector<ProxyRecord>{};
    QTest::newRow("empty port") << QStringLiteral("h:") << QVector<ProxyRecord>{};
    QTest::newRow("empty host, four") << QStringLiteral(":1:u:p") << QVector<ProxyRecord>{};
    QTest::newRow("empty port, four") << QStringLiteral("h::u:p") << QVector<ProxyRecord>{};
    QTest::newRow("ipv6 with colons") << QStringLiteral("::1:8080") << QVector<ProxyRecord>{};
    QTest::newRow("ipv6 long") << QStringLiteral("fe80::1:2:3:8080") << QVector<ProxyRecord>{};
    QTest::newRow("empty text") << QString() << QVector<ProxyRecord>{};

    // Scheme protection: only in the host does "://" survive as such.
    QTest::newRow("scheme prefix") << QStringLiteral("http://h:3128")
                                   << QVector<ProxyRecord>{two(QStringLiteral("http://h"), QStringLiteral("3128"))};
    QTest::newRow("scheme with credentials")
        << QStringLiteral("socks5://h:1:u:p")
        << QVector<ProxyRecord>{
               four(QStringLiteral("socks5://h"), QStringLiteral("1"), QStringLiteral("u"), QStringLiteral("p"))};
    QTest::newRow("typed _// in host") << QStringLiteral("a_//b:1")
                                       << QVector<ProxyRecord>{two(QStringLiteral("a://b"), QStringLiteral("1"))};
    QTest::newRow(":// in password") << QStringLiteral("h:1:u:p://x")
                                     << QVector<ProxyRecord>{four(QStringLiteral("h"), QStringLiteral("1"),
                                                                  QStringLiteral("u"), QStringLiteral("p_//x"))};
    QTest::newRow(":// in port") << QStringLiteral("h:1://x")
                                 << QVector<ProxyRecord>{two(QStringLiteral("h"), QStringLiteral("1_//x"))};
    QTest::newRow("colon before scheme") << QStringLiteral("h:://x")
                                         << QVector<ProxyRecord>{two(QStringLiteral("h"), QStringLiteral("_//x"))};

    // Nothing trimmed, only "\n" ends a line.
    QTest::newRow("blanks kept") << QStringLiteral(" h : 1 ")
                                 << QVector<ProxyRecord>{two(QStringLiteral(" h "), QStringLiteral(" 1 "))};
    QTest::newRow("carriage return kept") << QStringLiteral("h:1\r\nh:2:u:p\r\n")
                                          << QVector<ProxyRecord>{two(QStringLiteral("h"), QStringLiteral("1\r")),
                                                                  four(QStringLiteral("h"), QStringLiteral("2"),
                                                                       QStringLiteral("u"), QStringLiteral("p\r"))};
    QTest::newRow("lone carriage return is no line end") << QStringLiteral("h:1\rh:2") << QVector<ProxyRecord>{};
    QTest::newRow("blank lines and final line feed")
        << QStringLiteral("\n\na:1\n\nb:2\n")
        << QVector<ProxyRecord>{two(QStringLiteral("a"), QStringLiteral("1")),
                                two(QStringLiteral("b"), QStringLiteral("2"))};
    QTest::newRow("duplicates kept") << QStringLiteral("a:1\na:1")
                                     << QVector<ProxyRecord>{two(QStringLiteral("a"), QStringLiteral("1")),
                                                             two(QStringLiteral("a"), QStringLiteral("1"))};
    QTest::newRow("mixed good and bad") << QStringLiteral("a:1\nbad\nb:2:u\nc:3:u:p\n:4")
                                        << QVector<ProxyRecord>{two(QStringLiteral("a"), QStringLiteral("1")),
                                                                four(QStringLiteral("c"), QStringLiteral("3"),
                                                                     QStringLiteral("u"), QStringLiteral("p"))};

    // Hostile characters pass through untouched.
    const QString nul = QString(QChar(0));
    QTest::newRow("NUL inside fields") << (QStringLiteral("a") + nul + QStringLiteral("b:1") + nul)
                                       << QVector<ProxyRecord>{two(QStringLiteral("a") + nul + QStringLiteral("b"),
                                                                   QStringLiteral("1") + nul)};
    const QString loneSurrogate = QString(QChar(0xD800));
    QTest::newRow("invalid UTF-16") << (loneSurrogate + QStringLiteral(":1"))
                                    << QVector<ProxyRecord>{two(loneSurrogate, QStringLiteral("1"))};
    QTest::newRow("option-like host") << QStringLiteral("-o /tmp/x:80")
                                      << QVector<ProxyRecord>{two(QStringLiteral("-o /tmp/x"), QStringLiteral("80"))};
}

void TestProxyText::lineRules()
{
    QFETCH(QString, text);
    QFETCH(QVector<ProxyRecord>, expected);
    const QVector<ProxyRecord> records = parseProxyText(text);
    QCOMPARE(records.size(), expected.size());
    for (int i = 0; i < records.size(); ++i) {
        QCOMPARE(records.at(i).host, expected.at(i).host);
        QCOMPARE(records.at(i).port, expected.at(i).port);
        QCOMPARE(records.at(i).user, expected.at(i).user);
        QCOMPARE(records.at(i).password, expected.at(i).password);
        QCOMPARE(records.at(i).fourFields, expected.at(i).fourFields);
    }
}

void TestProxyText::hugeInputs()
{
    // 100,000 lines: every acceptable one arrives, in order.
    QString text;
    for (int i = 0; i < 100000; ++i)
        text += QStringLiteral("10.0.%1.%2:%3\n").arg(i / 256).arg(i % 256).arg(1000 + i % 50000);
    const QVector<ProxyRecord> many = parseProxyText(text);
    QCOMPARE(many.size(), 100000);
    QCOMPARE(many.at(99999).host, QStringLiteral("10.0.390.159"));

    // A 10 MB line of colons is one rejected line, not millions of fields; a good line after it still counts.
    const QString colons(10 * 1024 * 1024, QLatin1Char(':'));
    const QVector<ProxyRecord> afterColons = parseProxyText(colons + QStringLiteral("\nh:1"));
    QCOMPARE(afterColons.size(), 1);
    QCOMPARE(afterColons.first().host, QStringLiteral("h"));

    // A 10 MB host is accepted whole.
    const QString longHost(10 * 1024 * 1024, QLatin1Char('a'));
    const QVector<ProxyRecord> longLine = parseProxyText(longHost + QStringLiteral(":8080"));
    QCOMPARE(longLine.size(), 1);
    QCOMPARE(longLine.first().host.size(), longHost.size());
}

void TestProxyText::exportedLinesParseBack_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("two fields") << QStringLiteral("10.0.0.1:3128");
    QTest::newRow("four fields") << QStringLiteral("10.0.0.1:3128:bob:pw");
    QTest::newRow("scheme host") << QStringLiteral("http://h:80:u:p");
    QTest::newRow("blanks") << QStringLiteral(" h :1: u :p ");
}

void TestProxyText::exportedLinesParseBack()
{
    // What the export writes for a pasted line is that line again.
    QFETCH(QString, line);
    const QVector<ProxyRecord> records = parseProxyText(line);
    QCOMPARE(records.size(), 1);
    const ProxyRecord &r = records.first();
    QCOMPARE(exportLine(r.host, r.port, r.user, r.password), line + QLatin1Char('\n'));
}

QTEST_GUILESS_MAIN(TestProxyText)
#include "tst_proxytext.moc"
