// SPDX-License-Identifier: MIT
#include "engine/convert/statuses.h"
#include "engine/pictures/jpegcodec.h"
#include "support/audiofixture.h"
#include "support/mp3fixture.h"
#include "support/musicfiles.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

using namespace Mp3Fixture;
using TestFiles::Read;
using namespace AudioFixture;

// What brisko-batch tells of each file is the truth, a second run changes
// nothing, a dry run predicts the real one, and every picture can be
// converted. Pictures are checked with an independent reader (mutagen).
class TestBatchOutcomes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void artThatCannotBeConverted_data();
    void artThatCannotBeConverted();
    void rerunsChangeNothing();
    void dryRunPredictsTheRealRun();
    void everyPictureOnRequest();
    void playerOptions_data();
    void playerOptions();
    void checkBeforeATrip();

private:
    QString Mp3(const QString &name, const QList<Picture> &pictures) const;
    // One JSON object per file, by file name.
    static QHash<QString, QJsonObject> Run(const QStringList &arguments, int *code);
    // The pictures of a file as mutagen reads them: type, description, data.
    static QList<QJsonObject> MutagenPictures(const QString &path);

    std::unique_ptr<QTemporaryDir> dir_;
    QTemporaryDir tonesDir_;
    AudioFixture::Tones tones_;
    bool haveTones_ = false;
};

void TestBatchOutcomes::initTestCase()
{
    haveTones_ = AudioFixture::MakeTones(tonesDir_.path(), &tones_);
}

void TestBatchOutcomes::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", (dir_->path() + QStringLiteral("/config")).toUtf8());
}

QString TestBatchOutcomes::Mp3(const QString &name, const QList<Picture> &pictures) const
{
    Recipe recipe;
    recipe.title = name;
    recipe.pictures = pictures;
    return Write(dir_->filePath(name), recipe);
}

QHash<QString, QJsonObject> TestBatchOutcomes::Run(const QStringList &arguments, int *code)
{
    QProcess batch;
    batch.start(QStringLiteral(BRISKO_BATCH), QStringList{QStringLiteral("--json")} + arguments);
    batch.waitForFinished(120000);
    *code = batch.exitStatus() == QProcess::NormalExit ? batch.exitCode() : -1;
    QHash<QString, QJsonObject> results;
    for (const QByteArray &line : batch.readAllStandardOutput().split('\n')) {
        const QJsonObject result = QJsonDocument::fromJson(line).object();
        if (!result.isEmpty())
            results.insert(QFileInfo(result.value(QStringLiteral("file")).toString()).fileName(), result);
    }
    return results;
}

QList<QJsonObject> TestBatchOutcomes::MutagenPictures(const QString &path)
{
    // Debian's own Python, where its python3-mutagen package is.
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, json, base64\n"
                                 "from mutagen.id3 import ID3\n"
                                 "print(json.dumps([{'type': int(f.type), 'desc': f.desc, 'encoding': int(f.encoding),\n"
                                 "  'data': base64.b64encode(f.data).decode()} for f in ID3(sys.argv[1]).getall('APIC')]))"),
                  path});
    python.waitForFinished(30000);
    QList<QJsonObject> pictures;
    for (const QJsonValue &value : QJsonDocument::fromJson(python.readAllStandardOutput()).array())
        pictures << value.toObject();
    return pictures;
}

namespace {

QByteArray Art(int width, int height, bool progressive = false)
{
    return TestPictures::Jpeg(TestPictures::Solid(width, height, Qt::darkMagenta), 90, progressive);
}

// The JPEG's start-of-frame marker and precision byte changed: a kind of
// JPEG the decoder cannot read.
QByteArray WithFrame(QByteArray jpeg, char marker, char precision)
{
    const qsizetype frame = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    jpeg[frame + 1] = marker;
    jpeg[frame + 4] = precision;
    return jpeg;
}

QByteArray FlacWith(const QList<AudioFixture::Block> &blocks)
{
    return AudioFixture::Flac(QList<AudioFixture::Block>{{0, QByteArray(34, '\0')}} + blocks, AudioFixture::MadeUpFrame());
}

// A FLAC file as an earlier save that kept the file's length left it: art
// that fits, and a megabyte of padding where the large art was.
QByteArray PaddedFlac()
{
    return FlacWith({{6, AudioFixture::PictureBody(3, "image/jpeg", "", Art(250, 167))}, {1, QByteArray(1 << 20, '\0')}});
}

QSize JpegSize(const QJsonObject &picture)
{
    const Result<JpegHeader> header =
        ReadJpegHeader(QByteArray::fromBase64(picture.value(QStringLiteral("data")).toString().toLatin1()));
    return header ? header->size : QSize();
}

} // namespace

void TestBatchOutcomes::artThatCannotBeConverted_data()
{
    QTest::addColumn<QByteArray>("file");   // a whole file, or empty for an MP3 with the art below
    QTest::addColumn<QByteArray>("art");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("error");

    const QByteArray webp = QByteArray("RIFF\x24\0\0\0WEBPVP8 ", 16) + QByteArray(32, '\x11');
    QByteArray damaged = Art(600, 400);
    damaged = damaged.left(300) + QByteArray(2000, '\xA5') + damaged.right(2);
    QTest::newRow("WebP of junk") << QByteArray() << webp << "Resize Failed" << "damaged picture";
    QTest::newRow("damaged JPEG") << QByteArray() << damaged << "Resize Failed" << "damaged picture";
    QTest::newRow("beyond the limits") << QByteArray() << TestPictures::JpegDeclaring(40000, 2) << "Resize Failed"
                                       << "picture too large: 40000 x 2 is beyond the limits";
    QTest::newRow("12-bit JPEG") << QByteArray() << WithFrame(Art(600, 400), '\xC1', 12) << "Resize Failed"
                                 << "unsupported picture (12-bit JPEG)";
    QTest::newRow("lossless JPEG") << QByteArray() << WithFrame(Art(600, 400), '\xC3', 8) << "Resize Failed"
                                   << "unsupported picture (lossless JPEG)";

    // Picture frames and tags that cannot be read.
    const QByteArray audio = AudioFrames(8);
    const QByteArray compressed =
        Frame("APIC", QByteArray("\0\0\x10\0", 4) + QByteArray(16, '\x78'), 3, 0x0080);
    QTest::newRow("compressed picture frame") << Tag(3, TextFrame("TIT2", QStringLiteral("T")) + compressed, 16) + audio
                                              << QByteArray() << "Resize Failed"
                                              << "picture 1 cannot be read (a compressed, encrypted or damaged frame)";
    QByteArray runsPast = Tag(3, TextFrame("TIT2", QStringLiteral("T")));
    runsPast[8] = char(0x7F); // the tag declares far more than the file holds
    QTest::newRow("tag that cannot be read whole") << runsPast + audio.left(100) << QByteArray() << "Resize Failed"
                                                   << "the tag cannot be read whole";

    QTest::newRow("no picture at all") << Tag(3, TextFrame("TIT2", QStringLiteral("T")), 16) + audio << QByteArray()
                                       << "No Picture" << QString();
    QTest::newRow("a damaged FLAC file") << QByteArray("fLaC\0\0\0\x22", 8) + QByteArray(200, '\0') << QByteArray()
                                         << "Resize Failed" << "the tag cannot be read whole: a metadata block runs past";
    QTest::newRow("an MP4 file") << QByteArray("\0\0\0\x20" "ftypM4A ", 12) + QByteArray(200, '\0') << QByteArray()
                                 << "Resize Failed" << "the tag cannot be read whole: the file holds no moov box";
    QTest::newRow("an M4A file without a picture") << Mp4(Mp4Box("ftyp", "M4A "), Udta(Mp4Item("\xA9nam", "T"))) << QByteArray()
                                                   << "No Picture" << QString();
    QTest::newRow("a FLAC file without a picture") << FlacWith({{4, AudioFixture::CommentList({"TITLE=T"})}}) << QByteArray()
                                                   << "No Picture" << QString();
    QTest::newRow("a FLAC file whose picture 1 is a link")
        << FlacWith({{6, AudioFixture::PictureBody(3, "-->", "", "https://example.com/cover.jpg")}}) << QByteArray()
        << "Resize Failed" << "picture 1 is a link to a picture outside the file";
    QTest::newRow("an Opus file whose picture is not Base64")
        << AudioFixture::MadeUpOpus({"METADATA_BLOCK_PICTURE=not Base64"}) << QByteArray() << "Resize Failed" << "picture 1 cannot be read";
    // Which files are music is the tag library's to tell; here only how a refusal reads.
    QTest::newRow("a text file") << QByteArray("These are the liner notes.\n") << QByteArray() << "Resize Failed"
                                 << "not a music file that Brisko reads (MP3, FLAC, Ogg Vorbis, Opus or M4A)";
    QByteArray emptyCover = Mp4(Mp4Box("ftyp", "M4A "), Udta(Mp4Item("covr", QByteArray(), 13)));
    QTest::newRow("an M4A file whose picture is empty") << emptyCover << QByteArray() << "Resize Failed" << "picture 1 is empty";
    QTest::newRow("an Opus file of two streams")
        << AudioFixture::MadeUpOpus({"METADATA_BLOCK_PICTURE=" + AudioFixture::PictureBody(3, "image/jpeg", "", Art(600, 400)).toBase64()}, 8)
        << QByteArray() << "Resize Failed" << "the file holds more than one logical stream";
}

void TestBatchOutcomes::artThatCannotBeConverted()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, art);
    QFETCH(QString, status);
    QFETCH(QString, error);

    const QString path = file.isEmpty() ? Mp3(QStringLiteral("song.mp3"), {Picture{art, QStringLiteral("image/jpeg"), 3, QString()}})
                                        : dir_->filePath(file.startsWith("OggS") ? QStringLiteral("song.opus") : QStringLiteral("song.flac"));
    if (!file.isEmpty())
        QVERIFY(TestFiles::Write(path, file));
    const QByteArray before = Read(path);
    int code = -1;
    const QJsonObject result = Run({path}, &code).value(QFileInfo(path).fileName());
    QCOMPARE(result.value(QStringLiteral("status")).toString(), status);
    QVERIFY2(result.value(QStringLiteral("error")).toString().startsWith(error),
             qPrintable(result.value(QStringLiteral("error")).toString()));
    QCOMPARE(result.value(QStringLiteral("failed")).toBool(), !error.isEmpty());
    QVERIFY(!result.contains(QStringLiteral("new_size"))); // no picture was made
    QCOMPARE(code, error.isEmpty() ? 0 : 1);
    QCOMPARE(Read(path), before);
}

void TestBatchOutcomes::rerunsChangeNothing()
{
    const QString big = Mp3(QStringLiteral("big.mp3"), {Picture{Art(600, 400), QStringLiteral("image/jpeg"), 3, QString()}});
    const QString small = Mp3(QStringLiteral("small.mp3"), {Picture{Art(100, 80, true), QStringLiteral("image/jpeg"), 3, QString()}});
    const QString thin = Mp3(QStringLiteral("thin.mp3"), {Picture{Art(3000, 2), QStringLiteral("image/jpeg"), 3, QString()}});
    const QByteArray webpArt = TestPictures::Webp(TestPictures::Solid(600, 400, Qt::darkMagenta));
    const QString webp = Mp3(QStringLiteral("webp.mp3"), {Picture{webpArt, QStringLiteral("image/webp"), 3, QString()}});
    const QString flac = dir_->filePath(QStringLiteral("song.flac"));
    const QString opus = dir_->filePath(QStringLiteral("song.opus"));
    QVERIFY(TestFiles::Write(flac, FlacWith({{6, AudioFixture::PictureBody(3, "image/jpeg", "", Art(600, 400))}})));
    QVERIFY(TestFiles::Write(opus, AudioFixture::MadeUpOpus({"METADATA_BLOCK_PICTURE=" + AudioFixture::PictureBody(3, "image/png", "", Art(600, 400)).toBase64()})));
    const QString m4a = dir_->filePath(QStringLiteral("song.m4a"));
    QVERIFY(TestFiles::Write(m4a, Mp4(Mp4Box("ftyp", "M4A "), Udta(Mp4Item("covr", Art(600, 400), 13)))));
    const QString padded = dir_->filePath(QStringLiteral("padded.flac"));
    QVERIFY(TestFiles::Write(padded, PaddedFlac()));
    int code = -1;
    QHash<QString, QJsonObject> first = Run({dir_->path()}, &code);
    QCOMPARE(code, 0);
    // Its art left alone, a file gives back the padding an earlier save left.
    QCOMPARE(first.value(QStringLiteral("padded.flac")).value(QStringLiteral("status")).toString(), QStringLiteral("Space Freed"));
    QVERIFY(QFileInfo(padded).size() < PaddedFlac().size() - (1 << 20) + 8192);
    QCOMPARE(first.value(QStringLiteral("big.mp3")).value(QStringLiteral("new_size")).toString(), QStringLiteral("250 x 167"));
    // A small picture becomes a baseline JPEG of its own size, never larger.
    QCOMPARE(first.value(QStringLiteral("small.mp3")).value(QStringLiteral("new_size")).toString(), QStringLiteral("100 x 80"));
    QCOMPARE(first.value(QStringLiteral("thin.mp3")).value(QStringLiteral("new_size")).toString(), QStringLiteral("250 x 1"));
    QCOMPARE(JpegSize(MutagenPictures(thin).value(0)), QSize(250, 1));
    // WebP art becomes a JPEG like any other, never "already fitting".
    QCOMPARE(first.value(QStringLiteral("webp.mp3")).value(QStringLiteral("status")).toString(), QStringLiteral("Resized"));
    QCOMPARE(JpegSize(MutagenPictures(webp).value(0)), QSize(250, 167));
    for (const char *name : {"song.flac", "song.opus", "song.m4a"})
        QCOMPARE(first.value(QLatin1String(name)).value(QStringLiteral("new_size")).toString(), QStringLiteral("250 x 167"));

    // The second run writes nothing.
    QHash<QString, QByteArray> converted;
    for (const QString &path : {big, small, thin, webp, flac, opus, m4a, padded})
        converted.insert(path, Read(path));
    const QHash<QString, QJsonObject> second = Run({dir_->path()}, &code);
    QCOMPARE(code, 0);
    for (const QJsonObject &result : second)
        QCOMPARE(result.value(QStringLiteral("status")).toString(), QStringLiteral("Unchanged"));
    for (const QString &path : {big, small, thin, webp, flac, opus, m4a, padded})
        QCOMPARE(Read(path), converted.value(path));

    // Asked to enlarge, the small baseline JPEG grows to the size, and only once.
    for (const char *status : {"Resized", "Unchanged"})
        QCOMPARE(Run({QStringLiteral("--enlarge"), small}, &code).value(QStringLiteral("small.mp3"))[u"status"].toString(),
                 QLatin1String(status));
    QCOMPARE(JpegSize(MutagenPictures(small).value(0)), QSize(250, 200));

    // Asked for, the work is done again, and small pictures grow.
    const QHash<QString, QJsonObject> forced = Run({QStringLiteral("--force"), QStringLiteral("--enlarge"), small}, &code);
    QCOMPARE(forced.value(QStringLiteral("small.mp3")).value(QStringLiteral("status")).toString(), QStringLiteral("Resized"));
    QCOMPARE(JpegSize(MutagenPictures(small).value(0)), QSize(250, 200));
}

void TestBatchOutcomes::dryRunPredictsTheRealRun()
{
    Mp3(QStringLiteral("a.mp3"), {Picture{Art(600, 400), QStringLiteral("image/jpeg"), 3, QString()}});
    Mp3(QStringLiteral("b.mp3"), {Picture{Art(200, 200), QStringLiteral("image/jpeg"), 3, QString()}});
    const QString locked = Mp3(QStringLiteral("c.mp3"), {Picture{Art(800, 800, true), QStringLiteral("image/jpeg"), 3, QString()}});
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner));
    Mp3(QStringLiteral("d.mp3"), {Picture{QByteArray("RIFF\x24\0\0\0WEBPVP8 ", 16), QStringLiteral("image/webp"), 3, QString()}});
    Mp3(QStringLiteral("e.mp3"), {});
    QVERIFY(TestFiles::Write(dir_->filePath(QStringLiteral("f.flac")), PaddedFlac()));

    int dryCode = -1;
    int realCode = -1;
    const QHash<QString, QJsonObject> predicted = Run({QStringLiteral("--dry-run"), dir_->path()}, &dryCode);
    const QHash<QString, QJsonObject> real = Run({dir_->path()}, &realCode);
    QCOMPARE(dryCode, realCode);
    QCOMPARE(predicted.keys().size(), 6);
    for (auto file = real.cbegin(); file != real.cend(); ++file) {
        const QJsonObject guess = predicted.value(file.key());
        QString status = guess.value(QStringLiteral("status")).toString();
        if (status == QLatin1String("Would Resize"))
            status = QStringLiteral("Resized");
        QCOMPARE(status, file->value(QStringLiteral("status")).toString());
        QCOMPARE(guess.value(QStringLiteral("bytes_after")).toDouble(), file->value(QStringLiteral("bytes_after")).toDouble());
        QCOMPARE(guess.value(QStringLiteral("failed")).toBool(), file->value(QStringLiteral("failed")).toBool());
    }
    QCOMPARE(real.value(QStringLiteral("c.mp3")).value(QStringLiteral("status")).toString(), QStringLiteral("Resize Failed"));
}

void TestBatchOutcomes::everyPictureOnRequest()
{
    // The front cover is not picture 1; a small back cover is left as it is.
    const QByteArray back = Art(120, 120);
    const QString song = Mp3(QStringLiteral("covers.mp3"),
                             {Picture{Art(600, 400), QStringLiteral("image/jpeg"), 0, QString()},
                              Picture{Art(900, 900, true), QStringLiteral("image/jpeg"), 3, QStringLiteral("front")},
                              Picture{back, QStringLiteral("image/jpeg"), 4, QStringLiteral("back")}});
    int code = -1;
    Run({QStringLiteral("--all-pictures"), song}, &code);
    QCOMPARE(code, 0);
    const QList<QJsonObject> pictures = MutagenPictures(song);
    QCOMPARE(pictures.size(), 3);
    QCOMPARE(JpegSize(pictures.at(0)), QSize(250, 167));
    QCOMPARE(JpegSize(pictures.at(1)), QSize(250, 250));
    QCOMPARE(QByteArray::fromBase64(pictures.at(2).value(QStringLiteral("data")).toString().toLatin1()), back);
    const QList<QPair<int, QString>> labels = {{0, QString()}, {3, QStringLiteral("front")}, {4, QStringLiteral("back")}};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(pictures.at(i).value(QStringLiteral("type")).toInt(), labels.at(i).first);
        QCOMPARE(pictures.at(i).value(QStringLiteral("desc")).toString(), labels.at(i).second);
    }
}

void TestBatchOutcomes::playerOptions_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("status");

    for (const QString &extension : MusicFiles::Extensions()) {
        // M4A's covr keeps no picture types: every picture is a front cover.
        if (extension != QLatin1String("m4a"))
            QTest::addRow("%s: front cover first", qPrintable(extension))
                << extension << QStringList{QStringLiteral("--front-cover-first")} << "Resized";
        QTest::addRow("%s: byte limit", qPrintable(extension))
            << extension << QStringList{QStringLiteral("--max-bytes"), QStringLiteral("20K")} << "Resized";
        QTest::addRow("%s: folder picture", qPrintable(extension))
            << extension << QStringList{QStringLiteral("--folder-art")} << "Picture Added";
    }
    QTest::newRow("mp3: a picture that cannot fit")
        << QStringLiteral("mp3") << QStringList{QStringLiteral("--max-bytes=1k")} << "Resize Failed";
}

// Players show the first picture, choke on large ones, and some show no
// cover.jpg: what each option makes of a file, as mutagen reads it, in
// every format. A dry run predicts it, and a second run writes nothing.
void TestBatchOutcomes::playerOptions()
{
    QFETCH(QString, extension);
    QFETCH(QStringList, arguments);
    QFETCH(QString, status);
    if (!haveTones_)
        QSKIP("ffmpeg is not installed");
    const QByteArray back = Art(600, 400);
    const QByteArray noisy = TestPictures::Jpeg(TestPictures::Noise(600, 600), 100);
    QList<Mp3Fixture::Picture> pictures;
    if (arguments.contains(QStringLiteral("--front-cover-first")))
        pictures = {{back, QStringLiteral("image/jpeg"), 4, QStringLiteral("back")},
                    {Art(900, 900, true), QStringLiteral("image/jpeg"), 3, QStringLiteral("front")}};
    else if (!arguments.contains(QStringLiteral("--folder-art")))
        pictures = {{noisy, QStringLiteral("image/jpeg"), 3, QString()}};
    else
        QVERIFY(TestFiles::Write(dir_->filePath(QStringLiteral("Cover.JPG")), Art(700, 500, true)));
    const QString path = dir_->filePath(QStringLiteral("song.") + extension);
    QVERIFY(MusicFiles::Write(path, tones_, QStringLiteral("Song"), pictures));
    const QByteArray before = Read(path);

    int code = -1;
    const QString name = QFileInfo(path).fileName();
    const QJsonObject guess = Run(arguments + QStringList{QStringLiteral("--dry-run"), path}, &code).value(name);
    QCOMPARE(guess.value(QStringLiteral("status")).toString(),
             status == QLatin1String("Resized") ? QStringLiteral("Would Resize")
             : status == QLatin1String("Picture Added") ? QStringLiteral("Would Add Picture") : status);
    QCOMPARE(Read(path), before);
    const QJsonObject result = Run(arguments + QStringList{path}, &code).value(name);
    QCOMPARE(result.value(QStringLiteral("status")).toString(), status);
    QCOMPARE(code, status == QLatin1String("Resize Failed") ? 1 : 0);
    const QList<MusicFiles::ReadPicture> read = MusicFiles::MutagenPictures(path);
    if (status == QLatin1String("Resize Failed")) {
        QVERIFY2(result.value(QStringLiteral("error")).toString().startsWith(
                     QLatin1String("the picture cannot be made to fit in 1 KB: at 100 x 100 and quality 50")),
                 qPrintable(result.value(QStringLiteral("error")).toString()));
        QCOMPARE(Read(path), before);
        return;
    }
    QCOMPARE(read.size(), pictures.isEmpty() ? 1 : pictures.size());
    const Result<JpegHeader> first = ReadJpegHeader(read.at(0).data);
    QCOMPARE(read.at(0).type, 3);
    QVERIFY(first && !first->progressive);
    QCOMPARE(SizeText(first->size.width(), first->size.height()), result.value(QStringLiteral("new_size")).toString());
    const QString note = result.value(QStringLiteral("note")).toString();
    if (arguments.contains(QStringLiteral("--front-cover-first"))) {
        QCOMPARE(first->size, QSize(250, 250));
        QCOMPARE(read.at(0).description, QStringLiteral("front"));
        QCOMPARE(read.at(1).type, 4);
        QCOMPARE(read.at(1).data, back);
        QCOMPARE(note, QStringLiteral("the front cover (picture 2) moved to be picture 1"));
    } else if (arguments.contains(QStringLiteral("--folder-art"))) {
        QCOMPARE(first->size, QSize(250, 179));
        QCOMPARE(note, QStringLiteral("the folder picture Cover.JPG added as the front cover"));
    } else {
        // Quality and then size stepped down until it fits; the line says how far.
        const int quality = result.value(QStringLiteral("quality")).toInt();
        QVERIFY(read.at(0).data.size() <= 20 * 1024);
        QVERIFY(quality >= 50 && quality < 80);
        QCOMPARE(note, QStringLiteral("%1 at quality %2 to stay within 20 KB")
                           .arg(result.value(QStringLiteral("new_size")).toString())
                           .arg(quality));
    }
    const QByteArray converted = Read(path);
    QCOMPARE(Run(arguments + QStringList{path}, &code).value(name).value(QStringLiteral("status")).toString(),
             QStringLiteral("Unchanged"));
    QCOMPARE(Read(path), converted);
}

// --check reads a mixed folder, writes nothing, tells each file's reasons,
// counts them, and gives the facts behind them.
void TestBatchOutcomes::checkBeforeATrip()
{
    if (!haveTones_)
        QSKIP("ffmpeg is not installed");
    using P = Mp3Fixture::Picture;
    const QString jpeg = QStringLiteral("image/jpeg");
    const QString png = QStringLiteral("image/png");
    const QString notJpeg = QStringLiteral("not a JPEG (PNG, GIF, BMP or WebP)");
    struct File
    {
        QString name;
        QList<P> pictures;
        QStringList reasons;
    };
    const QList<File> files = {
        {QStringLiteral("ready.mp3"), {{Art(250, 250), jpeg, 3, QString()}}, {}},
        {QStringLiteral("back.flac"), {{Art(200, 200), jpeg, 4, QString()}, {Art(210, 210), jpeg, 3, QString()}},
         {QStringLiteral("picture 1 is not the front cover")}},
        {QStringLiteral("big.opus"), {{Art(900, 900), jpeg, 3, QString()}}, {QStringLiteral("larger than the size")}},
        {QStringLiteral("scans.ogg"), {{Art(200, 200, true), jpeg, 3, QString()}}, {QStringLiteral("progressive")}},
        {QStringLiteral("png.m4a"), {{TestPictures::Encoded(TestPictures::Noise(100, 100), "png"), png, 3, QString()}}, {notJpeg}},
        {QStringLiteral("cmyk.mp3"), {{TestPictures::AdobeCmykJpeg(200, 200, 0, 200, 200, 0), jpeg, 3, QString()}},
         {QStringLiteral("CMYK")}},
        {QStringLiteral("heavy.mp3"), {{TestPictures::Jpeg(TestPictures::Noise(240, 240), 100), jpeg, 3, QString()}},
         {QStringLiteral("over the byte limit")}},
        {QStringLiteral("fronts.mp3"), {{Art(200, 200), jpeg, 3, QString()}, {Art(220, 220), jpeg, 3, QStringLiteral("2")}},
         {QStringLiteral("several front covers")}},
        {QStringLiteral("huge.mp3"), {{TestPictures::Encoded(TestPictures::Noise(1100, 1100), "png"), png, 3, QString()}},
         {QStringLiteral("larger than the size"), notJpeg, QStringLiteral("over the byte limit"), QStringLiteral("tag over 3 MiB")}},
        {QStringLiteral("bare/none.mp3"), {}, {QStringLiteral("no picture while a folder picture exists")}},
    };
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("bare")));
    QVERIFY(TestFiles::Write(dir_->filePath(QStringLiteral("bare/folder.png")), TestPictures::Encoded(TestPictures::Noise(50, 50), "png")));
    QHash<QString, QByteArray> before;
    for (const File &file : files) {
        QVERIFY(MusicFiles::Write(dir_->filePath(file.name), tones_, QStringLiteral("T"), file.pictures));
        before.insert(file.name, Read(dir_->filePath(file.name)));
    }

    QProcess batch;
    batch.start(QStringLiteral(BRISKO_BATCH),
                {QStringLiteral("--check"), QStringLiteral("--json"), QStringLiteral("--max-bytes"), QStringLiteral("50K"),
                 dir_->path()});
    QVERIFY(batch.waitForFinished(120000));
    QCOMPARE(batch.exitCode(), 1);
    QHash<QString, QJsonObject> checked;
    for (const QByteArray &line : batch.readAllStandardOutput().split('\n')) {
        const QJsonObject file = QJsonDocument::fromJson(line).object();
        if (!file.isEmpty())
            checked.insert(QDir(dir_->path()).relativeFilePath(file.value(QStringLiteral("file")).toString()), file);
    }
    QCOMPARE(checked.size(), files.size());
    for (const File &file : files) {
        QCOMPARE(checked.value(file.name).value(QStringLiteral("reasons")).toVariant().toStringList(), file.reasons);
        QCOMPARE(checked.value(file.name).value(QStringLiteral("ready")).toBool(), file.reasons.isEmpty());
        QCOMPARE(Read(dir_->filePath(file.name)), before.value(file.name));
    }
    // The facts, as mutagen sees the file.
    const QJsonObject flac = checked.value(QStringLiteral("back.flac"));
    const QList<MusicFiles::ReadPicture> read = MusicFiles::MutagenPictures(dir_->filePath(QStringLiteral("back.flac")));
    QCOMPARE(flac.value(QStringLiteral("pictures")).toInt(), read.size());
    QCOMPARE(flac.value(QStringLiteral("picture_types")).toArray(), QJsonArray({read.at(0).type, read.at(1).type}));
    QCOMPARE(flac.value(QStringLiteral("picture_bytes")).toInt(), read.at(0).data.size());
    QCOMPARE(flac.value(QStringLiteral("pixel_size")).toString(), QStringLiteral("200 x 200"));
    QCOMPARE(flac.value(QStringLiteral("colour_space")).toString(), QStringLiteral("YCbCr"));
    QCOMPARE(checked.value(QStringLiteral("scans.ogg")).value(QStringLiteral("progressive")).toBool(), true);
    QCOMPARE(checked.value(QStringLiteral("cmyk.mp3")).value(QStringLiteral("colour_space")).toString(), QStringLiteral("YCCK"));
    QVERIFY(checked.value(QStringLiteral("huge.mp3")).value(QStringLiteral("tag_bytes")).toDouble() > 3 << 20);

    // The table counts each reason once a file; a ready file alone exits 0.
    const QString table = QString::fromUtf8(batch.readAllStandardError());
    QVERIFY2(table.contains(QRegularExpression(QStringLiteral("\\nlarger than the size +2\\n"))), qPrintable(table));
    QVERIFY2(table.contains(QRegularExpression(QStringLiteral("\\nReady +1\\nTotal +10\\n"))), qPrintable(table));
    int code = -1;
    Run({QStringLiteral("--check"), dir_->filePath(QStringLiteral("ready.mp3"))}, &code);
    QCOMPARE(code, 0);

    // Three workers tell the same as one, byte for byte and in the same
    // order, over albums of ready and unready files.
    for (const QString &album : {QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}) {
        QVERIFY(QDir(dir_->path()).mkpath(album));
        for (const File &file : files.mid(0, 9))
            QVERIFY(QFile::copy(dir_->filePath(file.name), dir_->filePath(album + u'/' + file.name)));
    }
    const auto checkWith = [this](const QString &jobs) {
        QProcess check;
        check.start(QStringLiteral(BRISKO_BATCH), {QStringLiteral("--check"), QStringLiteral("--json"),
                                                   QStringLiteral("--jobs"), jobs, dir_->path()});
        check.waitForFinished(120000);
        return QList<QByteArray>{QByteArray::number(check.exitCode()), check.readAllStandardOutput(),
                                 check.readAllStandardError()};
    };
    const QList<QByteArray> one = checkWith(QStringLiteral("1"));
    QCOMPARE(one.at(0), QByteArray("1"));
    QCOMPARE(one.at(1).count('\n'), 37);
    QCOMPARE(checkWith(QStringLiteral("3")), one);
}

QTEST_MAIN(TestBatchOutcomes)
#include "tst_batchoutcomes.moc"
