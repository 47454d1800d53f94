// SPDX-License-Identifier: MIT
// The engine's own GIF and BMP decoders, its WebP reading and its scaling,
// checked against Qt's image readers, libwebp's dwebp and Qt's smooth scaling
// as independent references, and against pictures whose pixels are known.
#include "engine/pictures/decodebudget.h"
#include "engine/pictures/imagescaler.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/pictures/pictureloader.h"
#include "engine/pictures/rowreducer.h"
#include "support/errors.h"
#include "support/hostilepictures.h"
#include "support/peakmemory.h"
#include "support/testfiles.h"
#include "support/testpictures.h"
#include "window/widgets/enginepicture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QtEndian>
#include <QtTest>

#include <cmath>

using namespace HostilePictures;

namespace {

// Each pixel as on a white page, opaque.
QImage OverWhite(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QImage flat(argb.size(), QImage::Format_RGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            const auto blend = [a = qAlpha(p)](int c) { return int(std::lround(c * a / 255.0 + 255 - a)); };
            flat.setPixel(x, y, qRgb(blend(qRed(p)), blend(qGreen(p)), blend(qBlue(p))));
        }
    return flat;
}

// What Qt's own readers make of the bytes, over white; of WebP, which Qt
// reads only with a plugin of its own, what dwebp makes.
QImage ReadByQt(const QByteArray &bytes)
{
    QTemporaryDir dir;
    const QString webp = dir.filePath(QStringLiteral("in.webp")), png = dir.filePath(QStringLiteral("out.png"));
    const bool isWebp = bytes.startsWith("RIFF") && TestFiles::Write(webp, bytes)
        && QProcess::execute(QStringLiteral("dwebp"), {QStringLiteral("-quiet"), webp, QStringLiteral("-o"), png}) == 0;
    const QImage image = isWebp ? QImage(png) : QImage::fromData(bytes);
    return image.isNull() ? image : OverWhite(image);
}

int LargestDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)),
                                qAbs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

double MeanDifference(const QImage &a, const QImage &b)
{
    double total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            total += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    return total / (3.0 * a.width() * a.height());
}

// A detailed picture reduced to colours colours, as an indexed picture.
QImage Indexed(int width, int height, int colours)
{
    QList<QRgb> table;
    for (int i = 0; i < colours; ++i)
        table << qRgb((i * 97) % 256, (i * 57 + 30) % 256, (i * 31 + 200) % 256);
    return Stripes(width, height).convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
}

// Stripes whose opacity changes across the picture.
QImage SeeThrough(int width, int height)
{
    QImage image = Stripes(width, height).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, (image.pixel(x, y) & 0xFFFFFF) | (quint32((x * 255) / (width - 1)) << 24));
    return image;
}

GifShape Interlaced()
{
    GifShape shape;
    shape.interlaced = true;
    return shape;
}

GifShape OnScreen(QSize screen, QPoint at, int transparent = -1)
{
    GifShape shape;
    shape.screen = screen;
    shape.at = at;
    shape.background = 5;
    shape.transparent = transparent;
    return shape;
}

BmpShape Shape(int bits, int compression = 0, int headerSize = 40, QList<quint32> masks = {})
{
    BmpShape shape;
    shape.bits = bits;
    shape.compression = compression;
    shape.headerSize = headerSize;
    for (int i = 0; i < masks.size(); ++i)
        shape.masks[i] = masks.at(i);
    return shape;
}

const QList<quint32> Rgb555{0x7C00, 0x03E0, 0x001F};
const QList<quint32> Rgb888{0xFF0000, 0xFF00, 0xFF};
const QList<quint32> Argb8888{0xFF0000, 0xFF00, 0xFF, 0xFF000000};

// A 2 x 2 GIF of four colours whose LZW data is given, at the code size.
QByteArray GifWithCodes(int codeSize, const QByteArray &codes)
{
    QByteArray gif("GIF89a\x02\0\x02\0\x81\0\0", 13);
    gif.append(QByteArray("\xFF\0\0\0\xFF\0\0\0\xFF\xFF\xFF\xFF", 12));
    gif.append(QByteArray(",\0\0\0\0\x02\0\x02\0\0", 10));
    gif.append(char(codeSize));
    gif.append(char(codes.size()));
    gif.append(codes);
    return gif + QByteArray("\0;", 2);
}

// A 4 x 3 picture of black, red, green and blue, its pixels the run lengths given.
QByteArray RunLengthsOf(const QByteArray &runs)
{
    QImage indexed(4, 3, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)});
    BmpShape shape = Shape(8, 1);
    shape.pixelData = runs;
    return Bmp(indexed, shape);
}

// The BMP without its last bytes, its header saying so.
QByteArray WithoutLast(QByteArray bmp, int bytes)
{
    bmp.chop(bytes);
    const quint32 imageBytes = qFromLittleEndian<quint32>(bmp.constData() + 34) - quint32(bytes);
    qToLittleEndian(imageBytes, bmp.data() + 34);
    return bmp;
}

QImage Rows(const QList<QList<QRgb>> &rows)
{
    QImage image(int(rows.first().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rows.at(y).at(x));
    return image;
}

} // namespace

class TestImageCodecs : public QObject
{
    Q_OBJECT

private slots:
    void decodesAsQtReadsIt_data();
    void decodesAsQtReadsIt();
    void decodesKnownPixels_data();
    void decodesKnownPixels();
    void refusesDamagedAndHostile_data();
    void refusesDamagedAndHostile();
    void largePicturesAreShrunkAsTheyAreRead_data();
    void largePicturesAreShrunkAsTheyAreRead();
    void scalingLooksLikeQts_data();
    void scalingLooksLikeQts();
    void scalingKeepsWhatMustStay();
    void rowReducerRoundsEachAverage_data();
    void rowReducerRoundsEachAverage();
    void windowAdapterKeepsEveryPixel();
};

void TestImageCodecs::decodesAsQtReadsIt_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("tolerance");

    const QImage colours256 = Indexed(61, 47, 256);
    QTest::newRow("GIF") << Gif(colours256, {}) << 0;
    QTest::newRow("GIF, interlaced") << Gif(colours256, Interlaced()) << 0;
    GifShape twoBits;
    twoBits.codeSize = 2;
    QTest::newRow("GIF, 2-bit codes") << Gif(Indexed(33, 21, 4), twoBits) << 0;
    GifShape transparent;
    transparent.transparent = 2;
    QTest::newRow("GIF, a transparent colour") << Gif(colours256, transparent) << 0;
    GifShape local;
    local.localTable = true;
    QTest::newRow("GIF, the frame's own colours") << Gif(colours256, local) << 0;
    QTest::newRow("GIF, a frame on a larger screen") << Gif(colours256, OnScreen({90, 70}, {13, 9})) << 0;
    QTest::newRow("GIF, a transparent frame on a larger screen")
        << Gif(colours256, OnScreen({90, 70}, {13, 9}, 7)) << 0;
    QTest::newRow("GIF, a frame partly off the screen") << Gif(colours256, OnScreen({50, 30}, {30, 20})) << 0;
    const QImage detailed = Indexed(300, 200, 256);
    QTest::newRow("GIF, code table started again when full") << Gif(detailed, {}) << 0;
    GifShape full;
    full.clearWhenFull = false;
    QTest::newRow("GIF, code table kept full") << Gif(detailed, full) << 0;
    QByteArray noTrailer = Gif(colours256, {});
    noTrailer.chop(1);
    QTest::newRow("GIF without its trailer") << noTrailer << 0;

    const QImage stripes = Stripes(53, 37);
    const QImage colours16 = Indexed(53, 37, 16);
    QTest::newRow("BMP, 24 bits") << TestPictures::Encoded(stripes, "bmp") << 0;
    QTest::newRow("BMP, 8 bits") << TestPictures::Encoded(Indexed(53, 37, 256), "bmp") << 0;
    QTest::newRow("BMP, 4 bits") << TestPictures::Encoded(colours16, "bmp") << 0;
    QTest::newRow("BMP, 1 bit") << Bmp(Indexed(53, 37, 2), Shape(1)) << 0;
    QTest::newRow("BMP, 8-bit run lengths") << Bmp(Indexed(53, 37, 256), Shape(8, 1)) << 0;
    QTest::newRow("BMP, 4-bit run lengths") << Bmp(colours16, Shape(4, 2)) << 0;
    // Qt 6.4 widens 5-bit fields by shifting them (white becomes 248); the
    // engine repeats their bits, so white stays white (decodesKnownPixels).
    QTest::newRow("BMP, 16 bits") << Bmp(stripes, Shape(16, 0, 40, Rgb555)) << 7;
    QTest::newRow("BMP, 16-bit fields 5-6-5") << Bmp(stripes, Shape(16, 3, 40, {0xF800, 0x07E0, 0x001F})) << 7;
    QTest::newRow("BMP, 32 bits") << Bmp(stripes, Shape(32, 0, 40, Rgb888)) << 0;
    QTest::newRow("BMP, 32-bit fields with alpha, version 5 header")
        << Bmp(SeeThrough(53, 37), Shape(32, 3, 124, Argb8888)) << 0;
    QTest::newRow("BMP, version 4 header") << Bmp(stripes, Shape(24, 0, 108)) << 0;
    QTest::newRow("BMP, OS/2 header") << Bmp(stripes, Shape(24, 0, 12)) << 0;
    QTest::newRow("BMP, OS/2 header, 8 bits") << Bmp(Indexed(53, 37, 256), Shape(8, 0, 12)) << 0;
    BmpShape topDown = Shape(24);
    topDown.topDown = true;
    QTest::newRow("BMP, rows from the top") << Bmp(stripes, topDown) << 0;
    QTest::newRow("BMP, run lengths without their last row's end and the end mark")
        << WithoutLast(Bmp(Indexed(53, 37, 256), Shape(8, 1)), 4) << 0;

    QTest::newRow("WebP, lossy") << TestPictures::Webp(stripes) << 0;
    QTest::newRow("WebP, lossy with alpha") << TestPictures::Webp(SeeThrough(53, 37)) << 0;
    QTest::newRow("WebP, lossless with alpha") << TestPictures::Webp(SeeThrough(53, 37), true) << 0;
}

void TestImageCodecs::decodesAsQtReadsIt()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, tolerance);
    const QImage expected = ReadByQt(bytes);
    QVERIFY(!expected.isNull());
    const QImage decoded = ToQImage(DecodePicture(bytes, QSize())->image);
    QCOMPARE(decoded.size(), expected.size());
    QVERIFY(LargestDifference(decoded, expected) <= tolerance);
}

void TestImageCodecs::decodesKnownPixels_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QImage>("expected");

    // Frames of fewer than five rows have fewer than four passes; Qt 6.4
    // reads one row twice there.
    for (const int rows : {2, 3, 4}) {
        const QImage indexed = Indexed(20, rows, 256);
        QTest::addRow("GIF, interlaced, %d rows", rows) << Gif(indexed, Interlaced())
                                                        << indexed.convertToFormat(QImage::Format_RGB32);
    }
    const QImage white = TestPictures::Solid(5, 3, Qt::white);
    QTest::newRow("BMP, 16 bits, white stays white") << Bmp(white, Shape(16, 0, 40, Rgb555)) << white;

    // Kinds Qt does not read.
    const QImage seeThrough = SeeThrough(53, 37);
    QTest::newRow("BMP, version 3 header with alpha") << Bmp(seeThrough, Shape(32, 3, 56, Argb8888))
                                                      << OverWhite(seeThrough);
    QTest::newRow("BMP, alpha bit fields") << Bmp(seeThrough, Shape(32, 6, 40, Argb8888)) << OverWhite(seeThrough);
    QTest::newRow("BMP, version 2 header") << Bmp(Stripes(53, 37), Shape(32, 3, 52, Rgb888)) << Stripes(53, 37);

    // Run lengths that move on: pixels passed over are colour 0. The rows
    // are stored from the bottom.
    const QRgb k = qRgb(0, 0, 0), r = qRgb(255, 0, 0), g = qRgb(0, 255, 0), b = qRgb(0, 0, 255);
    QTest::newRow("BMP, run lengths moving right and up")
        << RunLengthsOf(QByteArray("\x02\x01" "\0\x02\x01\x01" "\x01\x02" "\0\0" "\0\x03\x03\x02\x01\0" "\0\x01", 18))
        << Rows({{b, g, r, k}, {k, k, k, g}, {r, r, k, k}});
    QTest::newRow("BMP, a run past the row's end stops there")
        << RunLengthsOf(QByteArray("\x06\x01" "\0\0" "\x03\x02" "\0\0" "\x01\x03" "\0\x01", 12))
        << Rows({{b, k, k, k}, {g, g, g, k}, {r, r, r, r}});
}

void TestImageCodecs::decodesKnownPixels()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QImage, expected);
    const QImage decoded = ToQImage(DecodePicture(bytes, QSize())->image);
    QCOMPARE(decoded.size(), expected.size());
    QCOMPARE(LargestDifference(decoded, expected), 0);
}

void TestImageCodecs::refusesDamagedAndHostile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    const QByteArray gif = Gif(Indexed(61, 47, 256), {});
    QTest::newRow("GIF cut in its colour table") << gif.left(200) << "Invalid picture";
    QTest::newRow("GIF cut in its pixels") << gif.left(gif.size() * 3 / 4) << "Damaged picture: cut short";
    // Clear (4), then 7: no code above 5 exists before a pixel has been read.
    QTest::newRow("GIF with a code it cannot hold") << GifWithCodes(2, QByteArray("\x3C", 1))
                                                     << "Damaged picture: its GIF data cannot be decoded";
    QTest::newRow("GIF of 12-bit pixels") << GifWithCodes(12, QByteArray("\0\x10", 2))
                                          << "Damaged picture: its GIF data cannot be decoded";
    // Clear (4), one pixel, then the end code (5) or the last data block: three pixels missing.
    QTest::newRow("GIF ending its codes early") << GifWithCodes(2, QByteArray("\x44\x01", 2))
                                                << "Damaged picture: cut short";
    QTest::newRow("GIF ending its data blocks early") << GifWithCodes(2, QByteArray("\x04", 1))
                                                      << "Damaged picture: cut short";
    QTest::newRow("GIF screen beyond the limits") << GifWithHugeScreen(30000, 30000) << "Picture too large";

    const QByteArray bmp = TestPictures::Encoded(Stripes(53, 37), "bmp");
    QTest::newRow("BMP cut in its rows") << bmp.left(bmp.size() - 10) << "Damaged picture: cut short";
    const QByteArray paletted = TestPictures::Encoded(Indexed(53, 37, 256), "bmp");
    QTest::newRow("BMP cut in its colour table") << paletted.left(300) << "Damaged picture: cut short";
    QByteArray runs = Bmp(Indexed(53, 37, 256), Shape(8, 1));
    QTest::newRow("BMP run lengths cut short") << runs.left(runs.size() / 2) << "Damaged picture: cut short";
    runs[34] = runs[35] = runs[36] = runs[37] = '\0'; // the header no longer tells their length
    QTest::newRow("BMP run lengths cut short, length not given") << runs.left(runs.size() / 2)
                                                                  << "Damaged picture: cut short";
    QByteArray twoBits = paletted;
    twoBits[28] = 2;
    QTest::newRow("BMP of 2 bits a pixel") << twoBits << "Picture refused: a BMP of 2 bits";
    QByteArray jpegInside = bmp;
    jpegInside[30] = 4;
    QTest::newRow("BMP holding a JPEG") << jpegInside << "Picture refused: a BMP of 24 bits a pixel with compression 4";
    QByteArray manyColours = paletted;
    manyColours[46] = 0x2C; // 300 colours
    manyColours[47] = 0x01;
    manyColours.append(QByteArray(44 * 4, '\0')); // the pixels move on by the 44 colours more
    QTest::newRow("BMP of 300 colours") << manyColours << "Picture refused";
    QByteArray noWidth = bmp;
    noWidth[18] = noWidth[19] = '\0';
    QTest::newRow("BMP of no width") << noWidth << "Invalid picture";
    QByteArray oddHeader = bmp;
    oddHeader[14] = 20;
    QTest::newRow("BMP with a header of unknown size") << oddHeader << "Invalid picture";
    QByteArray lowest = bmp; // top down, 2^31 rows: no height at all
    lowest.replace(22, 4, QByteArray("\0\0\0\x80", 4));
    QTest::newRow("BMP of height -2147483648") << lowest << "Invalid picture";

    const QByteArray webp = TestPictures::Webp(Stripes(61, 47), true);
    QTest::newRow("WebP cut short") << webp.left(webp.size() / 2) << "Damaged picture: cut short";
    QByteArray scrambled = webp;
    scrambled.replace(30, 40, QByteArray(40, '\xFF'));
    QTest::newRow("WebP whose data cannot be decoded") << scrambled
                                                       << "Damaged picture: its WebP data cannot be decoded";
    QTest::newRow("WebP declaring 20000 x 20000") << WebpDeclaring(20000, 20000)
                                                  << "Picture too large: 20000 x 20000 is beyond the limits";
}

void TestImageCodecs::refusesDamagedAndHostile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    for (const QSize size : {QSize(), QSize(20, 20)}) {
        const Result<DecodedPicture> decoded = DecodePicture(bytes, size);
        QVERIFY2(!decoded, "the picture was decoded");
        QCOMPARE(decoded.Why().code, 481);
        QVERIFY2(decoded.Why().reason.startsWith(reason), qPrintable(decoded.Why().reason));
    }
    QCOMPARE(DecodeBudget::Pictures().InUse(), 0);
}

void TestImageCodecs::largePicturesAreShrunkAsTheyAreRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<int>("megabytes");

    QTest::newRow("GIF of one colour") << SolidGif(10000, 10000) << QColor(0, 128, 255) << 16;
    // The screen's background is colour 0, the frame's one pixel too.
    QTest::newRow("GIF screen around one pixel") << GifWithHugeScreen(10000, 10000) << QColor(255, 128, 0) << 16;
    // Run lengths are unpacked first, a byte a pixel; the rows left out are colour 0.
    QTest::newRow("run-length BMP") << RunLengthBmp(10000, 10000) << QColor(0, 0, 0) << 112;
    const QColor orange(255, 128, 0); // one that the lossy coding keeps exactly
    QTest::newRow("lossy WebP") << TestPictures::Webp(TestPictures::Solid(3000, 3000, orange)) << orange << 16;
}

void TestImageCodecs::largePicturesAreShrunkAsTheyAreRead()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QColor, colour);
    QFETCH(int, megabytes);
    const PeakMemory peak;
    const QImage small = ToQImage(*ScaledPicture(bytes, QSize(250, 250)));
    QVERIFY2(peak.Below(megabytes), peak.Text().c_str());
    QCOMPARE(small.size(), QSize(250, 250));
    QCOMPARE(small.pixelColor(125, 125), colour);
}

void TestImageCodecs::scalingLooksLikeQts_data()
{
    QTest::addColumn<QImage>("source");
    QTest::addColumn<QSize>("size");

    QImage cover(400, 300, QImage::Format_RGB32);
    QPainter painter(&cover);
    QLinearGradient gradient(0, 0, 400, 300);
    gradient.setColorAt(0, QColor(200, 60, 40));
    gradient.setColorAt(1, QColor(30, 90, 200));
    painter.fillRect(cover.rect(), gradient);
    painter.setBrush(QColor(250, 220, 80));
    painter.drawEllipse(QPoint(150, 130), 90, 70);
    painter.setPen(Qt::black);
    painter.drawText(QRect(20, 220, 360, 60), Qt::AlignCenter, QStringLiteral("Brisko"));
    painter.end();

    QTest::newRow("a third") << cover << QSize(133, 100);
    QTest::newRow("by an odd ratio") << cover << QSize(251, 167);
    QTest::newRow("wider, lower") << cover << QSize(500, 120);
    QTest::newRow("grown two and a half times") << cover.copy(100, 80, 120, 90) << QSize(300, 225);
    QTest::newRow("stripes to an eighth") << Stripes(800, 600) << QSize(100, 75);
}

void TestImageCodecs::scalingLooksLikeQts()
{
    QFETCH(QImage, source);
    QFETCH(QSize, size);
    const QImage scaled = ToQImage(*ScaledImage(FromQImage(source), size));
    const QImage reference = source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(scaled.size(), size);
    // Both average what a new pixel covers and interpolate when growing;
    // they differ only in rounding (about a third of a level on average).
    const double mean = MeanDifference(scaled, reference);
    QVERIFY2(mean < 1.0, qPrintable(QString::number(mean)));
    const int largest = LargestDifference(scaled, reference);
    QVERIFY2(largest <= 4, qPrintable(QString::number(largest)));
}

void TestImageCodecs::scalingKeepsWhatMustStay()
{
    // One colour stays that colour exactly, shrunk or grown by any ratio.
    const Image solid = FromQImage(TestPictures::Solid(97, 61, QColor(12, 200, 99)));
    for (const QSize size : {QSize(1, 1), QSize(13, 7), QSize(97, 200), QSize(300, 5)}) {
        const QImage scaled = ToQImage(*ScaledImage(solid, size));
        QCOMPARE(scaled.size(), size);
        QCOMPARE(LargestDifference(scaled, TestPictures::Solid(size.width(), size.height(), QColor(12, 200, 99))), 0);
    }
    // The same size is the same picture; transparency goes over white.
    const Image stripes = FromQImage(Stripes(40, 30));
    QVERIFY(*ScaledImage(stripes, QSize(40, 30)) == stripes);
    const QImage seeThrough = SeeThrough(40, 30);
    QCOMPARE(LargestDifference(ToQImage(*ScaledImage(FromQImage(seeThrough), QSize(40, 30))), OverWhite(seeThrough)), 0);
}

void TestImageCodecs::rowReducerRoundsEachAverage_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("factor");
    QTest::newRow("halves") << QSize(64, 48) << 2;
    QTest::newRow("thirds, a narrower last column and row") << QSize(65, 49) << 3;
    QTest::newRow("by 17") << QSize(300, 200) << 17;
    QTest::newRow("to one pixel") << QSize(97, 89) << 97;
}

void TestImageCodecs::rowReducerRoundsEachAverage()
{
    QFETCH(QSize, size);
    QFETCH(int, factor);
    // Noise, so that every kind of remainder turns up.
    QImage picture(size, QImage::Format_RGB32);
    QRandomGenerator random(size.width() * 1000 + factor);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, random.generate() | 0xFF000000u);
    RowReducer reducer(size, factor);
    const Image engine = FromQImage(picture);
    for (int y = 0; y < size.height(); ++y)
        reducer.AddRow(engine.Row(y));
    const QImage reduced = ToQImage(reducer.Result());
    QCOMPARE(reduced.size(), RowReducer::ReducedSize(size, factor));
    for (int y = 0; y < reduced.height(); ++y)
        for (int x = 0; x < reduced.width(); ++x) {
            const QRect block = QRect(x * factor, y * factor, factor, factor).intersected(picture.rect());
            qint64 sums[3] = {0, 0, 0};
            for (int by = block.top(); by <= block.bottom(); ++by)
                for (int bx = block.left(); bx <= block.right(); ++bx) {
                    const QRgb p = picture.pixel(bx, by);
                    sums[0] += qRed(p);
                    sums[1] += qGreen(p);
                    sums[2] += qBlue(p);
                }
            const qint64 count = qint64(block.width()) * block.height();
            const QRgb expected = qRgb(int((sums[0] + count / 2) / count), int((sums[1] + count / 2) / count),
                                       int((sums[2] + count / 2) / count));
            QCOMPARE(reduced.pixel(x, y), expected);
        }
}

void TestImageCodecs::windowAdapterKeepsEveryPixel()
{
    for (const QImage &image : {Stripes(31, 17), SeeThrough(31, 17)}) {
        const Image engine = FromQImage(image);
        QCOMPARE(engine.HasAlpha(), image.hasAlphaChannel());
        const QImage back = ToQImage(engine);
        QCOMPARE(back.convertToFormat(QImage::Format_ARGB32), image.convertToFormat(QImage::Format_ARGB32));
        QVERIFY(FromQImage(back) == engine);
    }
    QVERIFY(FromQImage(QImage()).IsNull());
    QVERIFY(ToQImage(Image()).isNull());
}

QTEST_MAIN(TestImageCodecs)
#include "tst_imagecodecs.moc"
