#include "statusclassifier.h"
#include "statusrule.h"

#include <QtTest>

namespace {

bool classify(const QByteArray &output, int chunkSize)
{
    StatusClassifier classifier;
    for (int i = 0; i < output.size(); i += chunkSize)
        classifier.feed(output.constData() + i, qMin(chunkSize, output.size() - i));
    return classifier.succeeded();
}

} // namespace

class TestStatusClassifier : public QObject
{
    Q_OBJECT

private slots:
    void verdict_data();
    void verdict();
    void generatedLinesAgreeWithWholeOutputRule();
    void endlessBodyNeedsNoMemory();
};

void TestStatusClassifier::verdict_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("success");

    QTest::newRow("200 OK") << QByteArray("HTTP/1.1 200 OK\r\n\r\nbody") << true;
    QTest::newRow("tunnel then 403") << QByteArray(
                                            "HTTP/1.1 200 Connection established\r\n\r\nHTTP/1.1 403 Forbidden\r\n")
                                     << true;
    QTest::newRow("407 then 200") << QByteArray("HTTP/1.1 407 Proxy Authentication Required\r\n\r\nHTTP/1.1 200 OK\r\n")
                                  << true;
    QTest::newRow("only 407") << QByteArray("HTTP/1.1 407 Proxy Authentication Required\r\n\r\n") << false;
    QTest::newRow("HTTP/1.0 302") << QByteArray("HTTP/1.0 302 Found\r\n") << true;
    QTest::newRow("399 counts") << QByteArray("HTTP/1.1 399 X\r\n") << true;
    QTest::newRow("400 fails") << QByteArray("HTTP/1.1 400 Bad Request\r\n") << false;
    QTest::newRow("199 fails") << QByteArray("HTTP/1.1 199 X\r\n") << false;
    QTest::newRow("HTTP/2") << QByteArray("HTTP/2 200\r\n") << false;
    QTest::newRow("lower case") << QByteArray("http/1.1 200 OK\r\n") << false;
    QTest::newRow("no reason, two parts") << QByteArray("HTTP/1.1 200\r\n") << false;
    QTest::newRow("no reason, trailing blank") << QByteArray("HTTP/1.1 200 \r\n") << true;
    QTest::newRow("two blanks: empty code") << QByteArray("HTTP/1.1  200 OK\r\n") << false;
    QTest::newRow("body line counts") << QByteArray("HTTP/1.1 500 Oops\r\n\r\nHTTP/1.1 200 OK\n") << true;
    QTest::newRow("leading zeros") << QByteArray("HTTP/1.1 000200 OK\n") << true;
    QTest::newRow("plus sign") << QByteArray("HTTP/1.1 +250 OK\n") << true;
    QTest::newRow("minus sign") << QByteArray("HTTP/1.1 -250 OK\n") << false;
    QTest::newRow("tab around code") << QByteArray("HTTP/1.1 \t200\t OK\n") << true;
    QTest::newRow("letters in code") << QByteArray("HTTP/1.1 2OO OK\n") << false;
    QTest::newRow("overflowing code") << QByteArray("HTTP/1.1 99999999999999999999200 OK\n") << false;
    QTest::newRow("prefix only") << QByteArray("HTTP/1") << false;
    QTest::newRow("HTTP/1 as whole first part") << QByteArray("HTTP/1 200 OK\n") << true;
    QTest::newRow("HTTP/1x first part") << QByteArray("HTTP/1xyz 204 No\n") << true;
    QTest::newRow("indented") << QByteArray(" HTTP/1.1 200 OK\n") << false;
    QTest::newRow("last line without newline") << QByteArray("junk\nHTTP/1.1 301 Moved") << true;
    QTest::newRow("code split by lone CR") << QByteArray("HTTP/1.1 2\r00 OK\n") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("binary") << QByteArray("\x00\xff\xfeHTTP/1.1 200 OK\n", 19) << false;
    QTest::newRow("NUL in reason") << QByteArray("HTTP/1.1 200 O\0K\n", 17) << true;
}

void TestStatusClassifier::verdict()
{
    QFETCH(QByteArray, output);
    QFETCH(bool, success);
    QCOMPARE(wholeOutputRule(output), success); // the table itself states the rule right
    // The verdict must not depend on how the output arrives.
    for (int chunk = 1; chunk <= qMax(1, output.size()); ++chunk)
        QCOMPARE(classify(output, chunk), success);
}

void TestStatusClassifier::generatedLinesAgreeWithWholeOutputRule()
{
    // Lines built from the pieces that matter to the rule, in every combination.
    const QList<QByteArray> firsts = {"HTTP/1.1", "HTTP/1", "HTTP/", "HTTP/1.0x", "xHTTP/1.1", ""};
    const QList<QByteArray> codes = {"200",  "399",  "400", "199",   "0",     "",   "+300",
                                     "-200", "0250", "2 0", "\t204", "204\t", "20x"};
    const QList<QByteArray> tails = {"", " ", " OK", " OK\r", "\r", "  ", " a b c"};
    const QList<QByteArray> ends = {"\n", "\r\n", ""};
    int checked = 0;
    for (const QByteArray &first : firsts)
        for (const QByteArray &code : codes)
            for (const QByteArray &tail : tails)
                for (const QByteArray &end : ends) {
                    const QByteArray output = "noise\n" + first + ' ' + code + tail + end;
                    const bool expected = wholeOutputRule(output);
                    QVERIFY2(classify(output, output.size()) == expected, output.constData());
                    QVERIFY2(classify(output, 1) == expected, output.constData());
                    ++checked;
                }
    QCOMPARE(checked, firsts.size() * codes.size() * tails.size() * ends.size());
}

void TestStatusClassifier::endlessBodyNeedsNoMemory()
{
    // 256 MiB of body through a classifier that keeps only a few bytes of state.
    StatusClassifier classifier;
    const QByteArray head = "HTTP/1.1 500 Oops\r\n\r\n";
    classifier.feed(head.constData(), head.size());
    const QByteArray chunk(1 << 20, 'x');
    for (int i = 0; i < 256; ++i)
        classifier.feed(chunk.constData(), chunk.size());
    QVERIFY(!classifier.succeeded());
    const QByteArray late = "\nHTTP/1.1 200 OK\n";
    classifier.feed(late.constData(), late.size());
    QVERIFY(classifier.succeeded());
}

QTEST_GUILESS_MAIN(TestStatusClassifier)
#include "tst_statusclassifier.moc"
