// SPDX-License-Identifier: MIT
#include "engine/tags/taglibrary.h"
#include "support/audiofixture.h"
#include "support/hostilepictures.h"
#include "support/testfiles.h"
#include "support/tagedit.h"
#include "support/testpictures.h"

#include <QtTest>


using namespace AudioFixture;
using TagEdit::Digest;
using TestFiles::Read;

// FLAC and Ogg files made from bytes around real audio: edits change only
// what they ask for, as mutagen reads it, keep every audio byte, and leave
// files the formats' own tools and ffmpeg find sound; hostile files are
// refused with their reason and left as they were.
class TestFlacOgg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void edits_data();
    void edits();
    void hostileFiles_data();
    void hostileFiles();

private:
    QString Put(const QString &name, const QByteArray &bytes) const;
    // What mutagen reads: the entries in order, the pictures, the FLAC block types.
    static QStringList Mutagen(const QString &path);
    // A tool's output, or "failed".
    static QByteArray Run(const QString &tool, const QStringList &arguments);

    QTemporaryDir tones_;
    Tones tone_;
    QByteArray newJpeg_ = TestPictures::Jpeg(TestPictures::Solid(40, 30, Qt::darkGreen));
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestFlacOgg::initTestCase()
{
    if (!MakeTones(tones_.path(), &tone_))
        QSKIP("ffmpeg is not installed");
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
from mutagen.oggflac import OggFLAC
from mutagen.ogg import OggPage
f = File(sys.argv[1])
md5 = lambda data: hashlib.md5(data).hexdigest()[:8]
tags, pictures = [], [p for p in getattr(f, 'pictures', [])]
for key, value in f.tags or []:
    if key.upper() == 'METADATA_BLOCK_PICTURE': pictures.append(Picture(base64.b64decode(value)))
    elif key.upper() == 'COVERART': pictures.append('COVERART/' + md5(base64.b64decode(value)))
    else: tags.append(key + '=' + value)
blocks = [b.code for b in f.metadata_blocks] if isinstance(f, FLAC) else []
if isinstance(f, OggFLAC):  # the header packets after the first, on pages of granule 0 or -1
    with open(sys.argv[1], 'rb') as stream:
        pages = [OggPage(stream)]
        while pages[-1].position <= 0: pages.append(OggPage(stream))
    packets = OggPage.to_packets(pages[:-1])[1:]
    blocks = [p[0] & 0x7F for p in packets]
    pictures += [Picture(p[4:]) for p in packets if p[0] & 0x7F == 6]
print('|'.join(tags))
print('|'.join(p if isinstance(p, str) else '%d/%s/%s/%dx%d/%d/%s' % (p.type, p.desc, p.mime, p.width, p.height, p.depth, md5(p.data)) for p in pictures))
print(','.join(map(str, blocks)))
)"), path});
    python.waitForFinished(30000);
    return QString::fromUtf8(python.readAllStandardOutput()).split(u'\n').mid(0, 3);
}

QByteArray TestFlacOgg::Run(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(60000);
    return process.exitCode() == 0 ? process.readAllStandardOutput() + process.readAllStandardError() : "failed";
}

namespace {

const QByteArray Big = HostilePictures::PaddedJpeg(TestPictures::Solid(300, 200, Qt::red), 90000, 1);
const QByteArray Small = TestPictures::Jpeg(TestPictures::Solid(10, 10, Qt::blue));

// The tone's stream with this comment header, on header pages of that many segments.
QByteArray OggFile(const QByteArray &tone, const QByteArray &comments, int segments = 16)
{
    const OggParts parts = SplitOgg(tone);
    QList<QByteArray> headers = parts.headers;
    headers[1] = comments;
    return Ogg(headers, parts, segments);
}

QByteArray PictureEntry(const QByteArray &picture, const QByteArray &description = "Front")
{
    return "METADATA_BLOCK_PICTURE=" + PictureBody(3, "image/jpeg", description, picture).toBase64();
}

} // namespace

void TestFlacOgg::edits_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QStringList>("mutagen"); // with NEW for the new picture's digest
    QTest::addColumn<QByteArray>("kept");     // bytes the new file still holds
    QTest::addColumn<bool>("sameLength");

    const Block info{0, SplitFlac(tone_.flac).streamInfo};
    const Block application{2, "ABCD odd data"};
    const Block padding{1, QByteArray(8192, '\0')};
    const Block comments{4, CommentList({"title=Old", "ARTIST=Band", "TITLE=Old 2", "Comment=c"})};
    const Block front{6, PictureBody(3, "image/png", "Front", Big)};
    const Block back{6, PictureBody(4, "image/jpeg", "Back", Small)};
    const QString kept = QStringLiteral("title=Old|ARTIST=Band|TITLE=Old 2|Comment=c");
    const auto flac = [&](const QList<Block> &blocks) { return Flac(blocks, SplitFlac(tone_.flac).audio); };
    QTest::newRow("FLAC: picture 1 replaced, what it freed given back")
        << flac({info, application, comments, front, back, padding}) << "picture"
        << QStringList{kept, QStringLiteral("3/Front/image/jpeg/40x30/24/NEW|4/Back/image/jpeg/0x0/0/") + Digest(Small),
                       QStringLiteral("0,2,4,6,6,1")}
        << application.body << false;
    QTest::newRow("FLAC: picture 2 replaced, the file grows and gets padding")
        << flac({info, comments, front, back}) << "picture2"
        << QStringList{kept, QStringLiteral("3/Front/image/png/0x0/0/") + Digest(Big) + QStringLiteral("|4/Back/image/jpeg/40x30/24/NEW"),
                       QStringLiteral("0,4,6,6,1")}
        << front.body << false;
    const QByteArray id3 = QByteArray("ID3\x03\0\0\0\0\0\x10TIT2\0\0\0\x02\0\0\0x", 22) + QByteArray(4, '\0');
    QTest::newRow("FLAC: picture added before the padding, an ID3v2 tag in front kept")
        << id3 + flac({info, comments, padding}) << "picture"
        << QStringList{kept, QStringLiteral("3//image/jpeg/40x30/24/NEW"), QStringLiteral("0,4,6,1")} << id3 << true;
    QTest::newRow("FLAC: a field replaces all its values in the first one's place")
        << flac({info, comments, padding}) << "Title=New"
        << QStringList{QStringLiteral("title=New|ARTIST=Band|Comment=c"), QString(), QStringLiteral("0,4,1")}
        << QByteArray() << true;
    QTest::newRow("FLAC: the comment is a description where there is no comment")
        << flac({info, Block{4, CommentList({"DESCRIPTION=d", "GENRE=Rock", "DATE=2001"})}}) << "Comment=New;Year=;Album=Über"
        << QStringList{QStringLiteral("DESCRIPTION=New|GENRE=Rock|ALBUM=Über"), QString(), QStringLiteral("0,4,1")}
        << QByteArray("fixture vendor") << false;
    QTest::newRow("FLAC: a track and its total in entries of their own, as kid3 writes them")
        << flac({info, Block{4, CommentList({"tracknumber=1/12", "TITLE=Old"})}, padding}) << "Track=3/12"
        << QStringList{QStringLiteral("tracknumber=3|TITLE=Old|TRACKTOTAL=12"), QString(), QStringLiteral("0,4,1")}
        << QByteArray("TITLE=Old") << true;
    QTest::newRow("FLAC: comment block added where there is none")
        << flac({info, padding}) << "Title=New" << QStringList{QStringLiteral("TITLE=New"), QString(), QStringLiteral("0,4,1")}
        << QByteArray() << true;

    QTest::newRow("Vorbis: picture 1 made small, the pages numbered anew")
        << OggFile(tone_.vorbis, VorbisComments({"TITLE=Song", PictureEntry(Big), "label=Odd"})) << "picture"
        << QStringList{QStringLiteral("TITLE=Song|label=Odd"), QStringLiteral("3/Front/image/jpeg/40x30/24/NEW"), QString()}
        << QByteArray("label=Odd") << false;
    QTest::newRow("Vorbis: a COVERART stays one")
        << OggFile(tone_.vorbis, VorbisComments({"COVERARTMIME=image/png", "coverart=" + Small.toBase64()})) << "picture"
        << QStringList{QStringLiteral("COVERARTMIME=image/jpeg"), QStringLiteral("COVERART/NEW"), QString()}
        << QByteArray("coverart=") << false;
    QTest::newRow("Vorbis: a picture added") << OggFile(tone_.vorbis, VorbisComments({"TITLE=Song"})) << "picture;Title=New"
                                             << QStringList{QStringLiteral("TITLE=New"), QStringLiteral("3//image/jpeg/40x30/24/NEW"), QString()}
                                             << QByteArray() << false;
    QTest::newRow("Vorbis: a track that is no number keeps no total")
        << OggFile(tone_.vorbis, VorbisComments({"TRACKNUMBER=1", "TOTALTRACKS=12", "TRACKTOTAL=12"})) << "Track=A-side"
        << QStringList{QStringLiteral("TRACKNUMBER=A-side"), QString(), QString()} << QByteArray() << false;
    const QByteArray opusPadding = "\x02" + QByteArray(300, 'p');
    QTest::newRow("Opus: a field changed, the padding kept")
        << OggFile(tone_.opus, OpusTags({"TITLE=Old", "ALBUM=A"}, opusPadding)) << "Title=New"
        << QStringList{QStringLiteral("TITLE=New|ALBUM=A"), QString(), QString()} << opusPadding << true;
    const OggParts oggFlac = SplitOgg(tone_.oggFlac);
    const auto oggFlacFile = [&](const QList<Block> &blocks) { return Ogg(OggFlacHeaders(oggFlac.headers.first(), blocks), oggFlac); };
    QTest::newRow("Ogg FLAC: picture 1 in a comment made small, the padding kept")
        << oggFlacFile({{4, CommentList({"TITLE=Song", PictureEntry(Big), "label=Odd"})}, padding}) << "picture"
        << QStringList{QStringLiteral("TITLE=Song|label=Odd"), QStringLiteral("3/Front/image/jpeg/40x30/24/NEW"), QStringLiteral("4,1")}
        << QByteArray("label=Odd") << false;
    QTest::newRow("Ogg FLAC: a PICTURE block made small, the other kept")
        << oggFlacFile({{4, CommentList({"TITLE=Song"})}, front, back}) << "picture"
        << QStringList{QStringLiteral("TITLE=Song"), QStringLiteral("3/Front/image/jpeg/40x30/24/NEW|4/Back/image/jpeg/0x0/0/") + Digest(Small),
                       QStringLiteral("4,6,6")}
        << back.body << false;
    // Bytes that some taggers leave after the last page, which players skip.
    const QByteArray id3v1 = "TAG" + QByteArray("Song").leftJustified(125, '\0');
    QTest::newRow("Vorbis: an ID3v1 tag after the last page kept, the pages numbered anew")
        << OggFile(tone_.vorbis, VorbisComments({"TITLE=Song", PictureEntry(Big)})) + id3v1 << "picture"
        << QStringList{QStringLiteral("TITLE=Song"), QStringLiteral("3/Front/image/jpeg/40x30/24/NEW"), QString()} << id3v1 << false;
    QTest::newRow("Opus: zero bytes after the last page kept")
        << OggFile(tone_.opus, OpusTags({"TITLE=Old"})) + QByteArray(3000, '\0') << "Title=New"
        << QStringList{QStringLiteral("TITLE=New"), QString(), QString()} << QByteArray(3000, '\0') << true;
    QTest::newRow("Opus: a picture on one 64 KB page made small")
        << OggFile(tone_.opus, OpusTags({PictureEntry(Big, "")}), 255) << "picture"
        << QStringList{QString(), QStringLiteral("3//image/jpeg/40x30/24/NEW"), QString()} << QByteArray() << false;
}

void TestFlacOgg::edits()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, edits);
    QFETCH(QStringList, mutagen);
    QFETCH(QByteArray, kept);
    QFETCH(bool, sameLength);
    const QString name = QStringLiteral("song.") + QLatin1String(!file.startsWith("OggS") ? "flac" : file.contains("OpusHead") ? "opus"
                                                                  : file.contains("\x7F" "FLAC") ? "oga" : "ogg");
    const QString path = Put(name, file);
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(TagEdit::EditAndSave(tags, path, edits, newJpeg_), short(-1));
    tags.CloseAudioFile();

    const QByteArray after = Read(path);
    QCOMPARE(Mutagen(path), mutagen.replaceInStrings(QStringLiteral("NEW"), Digest(newJpeg_)));
    QVERIFY(after.contains(kept));
    QCOMPARE(after.size() == file.size(), sameLength);
    // The formats' own tools and ffmpeg find the file sound, its audio decoded as before.
    const auto decoded = [](const QString &audio) {
        return Run(QStringLiteral("ffmpeg"), QStringLiteral("-v quiet -i %1 -map 0:a -f md5 -").arg(audio).split(u' '));
    };
    const QString original = Put(QStringLiteral("before-") + name, file);
    QCOMPARE(decoded(path), decoded(original));
    QVERIFY(Run(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), path}) != "failed");
    // No more complaints than about the file as it was (bytes after the last page are a "hole" to ogginfo).
    const auto complaints = [&name](const QString &audio) {
        const QByteArray verdict = name.endsWith(QLatin1String(".flac")) ? Run(QStringLiteral("flac"), {QStringLiteral("-t"), QStringLiteral("-s"), audio})
                                   : Run(name.endsWith(QLatin1String(".opus")) ? QStringLiteral("opusinfo") : QStringLiteral("ogginfo"), {audio});
        return verdict.count("WARNING") + verdict.count("ERROR") + verdict.count("failed");
    };
    QCOMPARE(complaints(path), complaints(original));
    if (!file.startsWith("OggS")) {
        QCOMPARE(SplitFlac(after.mid(after.indexOf("fLaC"))).audio, SplitFlac(file.mid(file.indexOf("fLaC"))).audio);
        return;
    }
    // Every audio packet and granule position stays; only a change in the
    // header's page count renumbers the pages.
    const OggParts before = SplitOgg(file);
    const OggParts now = SplitOgg(after);
    QCOMPARE(Unnumbered(now.audioPages), Unnumbered(before.audioPages));
    QCOMPARE(OggPages(after).size() == OggPages(file).size(), now.audioPages == before.audioPages);
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
    const QByteArray id3WithFooter = QByteArray("ID3\x04\0\x10\0\0\0\x0cTIT2\0\0\0\x02\0\0\0x3DI\x04\0\x10\0\0\0\x0c", 32);
    QTest::newRow("an ID3v2.4 tag with a footer in front") << id3WithFooter + flac({info, titled}) << QString() << "Read"
                                                           << id3WithFooter;
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
    QByteArray early = flac({info, titled, Block{1, QByteArray(16, '\0')}});
    early[4 + 4 + 34] = char(0x84);
    QTest::newRow("an early last-block flag") << early << "no audio frame where the audio should begin" << "Read" << QByteArray();
    QTest::newRow("100,000 empty blocks") << flac(QList<Block>{info, titled} + QList<Block>(100000, Block{1, {}}))
                                          << "more than 4096 metadata blocks" << "Read" << QByteArray();
    QByteArray wrapped = CommentList({"TITLE=Read", "ALBUM=x"});
    wrapped.replace(wrapped.size() - 11, 4, QByteArray("\xFC\xFF\xFF\xFF", 4));
    QTest::newRow("a comment length that wraps round") << flac({info, Block{4, wrapped}})
                                                       << "the comment list's counts and lengths do not fit" << "" << QByteArray();

    QByteArray crc = OggFile(tone_.vorbis, VorbisComments({"TITLE=Read"}));
    crc[crc.size() - 1] = char(crc.at(crc.size() - 1) ^ 1);
    QTest::newRow("a bad CRC in the audio") << crc << "the Ogg page at byte" << "Read" << QByteArray();
    // A letter changed in a comment on a header page of 4 KB: only the page's sum tells.
    QByteArray header = OggFile(tone_.vorbis, VorbisComments({"TITLE=Read", "COMMENT=" + QByteArray(8000, 'a')}));
    header[header.indexOf("COMMENT=") + 1000] = 'b';
    QTest::newRow("a bad CRC inside a header page") << header << "the Ogg page at byte" << "" << QByteArray();
    const OggParts vorbis = SplitOgg(tone_.vorbis);
    QTest::newRow("no framing bit") << OggFile(tone_.vorbis, VorbisComments({"TITLE=Read"}, QByteArray(1, '\0')))
                                    << "the comment header's framing bit is missing" << "Read" << QByteArray();
    QTest::newRow("Base64 with a line break") << OggFile(tone_.vorbis, VorbisComments({"TITLE=Read", PictureEntry(Small).insert(60, '\n')}))
                                              << "a picture comment is not valid Base64" << "Read" << QByteArray();
    // "QUJ=" is "AB" with bits set under the padding: a lenient decoder takes it.
    QTest::newRow("Base64 with bits under its padding") << OggFile(tone_.vorbis, VorbisComments({"TITLE=Read", "COVERART=QUJ="}))
                                                        << "a picture comment is not valid Base64" << "Read" << QByteArray();
    OggParts other = vorbis;
    other.audioPages.last()[14] = char(other.audioPages.last().at(14) ^ 1); // another serial number
    QTest::newRow("a second stream") << Ogg({vorbis.headers.at(0), VorbisComments({"TITLE=Read"}), vorbis.headers.at(2)}, other)
                                     << "the file holds more than one logical stream" << "Read" << QByteArray();
    QTest::newRow("a chained file") << OggFile(tone_.vorbis, VorbisComments({"TITLE=Read"})) + tone_.vorbis
                                    << "two Ogg streams one after another" << "Read" << QByteArray();
    const QByteArray speex = Ogg({"Speex   1.2" + QByteArray(69, '\0'), CommentList({"TITLE=Speech"})}, MadeUpOgg(99, 99));
    QTest::newRow("Speex") << speex << "the file holds a Speex stream, not Vorbis, Opus or FLAC" << "" << QByteArray();
    QTest::newRow("Theora with Vorbis") << Ogg({"\x80theora\x03\x02" + QByteArray(32, '\0')}, OggParts{99, {}, {}}) + tone_.vorbis
                                        << "the file holds Theora and Vorbis streams side by side" << "" << QByteArray();
}

void TestFlacOgg::hostileFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    QFETCH(QString, title);
    QFETCH(QByteArray, kept);
    const QString path = Put(QStringLiteral("song.flac"), file);
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(tags.Id3v2Field(TagField::Title), title);
    QCOMPARE(TagEdit::EditAndSave(tags, path, QStringLiteral("Title=Changed"), newJpeg_), short(reason.isEmpty() ? -1 : 0));
    QVERIFY2(tags.LastErrorText().startsWith(reason), qPrintable(tags.LastErrorText()));
    const QByteArray after = Read(path);
    QVERIFY(reason.isEmpty() ? after != file && after.contains(kept) : after == file);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("song.flac")});
}

QTEST_GUILESS_MAIN(TestFlacOgg)
#include "tst_flacogg.moc"
