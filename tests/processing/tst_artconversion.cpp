// SPDX-License-Identifier: MIT
#include "base/briskoerror.h"
#include "engine/convert/artconversion.h"
#include "engine/files/filetimes.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/pictures/pictureloader.h"
#include "engine/tags/taglibrary.h"
#include "support/hostilepictures.h"
#include "support/mp3fixture.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

namespace {

ArtRequest Request(int target, int quality)
{
    ArtRequest request;
    request.target = target;
    request.quality = quality;
    return request;
}

// Runs Debian's own Python (where python3-pil and python3-mutagen are) on a
// script; its standard output.
QByteArray Python(const QString &script, const QStringList &arguments)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + arguments);
    python.waitForFinished(60000);
    return python.readAllStandardOutput();
}

// A 200 x 160 picture of noise, so that encoding it again shows in its
// pixels, made by Pillow in mode and saved as a JPEG with options ("quality=90").
QByteArray PillowJpeg(const QString &mode, const QString &options)
{
    return Python(QStringLiteral("import io, sys\n"
                                 "from PIL import Image\n"
                                 "n = Image.effect_noise((200, 160), 60)\n"
                                 "image = Image.merge('RGB', [n, n.rotate(180), n.transpose(Image.FLIP_LEFT_RIGHT)])\n"
                                 "out = io.BytesIO()\n"
                                 "image.convert(sys.argv[1]).save(out, 'JPEG', **eval('dict(' + sys.argv[2] + ')'))\n"
                                 "sys.stdout.buffer.write(out.getvalue())\n"),
                  {mode, options});
}

} // namespace

class TestArtConversion : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void newSize_data();
    void newSize();
    void convertsAndKeepsTheTime();
    void pngIsConvertedOnce();
    void unreadablePictureIsNoPicture();
    void refusedSaveAndMissingFile();
    void hostileArtIsRefusedWithItsReason_data();
    void hostileArtIsRefusedWithItsReason();
    void stopInTheMiddleOfAPictureLeavesTheFile();
    void onlyWhatPlayersShowIsLeftAlone_data();
    void onlyWhatPlayersShowIsLeftAlone();

private:
    QString Mp3With(const QString &name, const QByteArray &picture, const QString &mime);
    QStringList TemporaryPictures() const;
    QByteArray ReadFirstPicture(const QString &path);

    std::unique_ptr<QTemporaryDir> dir_;
    TagLibrary tags_;
    PictureEncoder encoder_;
};

void TestArtConversion::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

QByteArray TestArtConversion::ReadFirstPicture(const QString &path)
{
    QByteArray picture;
    if (tags_.OpenAudioFile(path) == 1 && tags_.PictureData(1))
        picture = *tags_.PictureData(1);
    tags_.CloseAudioFile();
    return picture;
}

QString TestArtConversion::Mp3With(const QString &name, const QByteArray &picture, const QString &mime)
{
    Mp3Fixture::Recipe recipe;
    recipe.title = QStringLiteral("Song");
    recipe.pictures = {Mp3Fixture::Picture{picture, mime, 4, QStringLiteral("cover")}};
    return Mp3Fixture::Write(dir_->filePath(name), recipe);
}

QStringList TestArtConversion::TemporaryPictures() const
{
    return QDir(QDir::tempPath()).entryList({QStringLiteral("brisko-*")}, QDir::Files);
}

void TestArtConversion::newSize_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("target");
    QTest::addColumn<QSize>("expected");

    QTest::newRow("wide") << QSize(1000, 333) << 300 << QSize(300, 100);
    QTest::newRow("half rounds to even") << QSize(2, 1) << 5 << QSize(5, 2);
    QTest::newRow("tall, a third") << QSize(2, 3) << 5 << QSize(3, 5);
    QTest::newRow("square") << QSize(500, 500) << 300 << QSize(300, 300);
    QTest::newRow("enlarged") << QSize(200, 100) << 300 << QSize(300, 150);
    QTest::newRow("very thin: never below one pixel") << QSize(3000, 1) << 250 << QSize(250, 1);
}

void TestArtConversion::newSize()
{
    QFETCH(QSize, picture);
    QFETCH(int, target);
    QFETCH(QSize, expected);
    QCOMPARE(NewPictureSize(picture.width(), picture.height(), target).Value(), expected);
}

void TestArtConversion::convertsAndKeepsTheTime()
{
    const QString path = Mp3With(QStringLiteral("song.mp3"),
                                 TestPictures::Jpeg(TestPictures::Solid(1200, 800, Qt::red), 90, true),
                                 QStringLiteral("image/jpeg"));
    const QDateTime time(QDate(2019, 4, 5), QTime(6, 7, 8));
    QVERIFY(RestoreModifiedTime(path, time));
    const QStringList before = TemporaryPictures();

    const ArtConversion result = ConvertArt(tags_, encoder_, path, Request(300, 80)).Value();
    QCOMPARE(int(result.outcome), int(ArtOutcome::Resized));
    QCOMPARE(result.newSize, QSize(300, 200));
    QVERIFY(!result.fromPng);
    QCOMPARE(QFileInfo(path).lastModified(), time);
    QCOMPARE(TemporaryPictures(), before);

    QCOMPARE(tags_.OpenAudioFile(path), short(1));
    QCOMPARE(tags_.GetPictureType(1), short(4));
    QCOMPARE(tags_.Id3v2Field(TagField::Title), QStringLiteral("Song"));
    const QString art = dir_->filePath(QStringLiteral("art.jpg"));
    QVERIFY(tags_.SavePictureToFile(1, art));
    QCOMPARE(*PictureSize(art), QSize(300, 200));
}

void TestArtConversion::pngIsConvertedOnce()
{
    const QString path = Mp3With(QStringLiteral("png.mp3"),
                                 TestPictures::Encoded(TestPictures::Solid(400, 600, Qt::blue), "png"),
                                 QStringLiteral("image/png"));
    const ArtConversion result = ConvertArt(tags_, encoder_, path, Request(250, 80)).Value();
    QCOMPARE(int(result.outcome), int(ArtOutcome::Resized));
    QVERIFY(result.fromPng);
    QCOMPARE(result.newSize, QSize(167, 250));
}

void TestArtConversion::unreadablePictureIsNoPicture()
{
    const QString path = Mp3With(QStringLiteral("junk.mp3"), QByteArray("not a picture at all"),
                                 QStringLiteral("image/jpeg"));
    const QByteArray before = TestFiles::Read(path);
    const ArtConversion result = ConvertArt(tags_, encoder_, path, Request(250, 80)).Value();
    QCOMPARE(int(result.outcome), int(ArtOutcome::NoPicture));
    QCOMPARE(TestFiles::Read(path), before);
}

void TestArtConversion::refusedSaveAndMissingFile()
{
    const QString path = Mp3With(QStringLiteral("locked.mp3"), TestPictures::Jpeg(TestPictures::Solid(500, 500, Qt::green)),
                                 QStringLiteral("image/jpeg"));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray before = TestFiles::Read(path);
    QCOMPARE(int(ConvertArt(tags_, encoder_, path, Request(250, 80)).Value().outcome), int(ArtOutcome::SaveFailed));
    QCOMPARE(TestFiles::Read(path), before);

    const QString gone = dir_->filePath(QStringLiteral("gone.mp3"));
    QCOMPARE(int(ConvertArt(tags_, encoder_, gone, Request(250, 80)).Value().outcome), int(ArtOutcome::FileMissing));

    // A file whose tag holds no picture has none to convert (not a missing file).
    Mp3Fixture::Recipe bare;
    const QString plain = Mp3Fixture::Write(dir_->filePath(QStringLiteral("plain.mp3")), bare);
    const QByteArray plainBytes = TestFiles::Read(plain);
    QCOMPARE(int(ConvertArt(tags_, encoder_, plain, Request(250, 80)).Value().outcome), int(ArtOutcome::NoPicture));
    QCOMPARE(TestFiles::Read(plain), plainBytes);
}

void TestArtConversion::hostileArtIsRefusedWithItsReason_data()
{
    using namespace HostilePictures;
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<QString>("mime");
    QTest::addColumn<QString>("reason");

    // (Within the limits both are decoded a row at a time: see tst_imagecodecs.)
    QTest::newRow("run-length BMP declaring 20000 x 10000")
        << RunLengthBmp(20000, 10000) << QStringLiteral("image/bmp")
        << QStringLiteral("Picture too large: 20000 x 10000 is beyond the limits");
    QTest::newRow("GIF with a 30000 x 30000 screen")
        << GifWithHugeScreen(30000, 30000) << QStringLiteral("image/gif") << QStringLiteral("Picture too large");
    QTest::newRow("interlaced PNG of 10000 x 10000")
        << BandedPng(10000, 10000, true) << QStringLiteral("image/png") << QStringLiteral("Picture too large");
    QTest::newRow("a scan repeated 100,000 times")
        << JpegRepeatingScan(TestPictures::Solid(1000, 1000, Qt::darkCyan), 100000) << QStringLiteral("image/jpeg")
        << QStringLiteral("Picture refused: more than 100 progressive scans");
    const QByteArray exif = JpegWithExifThumbnail(Stripes(600, 600), Stripes(160, 120));
    QTest::newRow("JPEG with an Exif thumbnail, cut short")
        << exif.left(exif.size() * 6 / 10) << QStringLiteral("image/jpeg")
        << QStringLiteral("Damaged picture: cut short (Premature end of JPEG file)");
    const QByteArray gif = Gif(Stripes(300, 300).convertToFormat(QImage::Format_Indexed8));
    QTest::newRow("GIF cut short") << gif.left(gif.size() * 24 / 100) << QStringLiteral("image/gif")
                                   << QStringLiteral("Damaged picture: cut short");
    const QByteArray png = BandedPng(600, 600);
    QTest::newRow("PNG cut short") << png.left(png.size() / 2) << QStringLiteral("image/png")
                                   << QStringLiteral("Damaged picture: ");
    QTest::newRow("animated WebP") << WebpDeclaring(600, 600, true) << QStringLiteral("image/webp")
                                   << QStringLiteral("unsupported picture (animated WebP)");
}

void TestArtConversion::hostileArtIsRefusedWithItsReason()
{
    QFETCH(QByteArray, picture);
    QFETCH(QString, mime);
    QFETCH(QString, reason);
    const QString path = Mp3With(QStringLiteral("hostile.mp3"), picture, mime);
    const QByteArray before = TestFiles::Read(path);
    const ArtConversion result = ConvertArt(tags_, encoder_, path, Request(250, 80)).Value();
    QCOMPARE(int(result.outcome), int(ArtOutcome::NoPicture));
    QVERIFY2(result.reason.startsWith(reason, Qt::CaseInsensitive), qPrintable(result.reason));
    QCOMPARE(TestFiles::Read(path), before);
}

void TestArtConversion::stopInTheMiddleOfAPictureLeavesTheFile()
{
    // A 10000 x 10000 PNG takes a while to decode; the stop request comes
    // once the decoder has asked for the first time, so in its middle.
    const QString path = Mp3With(QStringLiteral("large.mp3"), HostilePictures::BandedPng(10000, 10000),
                                 QStringLiteral("image/png"));
    const QByteArray before = TestFiles::Read(path);
    std::atomic<bool> asked{false}, stop{false};
    ArtRequest request;
    request.stopRequested = [&] {
        asked = true;
        return stop.load();
    };
    std::optional<Result<ArtConversion>> result;
    std::thread conversion([&] {
        TagLibrary tags;
        PictureEncoder encoder;
        result = ConvertArt(tags, encoder, path, request);
    });
    QTRY_VERIFY(asked.load());
    stop = true;
    conversion.join();
    QVERIFY(result && *result);
    QCOMPARE(int((*result)->outcome), int(ArtOutcome::Stopped));
    QCOMPARE(TestFiles::Read(path), before);

    // Asked again, the same picture is converted: a stop is not remembered.
    request.stopRequested = {};
    const ArtConversion again = ConvertArt(tags_, encoder_, path, request).Value();
    QCOMPARE(int(again.outcome), int(ArtOutcome::Resized));
    QCOMPARE(again.newSize, QSize(250, 250));
}

void TestArtConversion::onlyWhatPlayersShowIsLeftAlone_data()
{
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<QString>("becomes"); // "left as it is", "the same pixels", or "encoded again"

    QTest::newRow("baseline grey") << PillowJpeg(QStringLiteral("L"), QStringLiteral("quality=90")) << "left as it is";
    QTest::newRow("progressive") << PillowJpeg(QStringLiteral("RGB"), QStringLiteral("quality=80, progressive=True"))
                                 << "the same pixels";
    QTest::newRow("progressive grey") << PillowJpeg(QStringLiteral("L"), QStringLiteral("progressive=True"))
                                      << "the same pixels";
    QTest::newRow("Adobe CMYK") << PillowJpeg(QStringLiteral("CMYK"), QStringLiteral("quality=95")) << "encoded again";
    QTest::newRow("Adobe YCCK") << TestPictures::AdobeCmykJpeg(200, 160, 30, 160, 220, 40) << "encoded again";
    QTest::newRow("progressive CMYK") << PillowJpeg(QStringLiteral("CMYK"), QStringLiteral("progressive=True"))
                                      << "encoded again";
    QTest::newRow("arithmetic-coded")
        << TestPictures::ArithmeticJpeg(TestPictures::Noise(200, 160)) << "encoded again";
}

// Players show only baseline, Huffman-coded JPEGs in YCbCr or grey. Only
// such a picture within the size is left as it is; a progressive one loses
// its scans, not a pixel; every other kind is encoded again, CMYK as the
// colours Pillow sees in it.
void TestArtConversion::onlyWhatPlayersShowIsLeftAlone()
{
    QFETCH(QByteArray, picture);
    QFETCH(QString, becomes);
    QVERIFY2(!picture.isEmpty(), "Pillow made no picture");
    const QString path = Mp3With(QStringLiteral("art.mp3"), picture, QStringLiteral("image/jpeg"));
    const QByteArray before = TestFiles::Read(path);
    ArtRequest request = Request(250, 80);
    request.leaveFitting = true;
    request.neverEnlarge = true;
    const ArtConversion result = ConvertArt(tags_, encoder_, path, request).Value();
    if (becomes == QLatin1String("left as it is")) {
        QCOMPARE(int(result.outcome), int(ArtOutcome::Skipped));
        QCOMPARE(TestFiles::Read(path), before);
        return;
    }
    QCOMPARE(int(result.outcome), int(ArtOutcome::Resized));
    QCOMPARE(result.notes.join(QString()).contains(QLatin1String("without encoding it again")),
             becomes == QLatin1String("the same pixels"));

    // Both pictures as Pillow decodes them: the new one from the file, by mutagen.
    const QString old = dir_->filePath(QStringLiteral("old.jpg"));
    QVERIFY(TestFiles::Write(old, picture));
    const QJsonObject seen = QJsonDocument::fromJson(Python(
        QStringLiteral("import io, sys, json\n"
                       "from PIL import Image, ImageStat\n"
                       "from mutagen.id3 import ID3\n"
                       "new = Image.open(io.BytesIO(ID3(sys.argv[1]).getall('APIC')[0].data))\n"
                       "old = Image.open(sys.argv[2])\n"
                       "mean = lambda i: [round(v) for v in ImageStat.Stat(i.convert('RGB')).mean]\n"
                       "print(json.dumps({'kind': new.format + ' ' + new.mode, 'size': list(new.size),\n"
                       "  'same': new.tobytes() == old.tobytes(),\n"
                       "  'mean': mean(new), 'expected': mean(old)}))\n"),
        {path, old})).object();
    QVERIFY(seen.value(QStringLiteral("kind")) == QLatin1String("JPEG RGB")
            || seen.value(QStringLiteral("kind")) == QLatin1String("JPEG L"));
    QCOMPARE(seen.value(QStringLiteral("size")).toArray(), QJsonArray({200, 160}));
    QCOMPARE(seen.value(QStringLiteral("same")).toBool(), becomes == QLatin1String("the same pixels"));
    const QJsonArray mean = seen.value(QStringLiteral("mean")).toArray();
    const QJsonArray expected = seen.value(QStringLiteral("expected")).toArray();
    for (int channel = 0; channel < 3; ++channel)
        QVERIFY2(qAbs(mean.at(channel).toInt() - expected.at(channel).toInt()) <= 4,
                 QJsonDocument(seen).toJson(QJsonDocument::Compact).constData());
    // Baseline and Huffman-coded: a start-of-frame 0 and neither progressive nor arithmetic.
    const QByteArray made = ReadFirstPicture(path);
    QVERIFY(TestPictures::JpegMarkers(made).contains(0xC0));
    for (const int marker : {0xC2, 0xC9, 0xCA})
        QVERIFY(!TestPictures::JpegMarkers(made).contains(marker));
}

QTEST_MAIN(TestArtConversion)
#include "tst_artconversion.moc"
