// SPDX-License-Identifier: MIT
#include "base/genrefromid.h"
#include "engine/files/lockedfile.h"
#include "engine/tags/id3v2/id3v2raw.h"
#include "engine/tags/tagformats.h"
#include "engine/tags/taglibrary.h"
#include "support/audiofixture.h"
#include "support/mp3fixture.h"
#include "support/peakmemory.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>

#include <csignal>
#include <functional>
#include <memory>

#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

using TestFiles::Read;
using TestFiles::Write;

namespace {

QByteArray SmallJpeg(const QColor &colour = Qt::red)
{
    return TestPictures::Jpeg(TestPictures::Solid(40, 30, colour), 85);
}

Id3v2::Tag TagOf(const QByteArray &file)
{
    return Id3v2::Parse(file, file.size());
}

// The picture frame's image data and type as TagLib reads it.
struct ReadPicture
{
    QByteArray data;
    int type = -1;
    QString mime;
    QString description;
    int encoding = -1;
};

ReadPicture PictureFrameContent(const Id3v2::Frame &frame, int major)
{
    TagLib::ID3v2::Header header;
    header.setMajorVersion(unsigned(major));
    std::unique_ptr<TagLib::ID3v2::Frame> parsed(TagLib::ID3v2::FrameFactory::instance()->createFrame(
        TagLib::ByteVector(frame.bytes.constData(), unsigned(frame.bytes.size())), &header));
    ReadPicture picture;
    if (auto *apic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame *>(parsed.get())) {
        picture.data = QByteArray(apic->picture().data(), int(apic->picture().size()));
        picture.type = apic->type();
        picture.mime = QString::fromUtf8(apic->mimeType().toCString(true));
        picture.description = QString::fromUtf8(apic->description().toCString(true));
        picture.encoding = apic->textEncoding();
    }
    return picture;
}

int FirstPictureIndex(const Id3v2::Tag &tag)
{
    for (int i = 0; i < tag.frames.size(); ++i) {
        if (tag.frames.at(i).id == "APIC" || tag.frames.at(i).id == "PIC")
            return i;
    }
    return -1;
}

// Runs body in a child process (so limits and identities stay there) and
// returns its exit status.
int InChild(const std::function<int()> &body)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

} // namespace

class TestTagLibrary : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void readsFieldsOfBothVersions_data();
    void readsFieldsOfBothVersions();
    void readsId3v1AndUntaggedFiles();
    void formatsToldByContent_data();
    void formatsToldByContent();
    void failedOpenLeavesNoFileOpen();
    void picturesInStoredOrder();

    void replacingPictureOneKeepsEverythingElse_data();
    void replacingPictureOneKeepsEverythingElse();
    void pictureIsAddedWhenThereIsNone();
    void fieldWritesChangeOnlyTheirFrames();
    void commentOneIsNeverAnITunesValue();
    void id3v1WritesChangeOnlyTheirBytes();
    void version22BecomesVersion23();

    void readOnlyFileIsNotWritten();
    void folderThatRefusesNewFilesIsLeftAlone();
    void fullDiskMidWriteLeavesTheOriginal();
    void fileChangedSinceOpenIsNotOverwritten_data();
    void fileChangedSinceOpenIsNotOverwritten();
    void savesKeepTimePermissionsAndLinks();

    void hugeTagsAreHeldOnce();
    void hostileTags_data();
    void hostileTags();
    void publicCorpus();

private:
    QString Path(const QString &name) const { return dir_->filePath(name); }
    QString MakeMp3(const QString &name, const Mp3Fixture::Recipe &recipe);
    // Replaces picture 1 (or sets the title when there is none), saves, and
    // checks that the save kept every other frame and all other bytes, or
    // was refused and changed nothing.
    void ConvertAndCheck(const QString &path, bool mustSave);

    std::unique_ptr<QTemporaryDir> dir_;
};

void TestTagLibrary::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

QString TestTagLibrary::MakeMp3(const QString &name, const Mp3Fixture::Recipe &recipe)
{
    const QString path = Mp3Fixture::Write(Path(name), recipe);
    if (path.isEmpty())
        qFatal("cannot write the MP3 fixture");
    return path;
}

void TestTagLibrary::ConvertAndCheck(const QString &path, bool mustSave)
{
    const QByteArray before = Read(path);
    TagLibrary tags;
    if (tags.OpenAudioFile(path) != 1) {
        QVERIFY(!mustSave);
        return;
    }
    // Everything a caller reads must come back without trouble.
    for (const TagField field : {TagField::Title, TagField::Artist, TagField::Album, TagField::Track,
                                 TagField::Genre, TagField::Year, TagField::Comment}) {
        tags.Id3v2Field(field);
        tags.Id3v1Field(field);
    }
    const QByteArray picture = SmallJpeg(Qt::blue);
    const QString picturePath = Path(QStringLiteral("new.jpg"));
    QVERIFY(Write(picturePath, picture));
    const bool hadPicture = tags.PictureCount() > 0;
    if (hadPicture) {
        tags.SavePictureToFile(1, Path(QStringLiteral("old.jpg")));
        QVERIFY(tags.AddPictureFromFile(picturePath, QString(), 1, tags.GetPictureType(1), 0));
    } else {
        tags.SetId3v2Field(TagField::Title, QStringLiteral("Converted"));
    }
    const short saved = tags.SaveId3v2Tag(path);
    const QByteArray after = Read(path);
    QVERIFY(QDir(QFileInfo(path).path()).entryList({QStringLiteral(".*.brisko-*")}, QDir::Files | QDir::Hidden).isEmpty());
    qInfo("%s: %s", qPrintable(QFileInfo(path).fileName()),
          saved == -1 ? "saved" : qPrintable(QStringLiteral("refused (%1: %2)").arg(tags.LastErrorCode()).arg(tags.LastErrorText())));
    if (saved != -1) {
        QVERIFY2(!mustSave, qPrintable(tags.LastErrorText()));
        QVERIFY(tags.LastErrorCode() != 0);
        QCOMPARE(after, before);
        return;
    }

    // Everything after the tag (audio, ID3v1, APE, Lyrics3) is untouched.
    QCOMPARE(Mp3Fixture::AfterTag(after), Mp3Fixture::AfterTag(before));
    const Id3v2::Tag old = TagOf(before);
    const Id3v2::Tag now = TagOf(after);
    QVERIFY(now.present);
    QVERIFY(now.IsComplete() || now.trailing == old.trailing);
    QCOMPARE(now.major, old.present ? qMax(3, old.major) : 3);
    Id3v2::Tag converted = old;
    if (old.major == 2) {
        const Result<Id3v2::Tag> v23 = Id3v2::ConvertTo23(old);
        QVERIFY(v23);
        converted = *v23;
    }
    QList<Id3v2::Frame> expected = converted.frames;
    if (hadPicture) {
        const int index = FirstPictureIndex(converted);
        QCOMPARE(FirstPictureIndex(now), index);
        QCOMPARE(PictureFrameContent(now.frames.at(index), now.major).data, picture);
        expected[index] = now.frames.at(index);
    } else {
        expected.removeIf([](const Id3v2::Frame &frame) { return frame.id == "TIT2"; });
        QList<Id3v2::Frame> kept = now.frames;
        kept.removeIf([](const Id3v2::Frame &frame) { return frame.id == "TIT2"; });
        QCOMPARE(kept.size(), expected.size());
        for (int i = 0; i < kept.size(); ++i)
            QVERIFY(kept.at(i) == expected.at(i));
        return;
    }
    QCOMPARE(now.frames.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(now.frames.at(i) == expected.at(i), expected.at(i).id.constData());
}

void TestTagLibrary::readsFieldsOfBothVersions_data()
{
    QTest::addColumn<int>("version");
    QTest::newRow("ID3v2.3") << 3;
    QTest::newRow("ID3v2.4") << 4;
}

void TestTagLibrary::readsFieldsOfBothVersions()
{
    QFETCH(int, version);
    Mp3Fixture::Recipe recipe;
    recipe.version = version;
    recipe.title = QStringLiteral("Título ♫");
    recipe.artist = QStringLiteral("Artist");
    recipe.album = QStringLiteral("Album");
    recipe.track = QStringLiteral("7/12");
    recipe.year = version == 4 ? QStringLiteral("2004-05-06") : QStringLiteral("2004");
    recipe.genre = QStringLiteral("(17)Rock");
    recipe.comment = QStringLiteral("A comment");
    recipe.pictures = {{SmallJpeg(), QStringLiteral("image/jpeg"), 3, QString()}};
    const QString path = MakeMp3(QStringLiteral("song.mp3"), recipe);

    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(tags.LastErrorCode(), 0);
    QVERIFY(tags.HasId3v2Tag());
    QVERIFY(!tags.HasId3v1Tag());
    QCOMPARE(tags.Id3v2Field(TagField::Title), recipe.title);
    QCOMPARE(tags.Id3v2Field(TagField::Artist), recipe.artist);
    QCOMPARE(tags.Id3v2Field(TagField::Album), recipe.album);
    QCOMPARE(tags.Id3v2Field(TagField::Track), QStringLiteral("7/12"));
    QCOMPARE(tags.Id3v2Field(TagField::Year), recipe.year);
    QCOMPARE(GenreFromID(tags.Id3v2Field(TagField::Genre)), QStringLiteral("Rock"));
    QCOMPARE(tags.GetId3v2Comment(1), recipe.comment);
    QCOMPARE(tags.PictureCount(), short(1));
    QCOMPARE(tags.GetPictureType(1), short(3));

    // Reading changes nothing, not even the file's time.
    const QByteArray before = Read(path);
    const QDateTime modified = QFileInfo(path).lastModified();
    QVERIFY(tags.SavePictureToFile(1, Path(QStringLiteral("art.jpg"))));
    QCOMPARE(Read(Path(QStringLiteral("art.jpg"))), recipe.pictures.first().data);
    QCOMPARE(Read(path), before);
    QCOMPARE(QFileInfo(path).lastModified(), modified);
    QCOMPARE(tags.SaveId3v2Tag(path), short(-1)); // nothing asked, nothing written
    QCOMPARE(Read(path), before);
}

void TestTagLibrary::readsId3v1AndUntaggedFiles()
{
    Mp3Fixture::Recipe recipe;
    recipe.version = 0;
    recipe.id3v1 = true;
    recipe.v1Title = QStringLiteral("Old Title");
    recipe.v1Artist = QStringLiteral("Old Artist");
    recipe.v1Track = 5;
    recipe.v1Year = 1999;
    recipe.v1Genre = 17;
    recipe.v1Comment = QStringLiteral("v1 comment");
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(MakeMp3(QStringLiteral("v1.mp3"), recipe)), short(1));
    QVERIFY(!tags.HasId3v2Tag());
    QVERIFY(tags.HasId3v1Tag());
    QCOMPARE(tags.Id3v1Field(TagField::Title), QStringLiteral("Old Title"));
    QCOMPARE(tags.Id3v1Field(TagField::Artist), QStringLiteral("Old Artist"));
    QCOMPARE(tags.Id3v1Field(TagField::Track), QStringLiteral("5"));
    QCOMPARE(tags.Id3v1Field(TagField::Year), QStringLiteral("1999"));
    QCOMPARE(tags.Id3v1Field(TagField::Genre), QStringLiteral("17"));
    QCOMPARE(tags.Id3v1Field(TagField::Comment), QStringLiteral("v1 comment"));
    QCOMPARE(tags.PictureCount(), short(0));
    QVERIFY(tags.Id3v2Field(TagField::Title).isEmpty());

    Mp3Fixture::Recipe bare;
    bare.version = 0;
    QCOMPARE(tags.OpenAudioFile(MakeMp3(QStringLiteral("bare.mp3"), bare)), short(1));
    QVERIFY(!tags.HasId3v2Tag());
    QVERIFY(!tags.HasId3v1Tag());
    QVERIFY(tags.Id3v1Field(TagField::Title).isEmpty());
    QCOMPARE(tags.LastErrorCode(), 0);
}

namespace {

// What mutagen, a reader that is not ours, takes a file for (as the format
// table names it; empty for none), asking each of its readers in turn with
// MP3 last, and the title it reads.
QStringList MutagenKindAndTitle(const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys\n"
                                 "from mutagen.flac import FLAC\n"
                                 "from mutagen.oggvorbis import OggVorbis\n"
                                 "from mutagen.oggopus import OggOpus\n"
                                 "from mutagen.easymp4 import EasyMP4\n"
                                 "from mutagen.mp3 import EasyMP3\n"
                                 "for name, kind in (('FLAC', FLAC), ('Ogg Vorbis', OggVorbis), ('Opus', OggOpus),\n"
                                 "                   ('M4A', EasyMP4), ('MP3', EasyMP3)):\n"
                                 "    try:\n"
                                 "        f = kind(sys.argv[1])\n"
                                 "    except Exception:\n"
                                 "        continue\n"
                                 "    print(name)\n"
                                 "    print((f.tags or {}).get('title', [''])[0])\n"
                                 "    break\n"),
                  path});
    python.waitForFinished(30000);
    return QString::fromUtf8(python.readAllStandardOutput()).split(u'\n').mid(0, 2);
}

// Bytes that are no audio, with a frame header here and there that no
// second frame follows.
QByteArray Junk(int size)
{
    QByteArray junk;
    while (junk.size() < size)
        junk += "encoder junk " + QByteArray("\xFF\xFB\x90\x64", 4) + ' ';
    return junk.left(size);
}

} // namespace

void TestTagLibrary::formatsToldByContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("format"); // empty: no music file

    using namespace Mp3Fixture;
    QTest::newRow("two MPEG frames") << "two.mp3" << AudioFrames(2) << "MP3";
    QTest::newRow("327 bytes of junk before the first frame") << "junk327.mp3" << Junk(327) + AudioFrames(8) << "MP3";
    QTest::newRow("2255 bytes of junk before the first frame") << "junk2255.mp3" << Junk(2255) + AudioFrames(8) << "MP3";
    QTest::newRow("junk alone") << "junk.mp3" << Junk(5000) << "";
    QTest::newRow("a text file") << "x.flac" << QByteArray("These are the liner notes.\n") << "";
    QTest::newRow("an empty file") << "empty.mp3" << QByteArray() << "";

    static QTemporaryDir folder;
    AudioFixture::Tones tones;
    if (!AudioFixture::MakeTones(folder.path(), &tones))
        return; // no ffmpeg: the made-up files above still run
    QByteArray damaged = tones.flac;
    damaged[3] = 'X';
    QByteArray freeFirst = tones.m4a;
    freeFirst.replace(4, 4, "free"); // the ftyp box, renamed where it stands
    QTest::newRow("FLAC") << "tone.flac" << tones.flac << "FLAC";
    QTest::newRow("FLAC behind an ID3v2 tag") << "tagged.flac" << Tag(3, TextFrame("TIT2", QStringLiteral("T"))) + tones.flac
                                              << "FLAC";
    QTest::newRow("FLAC with a damaged marker") << "damaged.flac" << damaged << "";
    QTest::newRow("Ogg Vorbis") << "tone.ogg" << tones.vorbis << "Ogg Vorbis";
    QTest::newRow("Opus") << "tone.opus" << tones.opus << "Opus";
    QTest::newRow("M4A") << "tone.m4a" << tones.m4a << "M4A";
    QTest::newRow("M4A whose first box is not ftyp") << "free.m4a" << freeFirst << "M4A";
    QTest::newRow("boxes without ftyp or moov") << "boxes.m4a" << AudioFixture::Mp4Box("free", "x") + AudioFixture::Mp4Box("mdat", "y")
                                                << "";
}

void TestTagLibrary::formatsToldByContent()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, format);
    const QString path = Path(name);
    QVERIFY(Write(path, bytes));

    LockedFile file;
    const Result<void> opened = file.Open(QFile::encodeName(path));
    QVERIFY2(opened, qPrintable(opened.Why().reason));
    const Result<FileStart> start = ReadFileStart(file.Descriptor(), file.State().st_size);
    QVERIFY(start);
    const MusicFormat *found = RecognisedFormat(*start);
    QCOMPARE(found ? QString::fromLatin1(found->name) : QString(), format);
    file.Close();
    QCOMPARE(MutagenKindAndTitle(path).value(0), format);

    // A file no format recognises is refused, and never written; any other
    // takes a tag change that mutagen reads, an MP3 without a tag in front
    // of its first byte.
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(format.isEmpty() ? 0 : 1));
    if (format.isEmpty())
        QCOMPARE(tags.LastErrorText(), QStringLiteral("not a music file that Brisko reads (MP3, FLAC, Ogg Vorbis, Opus or M4A)"));
    tags.SetId3v2Field(TagField::Title, QStringLiteral("Changed"));
    QCOMPARE(tags.SaveId3v2Tag(path), short(format.isEmpty() ? 0 : -1));
    if (format.isEmpty()) {
        QCOMPARE(Read(path), bytes);
        return;
    }
    tags.CloseAudioFile();
    QCOMPARE(MutagenKindAndTitle(path), (QStringList{format, QStringLiteral("Changed")}));
    if (format == QLatin1String("MP3") && !bytes.startsWith("ID3"))
        QVERIFY(Read(path).endsWith(bytes));
}

void TestTagLibrary::failedOpenLeavesNoFileOpen()
{
    Mp3Fixture::Recipe recipe;
    recipe.title = QStringLiteral("First");
    recipe.pictures = {Mp3Fixture::Picture{SmallJpeg(), QStringLiteral("image/jpeg"), 3, QString()}};
    const QString first = MakeMp3(QStringLiteral("first.mp3"), recipe);
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(first), short(1));
    QCOMPARE(tags.OpenAudioFile(Path(QStringLiteral("missing.mp3"))), short(0));
    QVERIFY(tags.LastErrorCode() != 0);
    QVERIFY(!tags.LastErrorText().isEmpty());
    QVERIFY(!tags.HasId3v2Tag());
    QCOMPARE(tags.PictureCount(), short(0));
    QVERIFY(tags.Id3v2Field(TagField::Title).isEmpty());
    QVERIFY(!tags.SavePictureToFile(1, Path(QStringLiteral("x.jpg"))));
    QVERIFY(!tags.AddPictureFromFile(Path(QStringLiteral("x.jpg")), QString(), 1, 3, 0));
    QCOMPARE(tags.SaveId3v2Tag(first), short(0));
    QCOMPARE(tags.SaveId3v2Tag(Path(QStringLiteral("missing.mp3"))), short(0));
}

void TestTagLibrary::picturesInStoredOrder()
{
    Mp3Fixture::Recipe recipe;
    recipe.pictures = {{SmallJpeg(Qt::green), QStringLiteral("image/jpeg"), 4, QStringLiteral("back")},
                     {TestPictures::Encoded(TestPictures::Solid(8, 8, Qt::red), "png"),
                      QStringLiteral("image/png"), 3, QString()}};
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(MakeMp3(QStringLiteral("two.mp3"), recipe)), short(1));
    QCOMPARE(tags.PictureCount(), short(2));
    // Picture 1 is the first stored, whatever its type.
    QCOMPARE(tags.GetPictureType(1), short(4));
    QCOMPARE(tags.GetPictureType(2), short(3));
    QVERIFY(tags.SavePictureToFile(2, Path(QStringLiteral("second.png"))));
    QCOMPARE(Read(Path(QStringLiteral("second.png"))), recipe.pictures.at(1).data);
    QVERIFY(!tags.SavePictureToFile(3, Path(QStringLiteral("third.jpg"))));
    QCOMPARE(tags.LastErrorCode(), TagLibraryError::NoSuchPicture);
    QVERIFY(!QFile::exists(Path(QStringLiteral("third.jpg"))));
}

void TestTagLibrary::replacingPictureOneKeepsEverythingElse_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("withId3v1");
    QTest::newRow("2.3") << 3 << false;
    QTest::newRow("2.4") << 4 << false;
    QTest::newRow("2.3 with ID3v1") << 3 << true;
    QTest::newRow("2.4 with ID3v1") << 4 << true;
}

void TestTagLibrary::replacingPictureOneKeepsEverythingElse()
{
    QFETCH(int, version);
    QFETCH(bool, withId3v1);
    Mp3Fixture::Recipe recipe;
    recipe.version = version;
    recipe.title = QStringLiteral("Title");
    recipe.artist = QStringLiteral("Ärtist");
    recipe.track = QStringLiteral("3/12");
    recipe.comment = QStringLiteral("keep me");
    recipe.pictures = {{TestPictures::Jpeg(TestPictures::Solid(600, 600, Qt::red)), QStringLiteral("image/jpeg"), 4,
                      QStringLiteral("big")},
                     {SmallJpeg(Qt::green), QStringLiteral("image/jpeg"), 3, QStringLiteral("second")}};
    recipe.id3v1 = withId3v1;
    recipe.v1Title = QStringLiteral("v1");
    recipe.audioFrames = 40;
    const QString path = MakeMp3(QStringLiteral("song.mp3"), recipe);
    const QByteArray before = Read(path);

    ConvertAndCheck(path, true);

    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(tags.PictureCount(), short(2));
    QCOMPARE(tags.GetPictureType(1), short(4)); // the type it had
    QCOMPARE(tags.HasId3v1Tag(), withId3v1);
    QCOMPARE(tags.Id3v2Field(TagField::Track), QStringLiteral("3/12"));
    QCOMPARE(tags.GetId3v2Comment(1), QStringLiteral("keep me"));
    const Id3v2::Tag now = TagOf(Read(path));
    QCOMPARE(now.major, version);
    const ReadPicture first = PictureFrameContent(now.frames.at(FirstPictureIndex(now)), version);
    QCOMPARE(first.mime, QStringLiteral("image/jpeg"));
    QCOMPARE(first.description, QStringLiteral("big")); // the description it had
    QCOMPARE(first.encoding, int(TagLib::String::Latin1));
    // The smaller picture fits in the old tag: the audio did not move.
    QCOMPARE(Read(path).size(), before.size());
    QCOMPARE(now.frames.at(FirstPictureIndex(now)).Flags(), quint16(0));
}

void TestTagLibrary::pictureIsAddedWhenThereIsNone()
{
    Mp3Fixture::Recipe recipe;
    recipe.title = QStringLiteral("No art yet");
    const QString path = MakeMp3(QStringLiteral("noart.mp3"), recipe);
    const QByteArray before = Read(path);
    const QString art = Path(QStringLiteral("art.jpg"));
    QVERIFY(Write(art, SmallJpeg()));

    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QVERIFY(tags.AddPictureFromFile(art, QString(), 1, 3, 0));
    QCOMPARE(tags.SaveId3v2Tag(path), short(-1));
    QCOMPARE(tags.PictureCount(), short(1));
    QCOMPARE(Mp3Fixture::AfterTag(Read(path)), Mp3Fixture::AfterTag(before));

    // A file without any tag gets a version 2.3 tag, and no ID3v1 tag.
    Mp3Fixture::Recipe bare;
    bare.version = 0;
    const QString untagged = MakeMp3(QStringLiteral("bare.mp3"), bare);
    const QByteArray audio = Read(untagged);
    QCOMPARE(tags.OpenAudioFile(untagged), short(1));
    QVERIFY(tags.AddPictureFromFile(art, QString(), 1, 3, 0));
    QCOMPARE(tags.SaveId3v2Tag(untagged), short(-1));
    const QByteArray after = Read(untagged);
    QCOMPARE(TagOf(after).major, 3);
    QCOMPARE(Mp3Fixture::AfterTag(after), audio);
    QVERIFY(!tags.HasId3v1Tag());

    // A picture frame whose text encoding byte is no encoding (a fuzzed
    // file) is replaced by one with a real encoding, Latin-1.
    const QByteArray damaged = Mp3Fixture::Frame("APIC", QByteArray(1, 'A') + "image/jpeg" + '\0' + char(3) + '\0' + SmallJpeg());
    const QString odd = Path(QStringLiteral("oddencoding.mp3"));
    QVERIFY(Write(odd, Mp3Fixture::Tag(3, damaged, 16) + Mp3Fixture::AudioFrames(4)));
    QCOMPARE(tags.OpenAudioFile(odd), short(1));
    QVERIFY(tags.AddPictureData(SmallJpeg(Qt::blue), tags.GetPictureType(1)));
    QCOMPARE(tags.SaveId3v2Tag(odd), short(-1));
    const Id3v2::Tag saved = TagOf(Read(odd));
    QCOMPARE(FirstPictureIndex(saved), 0);
    QCOMPARE(saved.frames.at(0).Content().at(0), '\0');
}

void TestTagLibrary::fieldWritesChangeOnlyTheirFrames()
{
    Mp3Fixture::Recipe recipe;
    recipe.version = 4;
    recipe.title = QStringLiteral("Old");
    recipe.track = QStringLiteral("1");
    recipe.year = QStringLiteral("1990");
    recipe.comment = QStringLiteral("plain comment");
    const QString path = Mp3Fixture::Write(Path(QStringLiteral("fields.mp3")), recipe);
    QVERIFY(!path.isEmpty());

    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    tags.SetId3v2Field(TagField::Track, QStringLiteral("7/12"));
    tags.SetId3v2Field(TagField::Year, QStringLiteral("2004-05-06"));
    tags.SetId3v2Field(TagField::Artist, QStringLiteral("Новый"));
    tags.SetId3v2Field(TagField::Title, QString()); // removes it
    tags.SetId3v2Comment(1, QStringLiteral("eng"), QString(), QStringLiteral("new comment"));
    QCOMPARE(tags.SaveId3v2Tag(path), short(-1));

    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(tags.Id3v2Field(TagField::Track), QStringLiteral("7/12"));
    QCOMPARE(tags.Id3v2Field(TagField::Year), QStringLiteral("2004-05-06"));
    QCOMPARE(tags.Id3v2Field(TagField::Artist), QStringLiteral("Новый"));
    QVERIFY(tags.Id3v2Field(TagField::Title).isEmpty());
    QCOMPARE(tags.GetId3v2Comment(1), QStringLiteral("new comment"));
    const Id3v2::Tag tag = TagOf(Read(path));
    QCOMPARE(tag.major, 4);
    int comments = 0;
    for (const Id3v2::Frame &frame : tag.frames)
        comments += frame.id == "COMM";
    QCOMPARE(comments, 1);

    // Version 2.3 keeps the year in TYER.
    recipe.version = 3;
    const QString v23 = MakeMp3(QStringLiteral("v23.mp3"), recipe);
    QCOMPARE(tags.OpenAudioFile(v23), short(1));
    tags.SetId3v2Field(TagField::Year, QStringLiteral("2004-05-06"));
    QCOMPARE(tags.SaveId3v2Tag(v23), short(-1));
    QCOMPARE(tags.OpenAudioFile(v23), short(1));
    QCOMPARE(tags.Id3v2Field(TagField::Year), QStringLiteral("2004-05-06"));
    const Id3v2::Tag tag23 = TagOf(Read(v23));
    QVERIFY(std::any_of(tag23.frames.cbegin(), tag23.frames.cend(),
                        [](const Id3v2::Frame &frame) { return frame.id == "TYER"; }));

    // A 2.3 tag holding TDRC too, as some taggers write it: both say the new year.
    using namespace Mp3Fixture;
    const QString both = Path(QStringLiteral("tdrc.mp3"));
    QVERIFY(TestFiles::Write(both, Tag(3, TextFrame("TDRC", QStringLiteral("2001")) + TextFrame("TYER", QStringLiteral("2001")), 16)
                                       + AudioFrames(4)));
    QCOMPARE(tags.OpenAudioFile(both), short(1));
    tags.SetId3v2Field(TagField::Year, QStringLiteral("1999"));
    QCOMPARE(tags.SaveId3v2Tag(both), short(-1));
    int years = 0;
    for (const Id3v2::Frame &frame : TagOf(Read(both)).frames) {
        if (frame.id == "TDRC" || frame.id == "TYER") {
            QCOMPARE(frame.Content(), QByteArray(1, '\0') + "1999");
            ++years;
        }
    }
    QCOMPARE(years, 2);
}

void TestTagLibrary::commentOneIsNeverAnITunesValue()
{
    using namespace Mp3Fixture;
    const auto comment = [](const QByteArray &description, const QByteArray &text) {
        return Frame("COMM", QByteArray(1, '\0') + "eng" + description + '\0' + text);
    };
    const QByteArray itunes = comment("iTunNORM", " 0000036C 000003E6");
    const QString path = Path(QStringLiteral("itunes.mp3"));
    QVERIFY(Write(path, Tag(3, itunes + comment("", "the real one"), 16) + AudioFrames(4)));

    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(tags.GetId3v2Comment(1), QStringLiteral("the real one"));
    tags.SetId3v2Comment(1, QStringLiteral("eng"), QString(), QStringLiteral("changed"));
    QCOMPARE(tags.SaveId3v2Tag(path), short(-1));
    QCOMPARE(tags.GetId3v2Comment(1), QStringLiteral("changed"));
    Id3v2::Tag tag = TagOf(Read(path));
    QCOMPARE(tag.frames.size(), 2);
    QCOMPARE(tag.frames.at(0).bytes, itunes);

    // With only the iTunes value there is no comment to show; writing one adds it.
    QVERIFY(Write(path, Tag(3, itunes, 16) + AudioFrames(4)));
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QVERIFY(tags.GetId3v2Comment(1).isEmpty());
    tags.SetId3v2Comment(1, QStringLiteral("eng"), QString(), QStringLiteral("added"));
    QCOMPARE(tags.SaveId3v2Tag(path), short(-1));
    QCOMPARE(tags.GetId3v2Comment(1), QStringLiteral("added"));
    tag = TagOf(Read(path));
    QCOMPARE(tag.frames.size(), 2);
    QCOMPARE(tag.frames.at(0).bytes, itunes);
}

void TestTagLibrary::id3v1WritesChangeOnlyTheirBytes()
{
    Mp3Fixture::Recipe recipe;
    recipe.id3v1 = true;
    recipe.v1Title = QStringLiteral("Title");
    recipe.v1Artist = QStringLiteral("Artist");
    recipe.v1Track = 4;
    recipe.v1Year = 2001;
    const QString path = MakeMp3(QStringLiteral("v1.mp3"), recipe);
    const QByteArray before = Read(path);

    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    tags.SetId3v1Field(TagField::Title, QStringLiteral("New Title"));
    tags.SetId3v1Field(TagField::Genre, QStringLiteral("Rock"));
    QCOMPARE(tags.SaveId3v1Tag(path), short(-1));
    const QByteArray after = Read(path);
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.left(after.size() - 128), before.left(before.size() - 128));
    const QByteArray oldV1 = before.right(128);
    const QByteArray newV1 = after.right(128);
    QCOMPARE(newV1.mid(3, 30), QByteArray("New Title").leftJustified(30, '\0'));
    QCOMPARE(newV1.mid(33, 94), oldV1.mid(33, 94)); // artist, album, year, comment, track
    QCOMPARE(int(uchar(newV1[127])), 17);
    QCOMPARE(tags.Id3v1Field(TagField::Title), QStringLiteral("New Title"));

    // A file without an ID3v1 tag does not get one.
    Mp3Fixture::Recipe noV1;
    const QString other = MakeMp3(QStringLiteral("nov1.mp3"), noV1);
    const QByteArray untouched = Read(other);
    QCOMPARE(tags.OpenAudioFile(other), short(1));
    tags.SetId3v1Field(TagField::Title, QStringLiteral("Nothing"));
    QCOMPARE(tags.SaveId3v1Tag(other), short(-1));
    QCOMPARE(Read(other), untouched);
}

void TestTagLibrary::version22BecomesVersion23()
{
    const QByteArray pic = QByteArray(1, '\0') + "JPG" + char(3) + QByteArray(1, '\0') + SmallJpeg();
    const auto frame22 = [](const char *id, const QByteArray &content) {
        QByteArray frame(id, 3);
        frame += char((content.size() >> 16) & 0xFF);
        frame += char((content.size() >> 8) & 0xFF);
        frame += char(content.size() & 0xFF);
        return frame + content;
    };
    const QByteArray frames = frame22("TT2", QByteArray(1, '\0') + "Old Title")
        + frame22("TP1", QByteArray(1, '\0') + "Artist") + frame22("PIC", pic);
    const QByteArray audio = Mp3Fixture::AudioFrames(10);
    const QString path = Path(QStringLiteral("v22.mp3"));
    QVERIFY(Write(path, Mp3Fixture::Tag(2, frames, 64) + audio));

    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(tags.Id3v2Field(TagField::Title), QStringLiteral("Old Title"));
    QCOMPARE(tags.PictureCount(), short(1));
    QCOMPARE(tags.GetPictureType(1), short(3));
    const QString art = Path(QStringLiteral("art.jpg"));
    QVERIFY(Write(art, SmallJpeg(Qt::blue)));
    QVERIFY(tags.AddPictureFromFile(art, QString(), 1, 3, 0));
    QCOMPARE(tags.SaveId3v2Tag(path), short(-1));

    const QByteArray after = Read(path);
    QCOMPARE(TagOf(after).major, 3);
    QCOMPARE(Mp3Fixture::AfterTag(after), audio);
    QCOMPARE(tags.Id3v2Field(TagField::Title), QStringLiteral("Old Title"));
    QCOMPARE(tags.Id3v2Field(TagField::Artist), QStringLiteral("Artist"));
    QVERIFY(tags.SavePictureToFile(1, Path(QStringLiteral("back.jpg"))));
    QCOMPARE(Read(Path(QStringLiteral("back.jpg"))), SmallJpeg(Qt::blue));
}

void TestTagLibrary::readOnlyFileIsNotWritten()
{
    Mp3Fixture::Recipe recipe;
    recipe.title = QStringLiteral("Locked");
    const QString path = MakeMp3(QStringLiteral("locked.mp3"), recipe);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray before = Read(path);
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    tags.SetId3v2Field(TagField::Title, QStringLiteral("Changed"));
    QCOMPARE(tags.SaveId3v2Tag(path), short(0)); // even for root: no write bit at all
    QCOMPARE(tags.LastErrorCode(), TagLibraryError::NotWritable);
    QCOMPARE(Read(path), before);
    QVERIFY(QDir(QFileInfo(path).path()).entryList({QStringLiteral(".*.brisko-*")}, QDir::Files | QDir::Hidden).isEmpty());
}

void TestTagLibrary::folderThatRefusesNewFilesIsLeftAlone()
{
    const QString folder = Path(QStringLiteral("closed"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::setPermissions(dir_->path(), QFileDevice::Permissions(0x7755)));
    Mp3Fixture::Recipe recipe;
    recipe.title = QStringLiteral("Inside");
    const QString path = Mp3Fixture::Write(folder + QStringLiteral("/song.mp3"), recipe);
    QVERIFY(!path.isEmpty());
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions(0x6666)));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                              | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    const QByteArray before = Read(path);

    // Root may write anywhere, so the save runs as an ordinary user.
    const int status = InChild([&] {
        if (geteuid() == 0) {
            const passwd *nobody = getpwnam("nobody");
            if (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)
                return 3;
        }
        TagLibrary tags;
        if (tags.OpenAudioFile(path) != 1)
            return 4;
        tags.SetId3v2Field(TagField::Title, QStringLiteral("Changed"));
        return tags.SaveId3v2Tag(path) == 0 && tags.LastErrorCode() == TagLibraryError::NotWritable ? 0 : 5;
    });
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (status == 3 || status == 4)
        QSKIP("no unprivileged user to run the save as");
    QCOMPARE(status, 0);
    QCOMPARE(Read(path), before);
    QVERIFY(QDir(QFileInfo(path).path()).entryList({QStringLiteral(".*.brisko-*")}, QDir::Files | QDir::Hidden).isEmpty());
}

void TestTagLibrary::fullDiskMidWriteLeavesTheOriginal()
{
    Mp3Fixture::Recipe recipe;
    recipe.title = QStringLiteral("Big");
    recipe.pictures = {Mp3Fixture::Picture{SmallJpeg(), QStringLiteral("image/jpeg"), 3, QString()}};
    recipe.audioFrames = 300; // 125 KB
    const QString path = MakeMp3(QStringLiteral("big.mp3"), recipe);
    const QByteArray before = Read(path);
    const QString art = Path(QStringLiteral("art.jpg"));
    QVERIFY(Write(art, SmallJpeg(Qt::blue)));

    // The file size limit makes writes fail part way, as a full disk does.
    const int status = InChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        TagLibrary tags;
        if (tags.OpenAudioFile(path) != 1 || !tags.AddPictureFromFile(art, QString(), 1, 3, 0))
            return 3;
        const rlimit limit{rlim_t(before.size() / 2), rlim_t(before.size() / 2)};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 4;
        return tags.SaveId3v2Tag(path) == 0 && tags.LastErrorCode() == TagLibraryError::WriteFailed ? 0 : 5;
    });
    QCOMPARE(status, 0);
    QCOMPARE(Read(path), before);
    QVERIFY(QDir(QFileInfo(path).path()).entryList({QStringLiteral(".*.brisko-*")}, QDir::Files | QDir::Hidden).isEmpty());
}

void TestTagLibrary::fileChangedSinceOpenIsNotOverwritten_data()
{
    QTest::addColumn<bool>("replaced");
    QTest::newRow("bytes appended") << false;
    // The save judges the file it holds open, not the read-only one now at its name.
    QTest::newRow("replaced by a read-only file") << true;
}

void TestTagLibrary::fileChangedSinceOpenIsNotOverwritten()
{
    QFETCH(bool, replaced);
    Mp3Fixture::Recipe recipe;
    recipe.title = QStringLiteral("Mine");
    const QString path = MakeMp3(QStringLiteral("shared.mp3"), recipe);
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    tags.SetId3v2Field(TagField::Title, QStringLiteral("Changed"));

    if (replaced) {
        recipe.title = QStringLiteral("Theirs");
        const QString other = MakeMp3(QStringLiteral("theirs.mp3"), recipe);
        QVERIFY(QFile::setPermissions(other, QFile::ReadOwner));
        QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
    } else {
        QFile other(path);
        QVERIFY(other.open(QIODevice::Append));
        other.write("more audio from someone else");
        other.close();
    }
    const QByteArray theirs = Read(path);
    QCOMPARE(tags.SaveId3v2Tag(path), short(0));
    QCOMPARE(tags.LastErrorCode(), TagLibraryError::ChangedSinceOpen);
    QCOMPARE(Read(path), theirs);
}

void TestTagLibrary::savesKeepTimePermissionsAndLinks()
{
    Mp3Fixture::Recipe recipe;
    recipe.title = QStringLiteral("Linked");
    const QString path = MakeMp3(QStringLiteral("real.mp3"), recipe);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QString link = Path(QStringLiteral("link.mp3"));
    QVERIFY(QFile::link(path, link));
    // A "~" file beside it is the user's backup: never touched.
    QVERIFY(Write(path + QLatin1Char('~'), "backup"));

    const QDateTime keep(QDate(2015, 6, 1), QTime(12, 30, 15));
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(link), short(1));
    tags.SetId3v2Field(TagField::Title, QStringLiteral("Saved through a link"));
    QCOMPARE(tags.SaveId3v2Tag(link, keep), short(-1));

    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(path).lastModified(), keep);
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
    QCOMPARE(int(info.st_mode & 0777), 0640);
    QCOMPARE(Read(path + QLatin1Char('~')), QByteArray("backup"));
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(tags.Id3v2Field(TagField::Title), QStringLiteral("Saved through a link"));
}

// A tag holding a huge picture is in memory once while its picture is
// replaced; a tag larger than any may be is refused before it is read.
void TestTagLibrary::hugeTagsAreHeldOnce()
{
    using namespace Mp3Fixture;
    constexpr qint64 Huge = 60 << 20;
    const QString path = Path(QStringLiteral("huge.mp3"));
    {
        const QByteArray art = SmallJpeg() + QByteArray(int(Huge), 'Z');
        QVERIFY(Write(path, Tag(3, Frame("APIC", QByteArray(1, '\0') + "image/jpeg" + '\0' + char(3) + '\0' + art))
                                + AudioFrames(4)));
    }
    const PeakMemory peak;
    {
        TagLibrary tags;
        QCOMPARE(tags.OpenAudioFile(path), short(1));
        const Result<QByteArray> art = tags.PictureData(1);
        QVERIFY(art);
        QCOMPARE(art->size(), SmallJpeg().size() + Huge);
        QVERIFY(tags.AddPictureData(SmallJpeg(Qt::blue), tags.GetPictureType(1)));
        QCOMPARE(tags.SaveId3v2Tag(path), short(-1));
    }
    QVERIFY2(peak.Below(Huge * 3 / 2 >> 20), peak.Text().c_str());

    // Declaring 200 MB, in a file that holds them (as a hole, costing no disk).
    QByteArray header = Tag(4, QByteArray());
    header.replace(6, 4, SizeBytes(200 << 20, true));
    const QString tooLarge = Path(QStringLiteral("toolarge.mp3"));
    QVERIFY(Write(tooLarge, header));
    QVERIFY(QFile::resize(tooLarge, 10 + (200 << 20) + 4096));
    const PeakMemory unread;
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(tooLarge), short(1));
    QCOMPARE(tags.LastErrorCode(), int(TagLibraryError::TagUnreadable));
    QCOMPARE(tags.LastErrorText(), QStringLiteral("the ID3v2 tag is too large: 200 MB, more than the 160 MB allowed"));
    QCOMPARE(tags.PictureCount(), short(0));
    QVERIFY2(unread.Below(16), unread.Text().c_str());
}

void TestTagLibrary::hostileTags_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("openCode");
    QTest::addColumn<bool>("mustSave");
    QTest::addColumn<QString>("title");

    using namespace Mp3Fixture;
    const QByteArray audio = AudioFrames(8);
    const QByteArray title = TextFrame("TIT2", QStringLiteral("Title"));
    const QByteArray picture = Frame("APIC", QByteArray(1, '\0') + "image/jpeg" + '\0' + char(3) + '\0' + SmallJpeg());

    QTest::newRow("zero-size frame in the middle")
        << Tag(3, title + Frame("TENC", QByteArray()) + TextFrame("TPE1", QStringLiteral("After")) + picture, 32)
               + audio
        << 0 << true << QStringLiteral("Title");
    QTest::newRow("unknown frame ID with a space")
        << Tag(3, Frame("TSA ", QByteArray(1, '\0') + "sort") + title + picture, 16) + audio << 0 << true
        << QStringLiteral("Title");
    QTest::newRow("version 2.3 frames TagLib drops")
        << Tag(3, Frame("RVAD", QByteArray(10, '\x01')) + Frame("EQUA", QByteArray(4, '\x02'))
                      + Frame("TSIZ", QByteArray(1, '\0') + "123") + Frame("TRDA", QByteArray(1, '\0') + "x")
                      + title + picture, 20)
               + audio
        << 0 << true << QStringLiteral("Title");

    QByteArray extended = QByteArray("\0\0\0\x06", 4) + QByteArray(6, '\0');
    QTest::newRow("frames after an extended header")
        << Tag(3, extended + title + picture + TextFrame("TRCK", QStringLiteral("9")), 0, 0x40) + audio << 0
        << true << QStringLiteral("Title");

    // A frame of 1 MB that inflates to a gigabyte: kept as it is, never inflated.
    QByteArray packed;
    {
        z_stream stream {};
        deflateInit(&stream, Z_BEST_SPEED);
        const QByteArray zeros(1 << 20, '\0');
        QByteArray out(1 << 16, '\0');
        for (int chunk = 0; chunk < 1024; ++chunk) {
            stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.constData()));
            stream.avail_in = uInt(zeros.size());
            const int flush = chunk == 1023 ? Z_FINISH : Z_NO_FLUSH;
            do {
                stream.next_out = reinterpret_cast<Bytef *>(out.data());
                stream.avail_out = uInt(out.size());
                deflate(&stream, flush);
                packed += out.left(out.size() - int(stream.avail_out));
            } while (stream.avail_out == 0);
        }
        deflateEnd(&stream);
    }
    const QByteArray bomb = Frame("APIC", QByteArray("\x40\0\0\0", 4) + packed, 3, 0x0080);
    QTest::newRow("zlib bomb") << Tag(3, title + bomb + picture, 10) + audio << 0 << true
                               << QStringLiteral("Title");
    QTest::newRow("zlib bomb as picture 1") << Tag(3, title + bomb, 10) + audio << 0 << true
                                            << QStringLiteral("Title");

    // Chapters nested 150,000 deep: kept as bytes, never parsed.
    // Written outside in: each level is a 10-byte header, an element ID and
    // 16 bytes of times, then the next level.
    constexpr int levels = 150000;
    QByteArray nested;
    nested.reserve(levels * 28);
    for (int depth = 0; depth < levels; ++depth) {
        const quint32 size = quint32((levels - depth) * 28 - 10);
        nested += QByteArray("CHAP", 4);
        for (int shift = 24; shift >= 0; shift -= 8)
            nested += char((size >> shift) & 0xFF);
        nested += QByteArray(2, '\0') + QByteArray("c\0", 2) + QByteArray(16, '\0');
    }
    QTest::newRow("deeply nested chapters") << Tag(3, title + nested + picture, 10) + audio << 0 << true
                                            << QStringLiteral("Title");

    QByteArray runsPast = Tag(3, title + picture, 0);
    runsPast[8] = char(0x7F); // declares far more than the file holds
    QTest::newRow("declared size past the end of the file") << runsPast + audio.left(100) << 208 << false
                                                            << QString();

    // The declared size swallows the first audio frame: kept inside the tag.
    QByteArray swallowed = Tag(3, title + picture + audio.left(417), 0);
    QTest::newRow("declared size past the real tag") << swallowed + audio.mid(417) << 208 << true
                                                     << QStringLiteral("Title");
    QTest::newRow("frame running past the tag")
        << Tag(3, title + picture + QByteArray("TPE1\0\0\x10\0\0\0abc", 13), 0) + audio << 208 << true
        << QStringLiteral("Title");

    QByteArray footer("3DI\x04\0\x10", 6);
    const QByteArray endTag = Tag(4, TextFrame("TIT2", QStringLiteral("At End"), 4), 0, 0x10);
    footer += endTag.mid(6, 4);
    QTest::newRow("tag at the end of the file") << audio + endTag + footer << 208 << false << QString();
    QTest::newRow("two tags in a row")
        << Tag(3, title + picture, 8) + Tag(3, TextFrame("TIT2", QStringLiteral("Second")), 8) + audio << 0
        << true << QStringLiteral("Title");
    QTest::newRow("unknown version") << QByteArray("ID3\x05\0\0\0\0\0\x10", 10) + QByteArray(16, 'x') + audio
                                     << 208 << false << QString();
}

void TestTagLibrary::hostileTags()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, openCode);
    QFETCH(bool, mustSave);
    QFETCH(QString, title);

    const QString path = Path(QStringLiteral("hostile.mp3"));
    QVERIFY(Write(path, bytes));
    const PeakMemory peak;
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(tags.LastErrorCode(), openCode);
    QCOMPARE(tags.Id3v2Field(TagField::Title), title);
    ConvertAndCheck(path, mustSave);
    // Nothing hostile makes the reader allocate much beyond the file itself.
    QVERIFY2(peak.Below(128), peak.Text().c_str());
}

void TestTagLibrary::publicCorpus()
{
    const QDir corpus(QStringLiteral(BRISKO_CORPUS_DIR));
    if (!corpus.exists())
        QSKIP("the public corpus is not here");
    const QStringList names = corpus.entryList({QStringLiteral("*.mp3"), QStringLiteral("*.id3")}, QDir::Files);
    QVERIFY(names.size() > 10);
    for (const QString &name : names) {
        const QString copy = Path(name);
        QFile::remove(copy);
        QVERIFY(QFile::copy(corpus.filePath(name), copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        if (name.endsWith(QLatin1String(".id3"))) { // a bare tag: give it audio to be an MP3
            QFile file(copy);
            QVERIFY(file.open(QIODevice::Append));
            file.write(Mp3Fixture::AudioFrames(3));
        }
        ConvertAndCheck(copy, false);
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_GUILESS_MAIN(TestTagLibrary)
#include "tst_taglibrary.moc"
