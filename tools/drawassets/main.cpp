// Draws the program's icon, logo and platform icons into the resources folder.
// Vector art only, so every run gives the same pixels.
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <cstdio>
#include <vector>

namespace {

QImage whiteCanvas(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The icon: a close-up of a line graph, two thick strokes meeting at a filled circle.
QImage drawIcon(int size)
{
    QImage image = whiteCanvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    QPen pen(Qt::black, 6.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    p.setPen(pen);
    const QPointF joint(21, 29);
    p.drawLine(QPointF(-2, 44), joint);
    p.drawLine(joint, QPointF(50, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(joint, 8.5, 8.5);
    return image.convertToFormat(QImage::Format_RGB888);
}

// Angular display lettering: each letter is a set of polylines in a unit box.
QVector<QVector<QPointF>> letterStrokes(QChar letter)
{
    using P = QPointF;
    switch (letter.unicode()) {
    case 'T':
        return {{P(0, 0), P(1, 0)}, {P(0.5, 0), P(0.5, 1)}};
    case 'A':
        return {{P(0, 1), P(0.5, 0), P(1, 1)}, {P(0.24, 0.64), P(0.76, 0.64)}};
    case 'V':
        return {{P(0, 0), P(0.5, 1), P(1, 0)}};
    case 'R':
        return {{P(0, 1), P(0, 0), P(0.78, 0), P(1, 0.16), P(1, 0.34), P(0.78, 0.5), P(0, 0.5)},
                {P(0.5, 0.5), P(1, 1)}};
    case 'I':
        return {{P(0.5, 0), P(0.5, 1)}};
    case 'N':
        return {{P(0, 1), P(0, 0), P(1, 1), P(1, 0)}};
    default:
        return {};
    }
}

QImage drawLogo(const QString &boldFamily)
{
    QImage image = whiteCanvas(1490, 564);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Wordmark, clipped to its band so slanted stroke ends stay square.
    const QString word = QStringLiteral("TAVRIN");
    const qreal letterWidth = 150, letterHeight = 200, gap = 46, stroke = 34;
    const qreal wordWidth = (word.size() - 1) * letterWidth + 2 * stroke + (word.size() - 1) * gap;
    const qreal top = 48;
    p.save();
    p.setClipRect(QRectF(0, top, image.width(), letterHeight));
    p.setPen(QPen(Qt::black, stroke, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    qreal x = (image.width() - wordWidth) / 2;
    for (const QChar c : word) {
        const qreal inset = stroke / 2;
        const qreal width = c == QLatin1Char('I') ? stroke + 2 * inset : letterWidth;
        for (const QVector<QPointF> &line : letterStrokes(c)) {
            QPolygonF placed;
            for (const QPointF &pt : line) {
                const qreal w = width - 2 * inset;
                placed << QPointF(x + inset + pt.x() * w, top + pt.y() * letterHeight);
            }
            p.drawPolyline(placed);
        }
        x += width + gap;
    }
    p.restore();

    QFont font(boldFamily);
    font.setPixelSize(82);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 14);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRectF(0, 270, image.width(), 100), Qt::AlignCenter, QStringLiteral("PROXY TESTER"));

    const QVector<QPointF> dots = {QPointF(330, 520), QPointF(610, 420), QPointF(880, 480), QPointF(1160, 392)};
    p.setPen(QPen(Qt::black, 18, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(dots.constData(), dots.size());
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    for (const QPointF &dot : dots)
        p.drawEllipse(dot, 26, 26);
    return image.convertToFormat(QImage::Format_RGB888);
}

bool savePng(const QImage &image, const QString &path)
{
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// A Windows icon file: one 8-bit palette PNG entry per size, largest first.
bool saveIco(const QVector<int> &sizes, const QString &path)
{
    std::vector<QByteArray> images;
    for (const int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        drawIcon(size).convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither).save(&buffer, "PNG");
        images.push_back(png);
    }
    QByteArray out;
    auto put16 = [&out](quint16 v) { out.append(char(v & 0xff)).append(char(v >> 8)); };
    auto put32 = [&](quint32 v) {
        put16(quint16(v & 0xffff));
        put16(quint16(v >> 16));
    };
    put16(0);
    put16(1);
    put16(quint16(sizes.size()));
    quint32 offset = 6 + 16 * quint32(sizes.size());
    for (int i = 0; i < sizes.size(); ++i) {
        out.append(char(sizes[i] >= 256 ? 0 : sizes[i])).append(char(sizes[i] >= 256 ? 0 : sizes[i]));
        out.append(char(0)).append(char(0)); // palette count 0 means 256 colours
        put16(1);
        put16(8);
        put32(quint32(images[size_t(i)].size()));
        put32(offset);
        offset += quint32(images[size_t(i)].size());
    }
    for (const QByteArray &png : images)
        out.append(png);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// A macOS icon file: PNG entries under the icon types that take PNG data.
bool saveIcns(const QString &path)
{
    const QVector<QPair<QByteArray, int>> entries = {
        {"icp4", 16}, {"icp5", 32}, {"icp6", 64}, {"ic07", 128}, {"ic08", 256}};
    QByteArray body;
    for (const auto &entry : entries) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        drawIcon(entry.second).convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG");
        quint32 length = qToBigEndian(quint32(png.size() + 8));
        body.append(entry.first).append(reinterpret_cast<const char *>(&length), 4).append(png);
    }
    QByteArray out("icns");
    const quint32 total = qToBigEndian(quint32(body.size() + 8));
    out.append(reinterpret_cast<const char *>(&total), 4).append(body);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: drawassets RESOURCES_DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const int id = QFontDatabase::addApplicationFont(dir.filePath(QStringLiteral("plumel-bold-webfont.ttf")));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) {
        std::fprintf(stderr, "run tools/make-fonts.py first\n");
        return 1;
    }
    const QVector<int> sizes = {256, 128, 64, 48, 32, 16};
    bool ok = savePng(drawIcon(48), dir.filePath(QStringLiteral("proxyicon.png"))) &&
              savePng(drawLogo(families.first()), dir.filePath(QStringLiteral("proxytesterlogo.png"))) &&
              saveIco(sizes, dir.filePath(QStringLiteral("tavrin-proxy-tester.ico"))) &&
              saveIcns(dir.filePath(QStringLiteral("tavrin-proxy-tester.icns")));
    for (const int size : sizes) {
        const QString sub = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        ok = ok && dir.mkpath(sub) &&
             savePng(drawIcon(size), dir.filePath(sub + QStringLiteral("/tavrin-proxy-tester.png")));
    }
    return ok ? 0 : 1;
}
