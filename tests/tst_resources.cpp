#include "fontloader.h"

#include <QApplication>
#include <QDirIterator>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QResource>
#include <QtTest>

namespace {

const QString boldPath = QStringLiteral(":/plumel-bold-webfont.ttf");
const QString regularPath = QStringLiteral(":/plumel-regular-webfont.ttf");

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void bundleHoldsExactlySixUncompressedFiles();
    void images_data();
    void images();
    void eachFontFileIsAFamilyOfItsOwn();
    void loaderGivesTheFileFamilyAndSize();
    void loaderFallsBackForMissingFile();
    void boldFileRendersBold();
};

void TestResources::bundleHoldsExactlySixUncompressedFiles()
{
    // Qt's own libraries keep their resources in folders of their own; every file at the root is ours.
    QCOMPARE(QDir(QStringLiteral(":/")).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
             (QStringList{QStringLiteral("qgradient"), QStringLiteral("qpdf"), QStringLiteral("qt-project.org")}));
    QStringList files;
    QDirIterator it(QStringLiteral(":/"), QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        const QResource resource(path);
        QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);
        QVERIFY(resource.lastModified().isValid()); // only format 2 and later record it
        files.append(path);
    }
    files.sort();
    QCOMPARE(files,
             (QStringList{QStringLiteral(":/plumel-bold-webfont.ttf"), QStringLiteral(":/plumel-heavy-webfont.ttf"),
                          QStringLiteral(":/plumel-light-webfont.ttf"), QStringLiteral(":/plumel-regular-webfont.ttf"),
                          QStringLiteral(":/proxyicon.png"), QStringLiteral(":/proxytesterlogo.png")}));
}

void TestResources::images_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("icon") << QStringLiteral(":/proxyicon.png") << QSize(48, 48);
    QTest::newRow("logo") << QStringLiteral(":/proxytesterlogo.png") << QSize(1490, 564);
}

void TestResources::images()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image(path);
    QCOMPARE(image.size(), size);
    QVERIFY(!image.hasAlphaChannel());
    QVERIFY(image.allGray()); // black artwork on white
    QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 64;
    QVERIFY(dark > image.width() * image.height() / 20);
}

void TestResources::eachFontFileIsAFamilyOfItsOwn()
{
    QSet<QString> families;
    for (const QString &word :
         {QStringLiteral("light"), QStringLiteral("regular"), QStringLiteral("bold"), QStringLiteral("heavy")}) {
        const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/plumel-%1-webfont.ttf").arg(word));
        QVERIFY(id >= 0);
        const QStringList names = QFontDatabase::applicationFontFamilies(id);
        QCOMPARE(names.size(), 1);
        families.insert(names.first());
    }
    QCOMPARE(families.size(), 4);
}

void TestResources::loaderGivesTheFileFamilyAndSize()
{
    const QFont first = loadResourceFont(boldPath, 16);
    const QFont second = loadResourceFont(boldPath, 16);
    const QString expected = QFontDatabase::applicationFontFamilies(QFontDatabase::addApplicationFont(boldPath))
                                 .first();
    QCOMPARE(first.family(), expected);
    QCOMPARE(second.family(), expected);
    QCOMPARE(first.pointSize(), 16);
    QVERIFY(!first.italic());
    QVERIFY(!(first.resolve() & QFont::WeightResolved)); // the weight comes from the family alone
    QVERIFY(loadResourceFont(regularPath, 12).family() != expected);
}

void TestResources::loaderFallsBackForMissingFile()
{
    const QFont font = loadResourceFont(QStringLiteral(":/no-such-font.ttf"), 13);
    QCOMPARE(font.family(), QFont().family());
    QCOMPARE(font.pointSize(), 13);
}

void TestResources::boldFileRendersBold()
{
    const QFont bold = loadResourceFont(boldPath, 20);
    const QFont regular = loadResourceFont(regularPath, 20);
    const QFontInfo boldInfo(bold);
    const QFontInfo regularInfo(regular);
    QCOMPARE(boldInfo.family(), bold.family()); // matched the file's own face, not a fallback
    QCOMPARE(regularInfo.family(), regular.family());
    QCOMPARE(boldInfo.styleName(), QStringLiteral("Bold"));
    QCOMPARE(regularInfo.styleName(), QStringLiteral("Regular"));
    // Bold strokes are thicker: the same text inks clearly more pixels.
    const QString text = QStringLiteral("EXPORT WORKING PROXIES");
    auto ink = [&text](const QFont &font) {
        QImage image(600, 60, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(image.rect(), Qt::AlignLeft | Qt::AlignVCenter, text);
        painter.end();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qGray(image.pixel(x, y)) < 128;
        return count;
    };
    QVERIFY(ink(bold) > ink(regular) * 1.2);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
