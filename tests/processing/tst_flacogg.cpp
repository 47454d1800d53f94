// SPDX-License-Identifier: MIT
#include "engine/convert/artconversion.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/tags/taglibrary.h"
#include "support/audiofixture.h"
#include "support/hostilepictures.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QCryptographicHash>
#include <QtTest>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace AudioFixture;
using TestFiles::Read;

Q_DECLARE_METATYPE(AudioFixture::Block)

// FLAC and Ogg files made from bytes around real audio: edits change only
// what they ask for, as mutagen reads it, and keep every audio byte; hostile
// files are refused with their reason and left as they were; and the
// formats' own tools and ffmpeg find converted files sound.
class TestFlacOgg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void flacEdits_data();
    void flacEdits();
    void oggEdits_data();
    void oggEdits();
    void hostileFiles_data();
    void hostileFiles();
    void otherReadersFindConvertedFilesSound();

private:
    QString Put(const QString &name, const QByteArray &bytes) const;
    // What mutagen reads: the entries in order, the pictures, the FLAC block types.
    static QStringList Mutagen(const QString &path);
    static QString Digest(const QByteArray &bytes);
    // Edits as "Title=New;picture;picture2" (a new JPEG as picture 1 or 2); the save's result.
    short EditAndSave(const QString &path, const QString &edits, TagLibrary &tags) const;
    void CheckEdit(const QString &name, const QByteArray &file, bool flac);

    QTemporaryDir tones_;
    Tones tone_;
    QByteArray newJpeg_ = TestPictures::Jpeg(TestPictures::Solid(40, 30, Qt::darkGreen));
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestFlacOgg::initTestCase()
{
    if (!MakeTones(tones_.path(), &tone_))
        QSKIP("flac, oggenc or opusenc is not installed");
}

void TestFlacOgg::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
}

QString TestFlacOgg::Put(const QString &name, const QByteArray &bytes) const
{
    const QString path = dir_->filePath(name);
    return TestFiles::Write(path, bytes) ? path : QString();
}

QStringList TestFlacOgg::Mutagen(const QString &path)
{
    // Debian's own Python, where its python3-mutagen package is.
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import sys, base64, hashlib
from mutagen import File
from mutagen.flac import FLAC, Picture
f = File(sys.argv[1])
md5 = lambda data: hashlib.md5(data).hexdigest()[:8]
tags, pictures = [], [p for p in getattr(f, 'pictures', [])]
for key, value in f.tags or []:
    if key.upper() == 'METADATA_BLOCK_PICTURE': pictures.append(Picture(base64.b64decode(value)))
    elif key.upper() == 'COVERART': pictures.append('COVERART/' + md5(base64.b64decode(value)))
    else: tags.append(key + '=' + value)
print('|'.join(tags))
print('|'.join(p if isinstance(p, str) else '%d/%s/%s/%dx%d/%d/%s' % (p.type, p.desc, p.mime, p.width, p.height, p.depth, md5(p.data)) for p in pictures))
print(','.join(str(b.code) for b in f.metadata_blocks) if isinstance(f, FLAC) else '')
)"), path});
    python.waitForFinished(30000);
    return QString::fromUtf8(python.readAllStandardOutput()).split(u'\n').mid(0, 3);
}

QString TestFlacOgg::Digest(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().left(8));
}

short TestFlacOgg::EditAndSave(const QString &path, const QString &edits, TagLibrary &tags) const
{
    static const QHash<QString, TagField> fields = {
        {QStringLiteral("Title"), TagField::Title}, {QStringLiteral("Album"), TagField::Album},
        {QStringLiteral("Year"), TagField::Year}, {QStringLiteral("Comment"), TagField::Comment}};
    for (const QString &edit : edits.split(u';', Qt::SkipEmptyParts)) {
        if (edit == QLatin1String("picture"))
            tags.AddPictureData(newJpeg_, 3);
        else if (edit == QLatin1String("picture2"))
            tags.ReplacePictureData(2, newJpeg_);
        else
            tags.SetId3v2Field(fields.value(edit.section(u'=', 0, 0)), edit.section(u'=', 1));
    }
    return tags.SaveId3v2Tag(path);
}

namespace {

const QByteArray Big = HostilePictures::PaddedJpeg(TestPictures::Solid(300, 200, Qt::red), 90000, 1);
const QByteArray Small = TestPictures::Jpeg(TestPictures::Solid(10, 10, Qt::blue));

QByteArray VorbisFile(const QByteArray &tone, const QList<QByteArray> &entries, int segments = 16)
{
    const OggParts parts = SplitOgg(tone);
    return Ogg({parts.headers.at(0), VorbisComments(entries), parts.headers.at(2)}, parts, segments);
}

QByteArray OpusFile(const QByteArray &tone, const QList<QByteArray> &entries, const QByteArray &padding = {},
                    int segments = 16)
{
    const OggParts parts = SplitOgg(tone);
    return Ogg({parts.headers.at(0), OpusTags(entries, padding)}, parts, segments);
}

QByteArray PictureEntry(const QByteArray &picture, const QByteArray &description = "Front")
{
    return "METADATA_BLOCK_PICTURE=" + PictureBody(3, "image/jpeg", description, picture).toBase64();
}

} // namespace

void TestFlacOgg::CheckEdit(const QString &name, const QByteArray &file, bool flac)
{
    QFETCH(QString, edits);
    QFETCH(QStringList, mutagen);
    QFETCH(QByteArray, kept);
    QFETCH(bool, sameLength);
    const QString path = Put(name, file);
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(EditAndSave(path, edits, tags), short(-1));
    tags.CloseAudioFile();

    const QByteArray after = Read(path);
    mutagen.replaceInStrings(QStringLiteral("NEW"), Digest(newJpeg_));
    QCOMPARE(Mutagen(path).mid(0, flac ? 3 : 2), mutagen);
    QVERIFY(after.contains(kept));
    QCOMPARE(after.size() == file.size(), sameLength);
    if (flac) {
        QCOMPARE(SplitFlac(after).audio, SplitFlac(file).audio);
        return;
    }
    // Every audio packet and granule position stays; only a change in the
    // header's page count renumbers the pages.
    const OggParts before = SplitOgg(file);
    const OggParts now = SplitOgg(after);
    QCOMPARE(Unnumbered(now.audioPages), Unnumbered(before.audioPages));
    QCOMPARE(OggPages(after).size() == OggPages(file).size(), now.audioPages == before.audioPages);
}

void TestFlacOgg::flacEdits_data()
{
    QTest::addColumn<QList<Block>>("blocks");
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QStringList>("mutagen");
    QTest::addColumn<QByteArray>("kept"); // bytes the new file still holds
    QTest::addColumn<bool>("sameLength");

    const Block info{0, SplitFlac(tone_.flac).streamInfo};
    const Block application{2, "ABCD odd data"};
    const Block padding{1, QByteArray(8192, '\0')};
    const Block comments{4, CommentList({"title=Old", "ARTIST=Band", "TITLE=Old 2", "Comment=c"})};
    const Block front{6, PictureBody(3, "image/png", "Front", Big)};
    const Block back{6, PictureBody(4, "image/jpeg", "Back", Small)};
    const QString kept = QStringLiteral("title=Old|ARTIST=Band|TITLE=Old 2|Comment=c");
    QTest::newRow("picture 1 replaced within the padding")
        << QList<Block>{info, application, comments, front, back, padding} << "picture"
        << QStringList{kept, QStringLiteral("3/Front/image/jpeg/40x30/24/NEW|4/Back/image/jpeg/0x0/0/") + Digest(Small),
                       QStringLiteral("0,2,4,6,6,1")}
        << application.body << true;
    QTest::newRow("picture 2 replaced, the file grows without padding")
        << QList<Block>{info, comments, front, back} << "picture2"
        << QStringList{kept, QStringLiteral("3/Front/image/png/0x0/0/") + Digest(Big) + QStringLiteral("|4/Back/image/jpeg/40x30/24/NEW"),
                       QStringLiteral("0,4,6,6")}
        << front.body << false;
    QTest::newRow("picture added before the padding") << QList<Block>{info, comments, padding} << "picture"
                                                       << QStringList{kept, QStringLiteral("3//image/jpeg/40x30/24/NEW"), QStringLiteral("0,4,6,1")}
                                                       << QByteArray() << true;
    QTest::newRow("a field replaces all its values in the first one's place")
        << QList<Block>{info, comments, padding} << "Title=New"
        << QStringList{QStringLiteral("title=New|ARTIST=Band|Comment=c"), QString(), QStringLiteral("0,4,1")}
        << QByteArray() << true;
    QTest::newRow("the comment is a description where there is no comment")
        << QList<Block>{info, Block{4, CommentList({"DESCRIPTION=d", "GENRE=Rock", "DATE=2001"})}}
        << "Comment=New;Year=;Album=Über"
        << QStringList{QStringLiteral("DESCRIPTION=New|GENRE=Rock|ALBUM=Über"), QString(), QStringLiteral("0,4")}
        << QByteArray("fixture vendor") << false;
    QTest::newRow("comment block added where there is none")
        << QList<Block>{info, padding} << "Title=New" << QStringList{QStringLiteral("TITLE=New"), QString(), QStringLiteral("0,4,1")}
        << QByteArray() << true;
}

void TestFlacOgg::flacEdits()
{
    QFETCH(QList<Block>, blocks);
    CheckEdit(QStringLiteral("song.flac"), Flac(blocks, SplitFlac(tone_.flac).audio), true);
    // An ID3v2 tag in front stays as it is.
    const QByteArray id3 = QByteArray("ID3\x03\0\0\0\0\0\x10TIT2\0\0\0\x02\0\0\0x", 22) + QByteArray(4, '\0');
    CheckEdit(QStringLiteral("id3.flac"), id3 + Flac(blocks, SplitFlac(tone_.flac).audio), true);
    QVERIFY(Read(dir_->filePath(QStringLiteral("id3.flac"))).startsWith(id3));
}

void TestFlacOgg::oggEdits_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QStringList>("mutagen");
    QTest::addColumn<QByteArray>("kept");
    QTest::addColumn<bool>("sameLength");

    const QString bigFront = QStringLiteral("3/Front/image/jpeg/0x0/0/") + Digest(Big);
    QTest::newRow("Vorbis: picture 1 made small, the pages numbered anew")
        << VorbisFile(tone_.vorbis, {"TITLE=Song", PictureEntry(Big), "Odd"}) << "picture"
        << QStringList{QStringLiteral("TITLE=Song|unknown2=Odd"), QStringLiteral("3/Front/image/jpeg/40x30/24/NEW")}
        << QByteArray("Odd") << false;
    QTest::newRow("Vorbis: a COVERART stays one")
        << VorbisFile(tone_.vorbis, {"COVERARTMIME=image/png", "coverart=" + Small.toBase64()}) << "picture"
        << QStringList{QStringLiteral("COVERARTMIME=image/jpeg"), QStringLiteral("COVERART/NEW")} << QByteArray("coverart=") << false;
    QTest::newRow("Vorbis: a picture added")
        << VorbisFile(tone_.vorbis, {"TITLE=Song"}) << "picture;Title=New"
        << QStringList{QStringLiteral("TITLE=New"), QStringLiteral("3//image/jpeg/40x30/24/NEW")} << QByteArray() << false;
    const QByteArray padding = "\x02" + QByteArray(300, 'p');
    QTest::newRow("Opus: a field changed, the padding kept")
        << OpusFile(tone_.opus, {"TITLE=Old", "ALBUM=A"}, padding) << "Title=New"
        << QStringList{QStringLiteral("TITLE=New|ALBUM=A"), QString()} << padding << true;
    QTest::newRow("Opus: a picture on one 64 KB page made small")
        << OpusFile(tone_.opus, {PictureEntry(Big, "")}, {}, 255) << "picture"
        << QStringList{QString(), QStringLiteral("3//image/jpeg/40x30/24/NEW")} << QByteArray() << false;
}

void TestFlacOgg::oggEdits()
{
    QFETCH(QByteArray, file);
    CheckEdit(QStringLiteral("song.ogg"), file, false);
}

void TestFlacOgg::hostileFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("reason"); // empty: saved
    QTest::addColumn<QString>("title");  // what reading shows
    QTest::addColumn<QByteArray>("kept");

    const Block info{0, SplitFlac(tone_.flac).streamInfo};
    const QByteArray audio = SplitFlac(tone_.flac).audio;
    const Block titled{4, CommentList({"TITLE=Read"})};
    const auto flac = [&](const QList<Block> &blocks) { return Flac(blocks, audio); };
    const QByteArray odd = CommentList({"TITLE=Read", "no equals sign", "", "BAD=\xFF\xFE", "CTRL=\x01\x1B\x7F"});
    QTest::newRow("odd entries are kept") << flac({info, Block{4, odd}}) << QString() << "Read" << odd.mid(36);
    const QByteArray noUtf8 = PictureBody(3, "image/jpeg", "\xFF\xC0 not UTF-8", Small);
    QTest::newRow("a description that is not UTF-8") << flac({info, titled, Block{6, noUtf8}}) << QString() << "Read"
                                                      << QByteArray("\xFF\xC0 not UTF-8");
    QTest::newRow("two comment blocks") << flac({info, titled, Block{4, CommentList({"TITLE=Two"})}})
                                        << "more than one comment block" << "Read" << QByteArray();
    QByteArray longer = PictureBody(3, "image/jpeg", "", Small);
    qToBigEndian(quint32(Small.size() + 1), longer.data() + longer.size() - Small.size() - 4);
    QTest::newRow("picture data longer than its block") << flac({info, titled, Block{6, longer}})
                                                        << "a picture's fields do not add up" << "Read" << QByteArray();
    QTest::newRow("bytes after the picture data") << flac({info, titled, Block{6, noUtf8 + "tail"}})
                                                  << "a picture's fields do not add up" << "Read" << QByteArray();
    QByteArray early = flac({info, titled, Block{1, QByteArray(16, '\0')}});
    early[4 + 4 + 34] = char(0x84);
    QTest::newRow("an early last-block flag") << early << "no audio frame where the audio should begin" << "Read" << QByteArray();
    QTest::newRow("100,000 empty blocks") << flac(QList<Block>{info, titled} + QList<Block>(100000, Block{1, {}}))
                                          << "more than 4096 metadata blocks" << "Read" << QByteArray();
    QTest::newRow("a block of type 127") << flac({info, titled, Block{127, "x"}}) << "a metadata block of the invalid type 127"
                                         << "Read" << QByteArray();
    QTest::newRow("STREAMINFO not first") << flac({titled, info}) << "the first metadata block is not a 34-byte STREAMINFO"
                                          << "Read" << QByteArray();
    QByteArray wrapped = CommentList({"TITLE=Read", "ALBUM=x"});
    wrapped.replace(wrapped.size() - 11, 4, QByteArray("\xFC\xFF\xFF\xFF", 4));
    QTest::newRow("a comment length that wraps round") << flac({info, Block{4, wrapped}})
                                                       << "the comment list's counts and lengths do not fit" << "" << QByteArray();
    QByteArray past = flac({info, titled, Block{1, QByteArray(16, '\0')}});
    past[4 + 38 + 40 + 1] = char(0x7F); // its length
    QTest::newRow("a block past the end") << past << "a metadata block runs past the end" << "Read" << QByteArray();

    QByteArray crc = VorbisFile(tone_.vorbis, {"TITLE=Read"});
    crc[crc.size() - 1] = char(crc.at(crc.size() - 1) ^ 1);
    QTest::newRow("a bad CRC in the audio") << crc << "the Ogg page at byte" << "Read" << QByteArray();
    const OggParts vorbis = SplitOgg(tone_.vorbis);
    QTest::newRow("no framing bit")
        << Ogg({vorbis.headers.at(0), VorbisComments({"TITLE=Read"}, "\0"), vorbis.headers.at(2)}, vorbis)
        << "the comment header's framing bit is missing" << "Read" << QByteArray();
    QTest::newRow("Base64 with a line break") << VorbisFile(tone_.vorbis, {"TITLE=Read", PictureEntry(Small).insert(60, '\n')})
                                              << "a picture comment is not valid Base64" << "Read" << QByteArray();
    QTest::newRow("a picture that does not add up")
        << VorbisFile(tone_.vorbis, {"TITLE=Read", "METADATA_BLOCK_PICTURE=" + longer.toBase64()})
        << "a picture's fields do not add up" << "Read" << QByteArray();
    OggParts other = vorbis;
    other.audioPages.last()[14] = char(other.audioPages.last().at(14) ^ 1); // another serial number
    QTest::newRow("a second stream") << Ogg({vorbis.headers.at(0), VorbisComments({"TITLE=Read"}), vorbis.headers.at(2)}, other)
                                     << "the file holds more than one logical stream" << "Read" << QByteArray();
    QTest::newRow("a chained file") << VorbisFile(tone_.vorbis, {"TITLE=Read"}) + tone_.vorbis
                                    << "the file holds more than one logical stream" << "Read" << QByteArray();
    QTest::newRow("pages of 4 KB") << VorbisFile(tone_.vorbis, {"TITLE=Read", PictureEntry(Big)}, 16) << QString() << "Read"
                                   << QByteArray();
    QTest::newRow("read-only folder") << flac({info, titled}) << "the folder does not allow new files" << "Read" << QByteArray();
}

namespace {

// Runs body in a child process as an ordinary user, since root may write
// anywhere; its exit status, or -1 where there is no such user.
int AsUser(const std::function<int()> &body)
{
    const pid_t child = fork();
    if (child == 0) {
        const passwd *nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr;
        if (geteuid() == 0 && (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0))
            _exit(255);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

} // namespace

void TestFlacOgg::hostileFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    QFETCH(QString, title);
    QFETCH(QByteArray, kept);
    const QString folder = dir_->filePath(QStringLiteral("in"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/song.flac");
    QVERIFY(TestFiles::Write(path, file));
    const bool closed = qstrcmp(QTest::currentDataTag(), "read-only folder") == 0;
    if (closed) {
        QVERIFY(QFile::setPermissions(dir_->path(), QFileDevice::Permissions(0x7755)));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions(0x6666)));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x5555)));
    }

    const auto save = [&]() -> int {
        TagLibrary tags;
        if (tags.OpenAudioFile(path) != 1 || tags.Id3v2Field(TagField::Title) != title)
            return 1;
        const bool saved = EditAndSave(path, QStringLiteral("Title=Changed"), tags) == -1;
        return saved == reason.isEmpty() && tags.LastErrorText().startsWith(reason) ? 0 : 2;
    };
    const int status = closed ? AsUser(save) : save();
    if (status < 0)
        QSKIP("no unprivileged user to run the save as");
    QCOMPARE(status, 0);
    const QByteArray after = Read(path);
    QVERIFY(reason.isEmpty() ? after != file && after.contains(kept) : after == file);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("song.flac")});
}

void TestFlacOgg::otherReadersFindConvertedFilesSound()
{
    const QByteArray art = HostilePictures::PaddedJpeg(TestPictures::Solid(600, 400, Qt::red), 60000, 2);
    const QList<QPair<QString, QByteArray>> library = {
        {QStringLiteral("a.flac"), Flac({Block{0, SplitFlac(tone_.flac).streamInfo}, Block{4, CommentList({"TITLE=A"})},
                                         Block{6, PictureBody(3, "image/jpeg", "", art)}, Block{1, QByteArray(4096, '\0')}},
                                        SplitFlac(tone_.flac).audio)},
        {QStringLiteral("b.ogg"), VorbisFile(tone_.vorbis, {"TITLE=B", PictureEntry(art)})},
        {QStringLiteral("c.opus"), OpusFile(tone_.opus, {"TITLE=C", PictureEntry(art)}, QByteArray(200, '\0'))},
        {QStringLiteral("d.oga"), VorbisFile(tone_.vorbis, {"TITLE=D", "COMMENT=" + QByteArray(5000, 'c')}, 1)}};
    const auto run = [](const QString &tool, const QStringList &arguments) {
        QProcess process;
        process.start(tool, arguments);
        process.waitForFinished(60000);
        return process.exitCode() == 0 ? process.readAllStandardOutput() + process.readAllStandardError() : "failed";
    };
    const auto decoded = [&run](const QString &path) {
        return run(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                                              QStringLiteral("-map"), QStringLiteral("0:a"), QStringLiteral("-f"), QStringLiteral("md5"), QStringLiteral("-")});
    };
    PictureEncoder encoder;
    TagLibrary tags;
    for (const auto &[name, bytes] : library) {
        const QString path = Put(name, bytes);
        const QByteArray sound = decoded(path);
        const bool pictured = name != QLatin1String("d.oga");
        if (!pictured) { // a comment removed from pages of one segment: fewer pages
            QCOMPARE(tags.OpenAudioFile(path), short(1));
            tags.SetId3v2Field(TagField::Comment, QString());
            QCOMPARE(tags.SaveId3v2Tag(path), short(-1));
            tags.CloseAudioFile();
        } else {
            ArtRequest request;
            request.target = 250;
            QCOMPARE(ConvertArt(tags, encoder, path, request).outcome, ArtOutcome::Resized);
        }
        QCOMPARE(decoded(path), sound);
        QVERIFY(sound.startsWith("MD5="));
        QCOMPARE(run(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), path}), QByteArray());
        const QStringList read = Mutagen(path);
        QCOMPARE(read.value(0), QStringLiteral("TITLE=") + name.at(0).toUpper());
        QCOMPARE(read.value(1).contains(QStringLiteral("/250x167/24/")), pictured);
        const QString checker = name.endsWith(QLatin1String(".flac")) ? QStringLiteral("flac")
                                : name.endsWith(QLatin1String(".opus")) ? QStringLiteral("opusinfo") : QStringLiteral("ogginfo");
        const QByteArray verdict = run(checker, name.endsWith(QLatin1String(".flac")) ? QStringList{QStringLiteral("-t"), QStringLiteral("-s"), path}
                                                                                      : QStringList{path});
        QVERIFY2(verdict != "failed" && !verdict.contains("WARNING") && !verdict.contains("ERROR"), verdict.constData());
    }
}

QTEST_GUILESS_MAIN(TestFlacOgg)
#include "tst_flacogg.moc"
