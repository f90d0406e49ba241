#include "storefile.h"

#include <QtTest>

class TestStoreFile : public QObject
{
    Q_OBJECT

private slots:
    void path_data();
    void path();
    void line_data();
    void line();
};

void TestStoreFile::path_data()
{
    QTest::addColumn<QString>("applicationDir");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain directory") << QStringLiteral("/opt/tool/bin") << QStringLiteral("/opt/tool/bin/proxs.dat");
    QTest::newRow("inside a bundle") << QStringLiteral("/Applications/Tool.app/Contents/MacOS")
                                     << QStringLiteral("/Applications/proxs.dat");
    QTest::newRow("bundle in another folder name")
        << QStringLiteral("/home/u/My.app/stuff/bin") << QStringLiteral("/home/u/proxs.dat");
    QTest::newRow("first of several bundles")
        << QStringLiteral("/a/One.app/b/Two.app/Contents/MacOS") << QStringLiteral("/a/proxs.dat");
    QTest::newRow(".app without slash is no bundle")
        << QStringLiteral("/opt/x.app") << QStringLiteral("/opt/x.app/proxs.dat");
    QTest::newRow("case matters") << QStringLiteral("/opt/X.APP/bin") << QStringLiteral("/opt/X.APP/bin/proxs.dat");
    QTest::newRow("root directory") << QStringLiteral("/") << QStringLiteral("//proxs.dat");
}

void TestStoreFile::path()
{
    QFETCH(QString, applicationDir);
    QFETCH(QString, expected);
    QCOMPARE(storeFilePath(applicationDir), expected);
}

void TestStoreFile::line_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("pass");
    QTest::newRow("two fields") << QByteArray("w\tx\n") << QStringLiteral("w : x") << QStringLiteral("x");
    QTest::newRow("four fields") << QByteArray("w\tx\ty\tz\n") << QStringLiteral("w : x") << QStringLiteral("z");
    QTest::newRow("one field") << QByteArray("lonely\n") << QStringLiteral("lonely : ") << QStringLiteral("lonely");
    QTest::newRow("empty line") << QByteArray("\n") << QStringLiteral(" : ") << QString();
    QTest::newRow("CR LF two fields") << QByteArray("w\tx\r\n") << QStringLiteral("w : x\r") << QStringLiteral("x\r");
    QTest::newRow("CR LF three fields") << QByteArray("w\tx\ty\r\n") << QStringLiteral("w : x")
                                        << QStringLiteral("y\r");
    QTest::newRow("no line feed at end") << QByteArray("w\tx") << QStringLiteral("w : x") << QStringLiteral("x");
    QTest::newRow("NUL ends the text") << QByteArray("w\tx\0\ty\tz\n", 10) << QStringLiteral("w : x")
                                       << QStringLiteral("x");
    QTest::newRow("NUL first") << QByteArray("\0w\tx\n", 5) << QStringLiteral(" : ") << QString();
    QTest::newRow("UTF-8") << QByteArray("h\xc3\xa9te\tp\xc3\xa4ss\n") << QString::fromUtf8("h\xc3\xa9te : p\xc3\xa4ss")
                           << QString::fromUtf8("p\xc3\xa4ss");
    QTest::newRow("invalid UTF-8") << QByteArray("a\xff\tb\n")
                                   << (QStringLiteral("a") + QChar(0xFFFD) + QStringLiteral(" : b"))
                                   << QStringLiteral("b");
    QTest::newRow("empty fields") << QByteArray("\t\t\n") << QStringLiteral(" : ") << QString();
}

void TestStoreFile::line()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, ip);
    QFETCH(QString, pass);
    const StoreRow row = parseStoreLine(line);
    QCOMPARE(row.ip, ip);
    QCOMPARE(row.pass, pass);
}

QTEST_GUILESS_MAIN(TestStoreFile)
#include "tst_storefile.moc"
