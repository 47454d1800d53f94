// SPDX-License-Identifier: MIT
#include "base/briskoerror.h"
#include "engine/pictures/jpegcodec.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/pictures/pictureloader.h"
#include "support/errors.h"
#include "support/hostilepictures.h"
#include "support/peakmemory.h"
#include "support/testfiles.h"
#include "support/testpictures.h"
#include "window/widgets/enginepicture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using namespace TestPictures;

namespace {

bool Near(const QColor &a, const QColor &b, int tolerance = 12)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
        && qAbs(a.blue() - b.blue()) <= tolerance;
}

// A picture with four coloured quarters, to see that nothing is flipped or shifted.
QImage Quarters(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            image.setPixel(x, y, bottom ? (right ? qRgb(255, 255, 0) : qRgb(0, 0, 255))
                                        : (right ? qRgb(0, 255, 0) : qRgb(255, 0, 0)));
        }
    }
    return image;
}

// One 10000 x 10000 PNG for the tests that need it: making it takes a moment.
const QByteArray &LargePng()
{
    static const QByteArray png = HostilePictures::BandedPng(10000, 10000);
    return png;
}

} // namespace

class TestPictures_ : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void loaderAccepts_data();
    void loaderAccepts();
    void loaderRefuses_data();
    void loaderRefuses();
    void hugeDeclaredSizeIsRefusedCheaply();
    void outputHasExactlyTheAskedSize_data();
    void outputHasExactlyTheAskedSize();
    void outputIsBaselineAtTheQuality();
    void coloursSurviveEveryKindOfSource_data();
    void coloursSurviveEveryKindOfSource();
    void largeReductionsAreAveraged();
    void progressiveEighthNeedsOnlyItsDcScans();
    void sameInputGivesTheSameBytes();
    void convertKeepsTheSize();
    void failuresLeaveNoDestination();
    void sizesComeFromHeadersAlone_data();
    void sizesComeFromHeadersAlone();
    void largePngIsShrunkAsItIsRead();
    void interlacedPngIsReadWhole();
    void cutShortIsTakenFromTheDecoder();
    void everyDecoderAnswersAStop_data();
    void everyDecoderAnswersAStop();

private:
    QString Write(const QString &name, const QByteArray &bytes);
    std::unique_ptr<QTemporaryDir> dir_;
    PictureEncoder encoder_;
};

void TestPictures_::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

QString TestPictures_::Write(const QString &name, const QByteArray &bytes)
{
    const QString path = dir_->filePath(name);
    if (!TestFiles::Write(path, bytes))
        qFatal("cannot write a fixture");
    return path;
}

void TestPictures_::loaderAccepts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QColor>("colour");

    const QImage red = Solid(120, 80, Qt::red);
    QTest::newRow("baseline JPEG") << Jpeg(red) << QSize(120, 80) << QColor(Qt::red);
    QTest::newRow("progressive JPEG") << Jpeg(red, 90, true) << QSize(120, 80) << QColor(Qt::red);
    QTest::newRow("grey JPEG")
        << Jpeg(Solid(120, 80, QColor(90, 90, 90)).convertToFormat(QImage::Format_Grayscale8))
        << QSize(120, 80) << QColor(90, 90, 90);
    QTest::newRow("Adobe CMYK JPEG") << AdobeCmykJpeg(64, 48, 0, 255, 255, 0) << QSize(64, 48)
                                     << QColor(Qt::red);
    QTest::newRow("BMP") << Encoded(Solid(33, 17, Qt::blue), "bmp") << QSize(33, 17)
                         << QColor(Qt::blue);
    QTest::newRow("GIF") << SolidGif(20, 30, Qt::green) << QSize(20, 30)
                         << QColor(Qt::green);
}

void TestPictures_::loaderAccepts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(QColor, colour);

    // The name says nothing: tags hand pictures over as ".jpg" whatever they are.
    const QString path = Write(QStringLiteral("picture.jpg"), bytes);
    QCOMPARE(*PictureSize(path), size);
    const QImage image = ToQImage(*LoadPicture(path));
    QCOMPARE(image.size(), size);
    QVERIFY2(Near(image.pixelColor(size.width() / 2, size.height() / 2), colour),
             qPrintable(image.pixelColor(size.width() / 2, size.height() / 2).name()));
}

void TestPictures_::loaderRefuses_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("error");

    const QByteArray jpeg = Jpeg(Quarters(200, 200));
    QTest::newRow("PNG") << Encoded(Solid(10, 10, Qt::red), "png") << 481;
    QTest::newRow("text") << QByteArray("just some words, not a picture\n") << 481;
    QTest::newRow("empty") << QByteArray() << 481;
    QTest::newRow("JPEG cut in half") << jpeg.left(jpeg.size() / 2) << 481;
    QTest::newRow("JPEG header only") << jpeg.left(20) << 481;
    QTest::newRow("JPEG side above the limit") << JpegDeclaring(30001, 10) << 481;
    QTest::newRow("JPEG of zero width") << JpegDeclaring(0, 10) << 481;
    QByteArray bmp = Encoded(Solid(40, 40, Qt::red), "bmp");
    QTest::newRow("BMP cut short") << bmp.left(100) << 481;
    QByteArray hugeBmp = bmp;
    hugeBmp[18] = char(0x30); // width 0x7530 = 30000 ...
    hugeBmp[19] = char(0x75);
    hugeBmp[22] = char(0x30); // ... and height 30000: 900 megapixels
    hugeBmp[23] = char(0x75);
    QTest::newRow("BMP declaring 900 megapixels") << hugeBmp << 481;
}

void TestPictures_::loaderRefuses()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, error);
    const QString path = Write(QStringLiteral("bad.jpg"), bytes);
    QCOMPARE(ErrorOf(PictureSize(path)), error);
    QCOMPARE(ErrorOf(LoadPicture(path)), error);

    QCOMPARE(ErrorOf(LoadPicture(dir_->filePath(QStringLiteral("missing.jpg")))), 53);
    QCOMPARE(ErrorOf(LoadPicture(dir_->filePath(QStringLiteral("no/such/folder.jpg")))), 76);
}

void TestPictures_::hugeDeclaredSizeIsRefusedCheaply()
{
    const QByteArray bomb = JpegDeclaring(40000, 40000);
    QVERIFY(bomb.size() < 2000);
    const QString path = Write(QStringLiteral("bomb.jpg"), bomb);
    const PeakMemory peak;
    QCOMPARE(ErrorOf(LoadPicture(path)), 481);
    QCOMPARE(ErrorOf(PictureSize(path)), 481);
    QCOMPARE(ErrorOf(encoder_.ResizeToJpeg(path, dir_->filePath(QStringLiteral("out.jpg")), 250, 250, false, 80)),
             481);
    QCOMPARE(ErrorOf(ScaledPicture(bomb, QSize(100, 100))), 481);
    QVERIFY2(peak.Below(64), peak.Text().c_str());

    // Within the size limits the decoder's own memory bound still holds: a
    // progressive 9000 x 9000 file of a few hundred bytes is decoded with at
    // most that much working memory, or refused.
    const QByteArray within = JpegDeclaring(9000, 9000);
    const PeakMemory decoding;
    const int error = ErrorOf(ScaledPicture(within, QSize(100, 100)));
    QVERIFY(error == 0 || error == 481 || error == 50003);
    QVERIFY2(decoding.Below(600), decoding.Text().c_str());
}

void TestPictures_::outputHasExactlyTheAskedSize_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QSize>("target");

    QTest::newRow("shrink a wide picture") << QSize(1500, 1000) << QSize(250, 167);
    QTest::newRow("shrink a tall picture") << QSize(1000, 1500) << QSize(167, 250);
    QTest::newRow("enlarge") << QSize(100, 100) << QSize(250, 250);
    QTest::newRow("one pixel wide") << QSize(300, 600) << QSize(1, 300);
    QTest::newRow("one pixel high") << QSize(600, 300) << QSize(300, 1);
    QTest::newRow("from one pixel") << QSize(1, 1) << QSize(120, 90);
    QTest::newRow("odd sizes") << QSize(999, 777) << QSize(333, 259);
    QTest::newRow("same size") << QSize(250, 250) << QSize(250, 250);
}

void TestPictures_::outputHasExactlyTheAskedSize()
{
    QFETCH(QSize, source);
    QFETCH(QSize, target);
    const QString in = Write(QStringLiteral("in.jpg"), Jpeg(Quarters(source.width(), source.height())));
    const QString out = dir_->filePath(QStringLiteral("out.jpg"));
    QVERIFY(encoder_.ResizeToJpeg(in, out, target.width(), target.height(), false, 80));
    const QImage result = ToQImage(*LoadPicture(out));
    QCOMPARE(result.size(), target);
    if (qMin(source.width(), source.height()) >= 8 && qMin(target.width(), target.height()) >= 8) {
        // Nothing flipped or shifted: the top left stays red, the bottom right yellow.
        QVERIFY(Near(result.pixelColor(target.width() / 4, target.height() / 4), Qt::red, 40));
        QVERIFY(Near(result.pixelColor(target.width() * 3 / 4, target.height() * 3 / 4), Qt::yellow, 40));
    }
}

void TestPictures_::outputIsBaselineAtTheQuality()
{
    const QString in = Write(QStringLiteral("in.jpg"), Jpeg(Quarters(800, 600), 90, true));
    for (const int quality : {50, 80, 100}) {
        const QString out = dir_->filePath(QStringLiteral("out%1.jpg").arg(quality));
        QVERIFY(encoder_.ResizeToJpeg(in, out, 250, 188, false, quality));
        const QByteArray jpeg = TestFiles::Read(out);
        const QList<int> markers = JpegMarkers(jpeg);
        QCOMPARE(markers.first(), 0xD8);
        QCOMPARE(markers.last(), 0xD9);
        QVERIFY(markers.contains(0xC0));
        QVERIFY(!markers.contains(0xC2));
        QVERIFY(!markers.contains(0xE1)); // no Exif or XMP
        QVERIFY(!markers.contains(0xE2)); // no ICC profile
        QVERIFY(!markers.contains(0xFE)); // no comment
        QCOMPARE(markers.count(0xDA), 1); // one scan: not progressive

        // 4:2:0: luma sampled 2 x 2, both chroma components 1 x 1.
        const int frame = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
        QCOMPARE(int(uchar(jpeg[frame + 9])), 3);
        QCOMPARE(int(uchar(jpeg[frame + 11])), 0x22);
        QCOMPARE(int(uchar(jpeg[frame + 14])), 0x11);
        QCOMPARE(int(uchar(jpeg[frame + 17])), 0x11);

        // The first luminance quantiser is the standard 16 scaled by the quality.
        const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
        const int expected = qBound(1, (16 * scale + 50) / 100, 255);
        const int table = jpeg.indexOf(QByteArray("\xFF\xDB", 2));
        QCOMPARE(int(uchar(jpeg[table + 5])), expected);
    }
}

void TestPictures_::coloursSurviveEveryKindOfSource_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QColor>("colour");

    QTest::newRow("Adobe CMYK JPEG") << AdobeCmykJpeg(300, 300, 0, 255, 255, 0) << QColor(Qt::red);
    QTest::newRow("Adobe CMYK JPEG, blue") << AdobeCmykJpeg(300, 300, 255, 255, 0, 0)
                                           << QColor(Qt::blue);
    QTest::newRow("grey JPEG") << Jpeg(Solid(300, 300, QColor(90, 90, 90)).convertToFormat(QImage::Format_Grayscale8))
                               << QColor(90, 90, 90);

    QImage transparent(300, 300, QImage::Format_ARGB32);
    transparent.fill(Qt::transparent);
    QTest::newRow("transparent PNG turns white") << Encoded(transparent, "png") << QColor(Qt::white);
    QImage halfGreen(300, 300, QImage::Format_ARGB32);
    halfGreen.fill(QColor(0, 255, 0, 128));
    QTest::newRow("half-transparent green over white") << Encoded(halfGreen, "png")
                                                       << QColor(127, 255, 127);
    QImage paletted = Solid(300, 300, Qt::magenta).convertToFormat(QImage::Format_Indexed8);
    QTest::newRow("paletted PNG") << Encoded(paletted, "png") << QColor(Qt::magenta);
    QImage deep(300, 300, QImage::Format_RGBX64);
    deep.fill(QColor(0, 128, 255));
    QTest::newRow("16-bit PNG") << Encoded(deep, "png") << QColor(0, 128, 255);
    QTest::newRow("BMP") << Encoded(Solid(300, 300, Qt::cyan), "bmp") << QColor(Qt::cyan);
    QTest::newRow("GIF") << SolidGif(300, 300, Qt::darkGreen) << QColor(Qt::darkGreen);
    QTest::newRow("lossy WebP") << Webp(Solid(300, 300, Qt::cyan)) << QColor(Qt::cyan);
    QTest::newRow("half-transparent lossy WebP over white") << Webp(halfGreen) << QColor(127, 255, 127);
    QTest::newRow("half-transparent lossless WebP over white") << Webp(halfGreen, true) << QColor(127, 255, 127);
}

void TestPictures_::coloursSurviveEveryKindOfSource()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QColor, colour);
    const QString in = Write(QStringLiteral("art.jpg"), bytes);
    const QString out = dir_->filePath(QStringLiteral("out.jpg"));
    QVERIFY(encoder_.ResizeToJpeg(in, out, 100, 100, false, 90));
    const QImage result = ToQImage(*LoadPicture(out));
    QCOMPARE(result.size(), QSize(100, 100));
    QVERIFY2(Near(result.pixelColor(50, 50), colour, 16), qPrintable(result.pixelColor(50, 50).name()));
}

void TestPictures_::largeReductionsAreAveraged()
{
    // One-pixel stripes, stored losslessly, shrunk eight times: an averaging
    // filter gives grey, a filter that picks pixels black or white.
    QImage stripes(1600, 1600, QImage::Format_RGB32);
    for (int y = 0; y < stripes.height(); ++y)
        for (int x = 0; x < stripes.width(); ++x)
            stripes.setPixel(x, y, ((x + y) % 2) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const QImage small = ToQImage(*ScaledPicture(Encoded(stripes, "png"), QSize(200, 200)));
    for (const QPoint &at : {QPoint(10, 10), QPoint(100, 100), QPoint(157, 43)}) {
        const int grey = qGray(small.pixel(at));
        QVERIFY2(grey > 100 && grey < 155, qPrintable(QString::number(grey)));
    }
}

void TestPictures_::progressiveEighthNeedsOnlyItsDcScans()
{
    // Detail in every block, so the AC scans carry most of the file.
    QImage image(800, 640, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7 + y) % 256, (x ^ y) % 256, (y * 3) % 256));
    const QByteArray progressive = TestPictures::Jpeg(image, 92, true);

    const Image eighth = *DecodeJpeg(progressive, QSize(100, 80));
    QCOMPARE(eighth.Size(), QSize(100, 80));

    // The same picture cut after its first scan, all DC values, and ended:
    // an eighth of it comes out the same, so nothing after it was used.
    const QByteArray sos("\xFF\xDA", 2);
    const int secondScan = progressive.indexOf(sos, progressive.indexOf(sos) + 2);
    QVERIFY(secondScan > 0 && secondScan < progressive.size() / 4);
    const Image fromFirstScan = *DecodeJpeg(progressive.left(secondScan) + QByteArray("\xFF\xD9", 2), QSize(100, 80));
    QVERIFY(fromFirstScan == eighth);

    // And it is the picture: a cover-like picture (smooth colours, shapes)
    // comes out as from the whole file. Only fine colour detail is lost,
    // which the 4:2:0 JPEG made from it would not keep anyway.
    QImage cover(800, 640, QImage::Format_RGB32);
    QPainter painter(&cover);
    QLinearGradient gradient(0, 0, 800, 640);
    gradient.setColorAt(0, QColor(200, 60, 40));
    gradient.setColorAt(1, QColor(30, 90, 200));
    painter.fillRect(cover.rect(), gradient);
    painter.setBrush(QColor(250, 220, 80));
    painter.drawEllipse(QPoint(300, 260), 180, 140);
    painter.end();
    const Image fromDc = *DecodeJpeg(TestPictures::Jpeg(cover, 92, true), QSize(100, 80));
    const Image decodedWhole = *DecodeJpeg(TestPictures::Jpeg(cover, 92, false), QSize(100, 80));
    const QImage dc = ToQImage(fromDc);
    const QImage whole = ToQImage(decodedWhole);
    int worst = 0;
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x) {
            const QRgb a = dc.pixel(x, y), b = whole.pixel(x, y);
            worst = std::max({worst, qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b))});
        }
    QVERIFY2(worst <= 48, qPrintable(QString::number(worst))); // colour at the ellipse's edge
    long total = 0;
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x)
            total += qAbs(qGray(dc.pixel(x, y)) - qGray(whole.pixel(x, y)));
    QVERIFY2(total < whole.width() * whole.height(), qPrintable(QString::number(total))); // under a level on average

    // A larger size needs the AC scans, and takes them.
    const Image quarter = *DecodeJpeg(progressive, QSize(200, 160));
    QCOMPARE(quarter.Size(), QSize(200, 160));
}

void TestPictures_::sameInputGivesTheSameBytes()
{
    const QString in = Write(QStringLiteral("in.jpg"), Jpeg(Quarters(1200, 900), 92, true));
    const QString first = dir_->filePath(QStringLiteral("a.jpg"));
    const QString second = dir_->filePath(QStringLiteral("b.jpg"));
    QVERIFY(encoder_.ResizeToJpeg(in, first, 250, 188, false, 80));
    PictureEncoder another;
    QVERIFY(another.ResizeToJpeg(in, second, 250, 188, false, 80));
    QCOMPARE(TestFiles::Read(first), TestFiles::Read(second));
    QVERIFY(!TestFiles::Read(first).isEmpty());

    QVERIFY(encoder_.ResizeToJpeg(in, second, 250, 188, false, 81));
    QVERIFY(TestFiles::Read(first) != TestFiles::Read(second));

    // An encoder that has seen the picture still honours a new size.
    QVERIFY(encoder_.ResizeToJpeg(in, second, 120, 90, false, 80));
    QCOMPARE(*PictureSize(second), QSize(120, 90));
    QVERIFY(encoder_.ResizeToJpeg(in, second, 250, 188, false, 80));
    QCOMPARE(TestFiles::Read(second), TestFiles::Read(first));
}

void TestPictures_::convertKeepsTheSize()
{
    QImage image(321, 123, QImage::Format_ARGB32);
    image.fill(QColor(200, 10, 10, 255));
    const QString png = Write(QStringLiteral("art.jpg.png"), Encoded(image, "png"));
    const QString jpg = dir_->filePath(QStringLiteral("art.jpg"));
    QVERIFY(encoder_.ConvertToJpeg(png, jpg));
    QCOMPARE(*PictureSize(jpg), QSize(321, 123));
    QVERIFY(Near(ToQImage(*LoadPicture(jpg)).pixelColor(160, 60), QColor(200, 10, 10)));
}

void TestPictures_::failuresLeaveNoDestination()
{
    const QString out = dir_->filePath(QStringLiteral("out.jpg"));
    const QString text = Write(QStringLiteral("text.jpg"), QByteArray("not a picture"));
    QCOMPARE(ErrorOf(encoder_.ResizeToJpeg(text, out, 100, 100, false, 80)), 481);
    QVERIFY(!QFile::exists(out));
    QCOMPARE(ErrorOf(encoder_.ConvertToJpeg(text, out)), 481);
    QVERIFY(!QFile::exists(out));

    const QString good = Write(QStringLiteral("good.jpg"), Jpeg(Solid(50, 50, Qt::red)));
    QCOMPARE(ErrorOf(encoder_.ResizeToJpeg(good, out, 0, 100, false, 80)), 5);
    QCOMPARE(ErrorOf(encoder_.ResizeToJpeg(good, out, 40000, 40000, false, 80)), 5);
    QVERIFY(!QFile::exists(out));
    QCOMPARE(ErrorOf(encoder_.ResizeToJpeg(dir_->filePath(QStringLiteral("gone.jpg")), out, 9, 9, false, 80)), 53);
    QCOMPARE(ErrorOf(encoder_.ResizeToJpeg(good, dir_->filePath(QStringLiteral("no/folder/out.jpg")), 9, 9, false, 80)),
             75);
}

void TestPictures_::sizesComeFromHeadersAlone_data()
{
    using namespace HostilePictures;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");

    QTest::newRow("PNG") << LargePng() << QSize(10000, 10000);
    QTest::newRow("interlaced PNG") << BandedPng(3000, 4000, true) << QSize(3000, 4000);
    QTest::newRow("run-length BMP") << RunLengthBmp(10000, 10000) << QSize(10000, 10000);
    QTest::newRow("GIF screen") << GifWithHugeScreen(10000, 10000) << QSize(10000, 10000);
    QTest::newRow("WebP") << WebpDeclaring(10000, 10000) << QSize(10000, 10000);
    QTest::newRow("GIF") << HostilePictures::Gif(Stripes(300, 200).convertToFormat(QImage::Format_Indexed8))
                         << QSize(300, 200);
}

void TestPictures_::sizesComeFromHeadersAlone()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    const PeakMemory peak;
    QCOMPARE(*DeclaredPictureSize(bytes), size);
    QVERIFY2(peak.Below(8), peak.Text().c_str());
}

void TestPictures_::largePngIsShrunkAsItIsRead()
{
    // 10000 x 10000 RGBA would take 400 MB whole; read a row at a time and
    // averaged down as it comes, it takes a few.
    const PeakMemory peak;
    const QImage small = ToQImage(*ScaledPicture(LargePng(), QSize(250, 250)));
    QVERIFY2(peak.Below(32), peak.Text().c_str());
    QCOMPARE(small.size(), QSize(250, 250));
    // Bands of red, green, blue and half-transparent black over white.
    QVERIFY(Near(small.pixelColor(125, 31), Qt::red));
    QVERIFY(Near(small.pixelColor(125, 94), Qt::green));
    QVERIFY(Near(small.pixelColor(125, 156), Qt::blue));
    QVERIFY(Near(small.pixelColor(125, 219), QColor(127, 127, 127)));
}

void TestPictures_::interlacedPngIsReadWhole()
{
    const QImage interlaced = ToQImage(*ScaledPicture(HostilePictures::BandedPng(301, 203, true), QSize(301, 203)));
    QCOMPARE(interlaced, ToQImage(*ScaledPicture(HostilePictures::BandedPng(301, 203), QSize(301, 203))));
    QVERIFY(Near(interlaced.pixelColor(150, 10), Qt::red));
    QVERIFY(Near(interlaced.pixelColor(150, 190), QColor(127, 127, 127)));
    // One row high, a single pass holds it, but it converts as two rows do:
    // to the JPEG its plain twin gives, of the size asked (as Qt reads it).
    for (const int height : {1, 2}) {
        const QByteArray jpeg = *encoder_.ResizeToJpegData(HostilePictures::BandedPng(300, height, true),
                                                           QSize(250, height), 80);
        QCOMPARE(jpeg, *encoder_.ResizeToJpegData(HostilePictures::BandedPng(300, height), QSize(250, height), 80));
        QCOMPARE(QImage::fromData(jpeg, "JPEG").size(), QSize(250, height));
    }
}

void TestPictures_::cutShortIsTakenFromTheDecoder()
{
    // The thumbnail's end-of-image marker makes the file look whole to a
    // search for markers; libjpeg's warning tells that the data ended early.
    const QByteArray whole = HostilePictures::JpegWithExifThumbnail(HostilePictures::Stripes(600, 600),
                                                                    HostilePictures::Stripes(160, 120));
    const QByteArray cut = whole.left(whole.size() * 6 / 10);
    QVERIFY(JpegIsComplete(cut));
    QCOMPARE(ScaledPicture(whole, QSize(250, 250))->Size(), QSize(250, 250));
    const Result<Image> decoded = ScaledPicture(cut, QSize(250, 250));
    QVERIFY2(!decoded, "a picture cut short was decoded");
    QCOMPARE(decoded.Why().code, 481);
    QCOMPARE(decoded.Why().reason, QStringLiteral("Damaged picture: cut short (Premature end of JPEG file)"));
}

void TestPictures_::everyDecoderAnswersAStop_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QImage picture = HostilePictures::Stripes(400, 300);
    QTest::newRow("baseline JPEG") << Jpeg(picture);
    QTest::newRow("progressive JPEG") << Jpeg(picture, 90, true);
    QTest::newRow("PNG") << HostilePictures::BandedPng(400, 300);
    QTest::newRow("interlaced PNG") << HostilePictures::BandedPng(400, 300, true);
    QTest::newRow("BMP") << Encoded(picture, "bmp");
    const QImage indexed = picture.convertToFormat(QImage::Format_Indexed8);
    HostilePictures::BmpShape runs;
    runs.bits = 8;
    runs.compression = 1;
    QTest::newRow("run-length BMP") << HostilePictures::Bmp(indexed, runs);
    QTest::newRow("GIF") << HostilePictures::Gif(indexed);
    HostilePictures::GifShape interlaced;
    interlaced.interlaced = true;
    QTest::newRow("interlaced GIF") << HostilePictures::Gif(indexed, interlaced);
    QTest::newRow("lossy WebP") << Webp(picture);
    QTest::newRow("lossless WebP") << Webp(picture, true);
}

void TestPictures_::everyDecoderAnswersAStop()
{
    QFETCH(QByteArray, bytes);
    int asked = 0;
    QCOMPARE(ErrorOf(ScaledPicture(bytes, QSize(200, 150),
                                   [&asked] {
                                       ++asked;
                                       return true;
                                   })),
             18);
    QCOMPARE(asked, 1);
    QCOMPARE(DecodeBudget::Pictures().InUse(), 0);
    QCOMPARE(ScaledPicture(bytes, QSize(200, 150), [] { return false; })->Size(), QSize(200, 150));
}

QTEST_MAIN(TestPictures_)
#include "tst_pictures.moc"
