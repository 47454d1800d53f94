// SPDX-License-Identifier: MIT
#include "engine/tags/id3v2/id3v2raw.h"
#include "engine/tags/taglibrary.h"
#include "support/mp3fixture.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using TestFiles::Read;
using TestFiles::Write;

// Tags that other writers make in ways TagLib would not (iTunes' plain frame
// sizes, unsynchronisation announced only in the header, unusual picture
// types and descriptions), built byte by byte, converted, and read before and
// after by mutagen: whatever another reader saw must still be there.
namespace {

// How the frames of a hand-made tag are written.
struct Style
{
    int major = 4;
    bool plainSizes = false;     // iTunes: 2.4 frames with 2.3-style sizes
    bool unsynchronised = false; // the header's flag
    bool frameFlags = false;     // 2.4: each frame also says so, as it should
    // 2.4: the header's footer flag, with or without the footer after the tag.
    enum { NoFooter, FlagOnly, Footer } footer = NoFooter;
};

// Every 0xFF that a reader could take for the start of a sync, or that ends
// the data, is followed by a 0x00.
QByteArray Unsynchronise(const QByteArray &data)
{
    QByteArray out;
    for (int i = 0; i < data.size(); ++i) {
        out += data.at(i);
        const bool last = i + 1 == data.size();
        if (uchar(data.at(i)) == 0xFF && (last || uchar(data.at(i + 1)) >= 0xE0 || data.at(i + 1) == '\0'))
            out += '\0';
    }
    return out;
}

QByteArray RawFrame(const char *id, const QByteArray &content, const Style &style)
{
    const bool perFrame = style.major == 4 && style.unsynchronised;
    const QByteArray stored = perFrame ? Unsynchronise(content) : content;
    QByteArray frame(id, 4);
    frame += Mp3Fixture::SizeBytes(quint32(stored.size()), style.major == 4 && !style.plainSizes);
    frame += '\0';
    frame += char(perFrame && style.frameFlags ? 0x02 : 0x00);
    return frame + stored;
}

QByteArray RawTag(const QByteArray &frames, const Style &style)
{
    const QByteArray body = style.major == 3 && style.unsynchronised ? Unsynchronise(frames) : frames;
    QByteArray tag("ID3", 3);
    tag += char(style.major);
    tag += '\0';
    tag += char((style.unsynchronised ? 0x80 : 0x00) | (style.footer != Style::NoFooter ? 0x10 : 0x00));
    tag += Mp3Fixture::SizeBytes(quint32(body.size() + 256), true);
    const QByteArray footer = style.footer == Style::Footer ? "3DI" + tag.mid(3) : QByteArray();
    return tag + body + QByteArray(256, '\0') + footer;
}

// Text in the ID3v2 encoding numbered: Latin-1, UTF-16 with a byte order
// mark (FF FE: bytes that unsynchronisation changes), UTF-16BE or UTF-8.
QByteArray Encoded(int encoding, const QString &text)
{
    static const QStringConverter::Encoding encodings[] = {QStringConverter::Latin1, QStringConverter::Utf16LE,
                                                           QStringConverter::Utf16BE, QStringConverter::Utf8};
    QStringEncoder encoder(encodings[encoding]);
    const QByteArray mark = encoding == 1 ? QByteArray("\xFF\xFE", 2) : QByteArray();
    return mark + QByteArray(encoder(text));
}

QByteArray Latin1(const QString &text)
{
    return QByteArray(1, '\0') + Encoded(0, text);
}

QByteArray Description(int encoding, const QString &text)
{
    return Encoded(encoding, text) + QByteArray(encoding == 1 || encoding == 2 ? 2 : 1, '\0');
}

QByteArray PictureContent(int encoding, int type, const QString &description, const QByteArray &data)
{
    return QByteArray(1, char(encoding)) + "image/jpeg" + '\0' + char(type) + Description(encoding, description)
        + data;
}

QByteArray Filler(int size, quint8 seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 37 + seed) & 0xFF);
    return bytes;
}

// The frames that mutagen lost from iTunes' tags: binary frames larger than
// 127 bytes, whose sizes read differently as plain and as sync-safe numbers.
QByteArray EveryKindOfFrame(const Style &style, const QByteArray &firstPicture, const QByteArray &backCover)
{
    const auto frame = [&style](const char *id, const QByteArray &content) { return RawFrame(id, content, style); };
    Style inside = style;
    inside.unsynchronised = false;
    const QByteArray chapterTimes = QByteArray("\0\0\0\0\0\0\x75\x30", 8) + QByteArray(8, '\xFF');
    return frame("TIT2", Latin1(QStringLiteral("Title")))
        + frame("TPE1", QByteArray(1, '\x01') + Encoded(1, QStringLiteral("Ärtist ♫")))
        + frame("APIC", firstPicture)
        + frame("GEOB", Latin1(QStringLiteral("application/octet-stream")) + '\0' + "a.bin" + '\0' + "blob" + '\0'
                            + Filler(300, 1))
        + frame("POPM", QByteArray("rater@example.org\0\xC4\0\0\x01\x02", 23))
        + frame("CHAP", QByteArray("ch1\0", 4) + chapterTimes
                            + RawFrame("TIT2", Latin1(QStringLiteral("Chapter one")), inside))
        + frame("CTOC", QByteArray("toc\0\x03\x01", 6) + QByteArray("ch1\0", 4))
        + frame("RVA2", QByteArray("track\0\x01\xFE\x80\0", 10))
        + frame("UFID", QByteArray("http://musicbrainz.org\0", 23) + "0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9")
        + frame("MCDI", Filler(400, 2))
        + frame("WXXX", Latin1(QStringLiteral("shop")) + '\0' + "http://example.org/album")
        + frame("TCON", Latin1(QStringLiteral("Electronic ") + QString(140, QLatin1Char('x'))))
        + frame("PRIV", QByteArray("WM/MediaClassPrimaryID\0", 23) + Filler(600, 3))
        + frame("APIC", backCover);
}

QString Python()
{
    // Debian's own Python, where its python3-mutagen package is.
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
    return python.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("python3")) : python;
}

// Every frame as mutagen reads it, one line each in stored order: its key,
// a digest of everything mutagen read from it, and the start of that. Picture
// 1's image data is left out of its line and given on its own.
const char *const MutagenFrames = R"(
import copy, hashlib, sys
from mutagen.id3 import ID3
tags = ID3(sys.argv[1], translate=False)
out = ['version\t%d.%d' % tags.version[:2]]
first = True
for key, frame in tags.items():
    if frame.FrameID == 'APIC' and first:
        first = False
        out.append('picture1-data\t' + hashlib.sha256(frame.data).hexdigest())
        frame = copy.copy(frame)
        frame.data = b''
    seen = repr(frame)
    out.append('%s\t%s\t%s' % (key, hashlib.sha256(seen.encode('utf-8')).hexdigest()[:16], seen[:100]))
sys.stdout.buffer.write('\n'.join(out).encode('utf-8'))
)";

QStringList FramesByMutagen(const QString &path)
{
    QProcess reader;
    reader.start(Python(), {QStringLiteral("-c"), QString::fromLatin1(MutagenFrames), path});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0) {
        qWarning("%s", reader.readAllStandardError().constData());
        return {};
    }
    return QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'));
}

QStringList Keys(const QStringList &lines)
{
    QStringList keys;
    for (const QString &line : lines)
        keys += line.section(QLatin1Char('\t'), 0, 0);
    return keys;
}

QString Sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// Every audio packet as ffmpeg reads it: its size and a digest of its bytes.
QStringList PacketsByFfprobe(const QString &path)
{
    QProcess reader;
    reader.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                                            QStringLiteral("a"), QStringLiteral("-show_entries"),
                                            QStringLiteral("packet=size,data_hash"), QStringLiteral("-show_data_hash"),
                                            QStringLiteral("SHA256"), QStringLiteral("-of"), QStringLiteral("csv=p=0"), path});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0)
        return {};
    return QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The description of every picture as mutagen reads it, in stored order.
QStringList DescriptionsByMutagen(const QString &path)
{
    QProcess reader;
    reader.start(Python(), {QStringLiteral("-c"),
                            QStringLiteral("import sys\nfrom mutagen.id3 import ID3\n"
                                           "for f in ID3(sys.argv[1]).getall('APIC'):\n"
                                           "    sys.stdout.buffer.write(('[%s]\\n' % f.desc).encode('utf-8'))\n"),
                            path});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0)
        return {};
    return QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestTagFrames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void otherReadersSeeTheSameFrames_data();
    void otherReadersSeeTheSameFrames();
    void pictureOneNeverSharesItsDescription_data();
    void pictureOneNeverSharesItsDescription();
    void frameSizesAreReadOneWayForTheWholeTag_data();
    void frameSizesAreReadOneWayForTheWholeTag();

private:
    QString Path(const QString &name) const { return dir_->filePath(name); }

    std::unique_ptr<QTemporaryDir> dir_;
};

void TestTagFrames::initTestCase()
{
    QProcess probe;
    probe.start(Python(), {QStringLiteral("-c"), QStringLiteral("import mutagen")});
    if (!probe.waitForFinished() || probe.exitCode() != 0)
        QSKIP("python3-mutagen is not installed");
    if (QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty())
        QSKIP("ffprobe is not installed");
}

void TestTagFrames::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestTagFrames::otherReadersSeeTheSameFrames_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("newTitle");

    const QByteArray audio = Mp3Fixture::AudioFrames(8);
    const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(300, 300, Qt::red));
    const QByteArray back = TestPictures::Jpeg(TestPictures::Solid(120, 80, Qt::green));
    const QByteArray backCover = PictureContent(0, 4, QStringLiteral("back"), back);
    const QString artist = QStringLiteral("Ärtist ♫");
    const QString longTitle = QStringLiteral("A title longer than 127 bytes, whose size reads differently "
                                             "as a plain and as a sync-safe number: %1")
                                  .arg(QString(60, QLatin1Char('t')));
    const auto row = [&](const char *name, const Style &style, int encoding, int type, const QString &description,
                         const QString &newTitle = QString()) {
        const QByteArray first = PictureContent(encoding, type, description, art);
        QTest::newRow(name) << RawTag(EveryKindOfFrame(style, first, backCover), style) + audio << artist << art
                            << type << newTitle;
    };

    row("iTunes: 2.4 with plain frame sizes", {4, true, false, false}, 0, 3, QStringLiteral("Cover"));
    row("plain frame sizes, a long title written", {4, true, false, false}, 0, 3, QString(), longTitle);
    row("sync-safe frame sizes, a long title written", {4, false, false, false}, 0, 3, QString(), longTitle);
    row("2.4 unsynchronised by the header only", {4, false, true, false}, 1, 3, QString());
    row("2.4 unsynchronised by the header only, a long title written", {4, false, true, false}, 1, 3, QString(),
        longTitle);
    row("2.4 unsynchronised by header and frames", {4, false, true, true}, 0, 3, QStringLiteral("Front"));
    row("2.4 unsynchronised, with plain frame sizes", {4, true, true, false}, 3, 6, QStringLiteral("Ünïcode ☃"));
    row("2.3 unsynchronised", {3, false, true, false}, 1, 3, QStringLiteral("Ünïcode ☃"));
    row("type 128, Latin-1 description", {4, true, false, false}, 0, 128, QStringLiteral("Cöver"));
    row("type 200, UTF-16 description", {3, false, false, false}, 1, 200, QStringLiteral("Front ☃"));
    row("type 255, UTF-16BE description", {4, false, false, false}, 2, 255, QStringLiteral("Front ☃"));
    row("type 20, UTF-8 description", {4, false, false, false}, 3, 20, QStringLiteral("Front ☃"));
    row("2.4 with a footer", {4, false, false, false, Style::Footer}, 0, 3, QString());
    row("2.4 with the footer flag and no footer", {4, false, false, false, Style::FlagOnly}, 0, 3, QString());
}

void TestTagFrames::otherReadersSeeTheSameFrames()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, artist);
    QFETCH(QByteArray, picture);
    QFETCH(int, type);
    QFETCH(QString, newTitle);

    const QString path = Path(QStringLiteral("song.mp3"));
    QVERIFY(Write(path, file));
    const QStringList before = FramesByMutagen(path);
    // The audio alone, as ffmpeg reads it (it takes a footer flag's word for a footer).
    const QString audioOnly = Path(QStringLiteral("audio.mp3"));
    QVERIFY(Write(audioOnly, Mp3Fixture::AfterTag(file)));
    const QStringList packets = PacketsByFfprobe(audioOnly);
    QCOMPARE(packets.size(), 8);
    // The hand-made tag is read in full before the conversion.
    for (const char *id : {"TPE1", "GEOB", "POPM", "CHAP", "CTOC", "RVA2", "UFID", "MCDI", "WXXX", "TCON", "PRIV"}) {
        QVERIFY2(std::any_of(before.cbegin(), before.cend(),
                             [id](const QString &line) { return line.startsWith(QLatin1String(id)); }),
                 id);
    }

    // Read as its writer meant it.
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(tags.LastErrorCode(), 0);
    QCOMPARE(tags.Id3v2Field(TagField::Artist), artist);
    QCOMPARE(tags.PictureCount(), short(2));
    QCOMPARE(tags.GetPictureType(1), short(type));
    const Result<QByteArray> stored = tags.PictureData(1);
    QVERIFY(stored);
    QCOMPARE(*stored, picture);

    const QByteArray converted = TestPictures::Jpeg(TestPictures::Solid(250, 250, Qt::blue), 80);
    QVERIFY(tags.AddPictureData(converted, tags.GetPictureType(1)));
    if (!newTitle.isEmpty())
        tags.SetId3v2Field(TagField::Title, newTitle);
    QCOMPARE(tags.SaveId3v2Tag(path), short(-1));
    QCOMPARE(Mp3Fixture::AfterTag(Read(path)), Mp3Fixture::AfterTag(file));
    QCOMPARE(PacketsByFfprobe(path), packets);

    QStringList after = FramesByMutagen(path);
    QCOMPARE(Keys(after), Keys(before));
    const int data = int(Keys(after).indexOf(QStringLiteral("picture1-data")));
    QCOMPARE(after.at(data), QStringLiteral("picture1-data\t") + Sha256(converted));
    QStringList expected = before;
    expected[data] = after.at(data);
    if (!newTitle.isEmpty()) {
        const int title = int(Keys(before).indexOf(QStringLiteral("TIT2")));
        QVERIFY2(after.at(title).contains(newTitle.left(40)), qPrintable(after.at(title)));
        expected[title] = after.at(title);
    }
    QCOMPARE(after, expected);

    // And read back the same way by this program.
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(tags.Id3v2Field(TagField::Artist), artist);
    QCOMPARE(tags.GetPictureType(1), short(type));
    const Result<QByteArray> storedAfter = tags.PictureData(1);
    QVERIFY(storedAfter);
    QCOMPARE(*storedAfter, converted);
}

void TestTagFrames::pictureOneNeverSharesItsDescription_data()
{
    QTest::addColumn<QStringList>("descriptions");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("two without a description")
        << QStringList{QString(), QString()} << QStringList{QStringLiteral("[ ]"), QStringLiteral("[]")};
    QTest::newRow("a space is not enough")
        << QStringList{QStringLiteral("x"), QStringLiteral("x"), QStringLiteral("x ")}
        << QStringList{QStringLiteral("[x  ]"), QStringLiteral("[x]"), QStringLiteral("[x ]")};
    QTest::newRow("different ones stay")
        << QStringList{QStringLiteral("front"), QString()}
        << QStringList{QStringLiteral("[front]"), QStringLiteral("[]")};
}

void TestTagFrames::pictureOneNeverSharesItsDescription()
{
    QFETCH(QStringList, descriptions);
    QFETCH(QStringList, expected);

    const Style style;
    QByteArray frames = RawFrame("TIT2", Latin1(QStringLiteral("Pictures")), style);
    for (int i = 0; i < descriptions.size(); ++i) {
        const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(40 + i, 30, Qt::red));
        frames += RawFrame("APIC", PictureContent(0, 3 + i, descriptions.at(i), art), style);
    }
    const QString path = Path(QStringLiteral("pictures.mp3"));
    QVERIFY(Write(path, RawTag(frames, style) + Mp3Fixture::AudioFrames(4)));
    const Id3v2::Tag old = Id3v2::Parse(Read(path), Read(path).size());

    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QVERIFY(tags.AddPictureData(TestPictures::Jpeg(TestPictures::Solid(20, 20, Qt::blue)), tags.GetPictureType(1)));
    QCOMPARE(tags.SaveId3v2Tag(path), short(-1));

    // Another reader finds every picture under its own description, and
    // the pictures after the first keep their bytes.
    QCOMPARE(DescriptionsByMutagen(path), expected);
    const Id3v2::Tag now = Id3v2::Parse(Read(path), Read(path).size());
    QCOMPARE(now.frames.size(), old.frames.size());
    for (int i = 2; i < old.frames.size(); ++i)
        QVERIFY(now.frames.at(i) == old.frames.at(i));
}

void TestTagFrames::frameSizesAreReadOneWayForTheWholeTag_data()
{
    QTest::addColumn<bool>("plainSizes");
    QTest::addColumn<int>("privateSize");
    QTest::addColumn<bool>("plainAfter");

    // 300 bytes read as a sync-safe number are 172: a frame guessed on its
    // own would end at the zero byte put there.
    QTest::newRow("plain sizes") << true << 300 << true;
    QTest::newRow("sync-safe sizes") << false << 300 << false;
    QTest::newRow("only sizes that read the same both ways") << true << 100 << false;
}

void TestTagFrames::frameSizesAreReadOneWayForTheWholeTag()
{
    QFETCH(bool, plainSizes);
    QFETCH(int, privateSize);
    QFETCH(bool, plainAfter);

    Style style;
    style.plainSizes = plainSizes;
    QByteArray owned = QByteArray("owner\0", 6) + Filler(privateSize - 6, 5);
    owned[qMin(privateSize - 1, 172)] = '\0';
    const QByteArray frames = RawFrame("PRIV", owned, style)
        + RawFrame("TIT2", Latin1(QStringLiteral("Short")), style);
    const QString path = Path(QStringLiteral("sizes.mp3"));
    QVERIFY(Write(path, RawTag(frames, style) + Mp3Fixture::AudioFrames(4)));
    const Id3v2::Tag old = Id3v2::Parse(Read(path), Read(path).size());
    QVERIFY(old.IsComplete());
    QCOMPARE(old.frames.size(), 2);
    QCOMPARE(old.frames.at(0).Content(), owned);

    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(tags.Id3v2Field(TagField::Title), QStringLiteral("Short"));
    const QString title(200, QLatin1Char('T'));
    tags.SetId3v2Field(TagField::Title, title);
    QCOMPARE(tags.SaveId3v2Tag(path), short(-1));

    // The new, longer frame is written the way the others were.
    const Id3v2::Tag now = Id3v2::Parse(Read(path), Read(path).size());
    QVERIFY(now.IsComplete());
    QCOMPARE(now.plainFrameSizes, plainAfter);
    QCOMPARE(now.frames.size(), 2);
    QVERIFY(now.frames.at(0) == old.frames.at(0));
    QCOMPARE(tags.Id3v2Field(TagField::Title), title);
}

QTEST_GUILESS_MAIN(TestTagFrames)
#include "tst_tagframes.moc"
