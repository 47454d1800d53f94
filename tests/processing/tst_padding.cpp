// SPDX-License-Identifier: MIT
#include "engine/tags/taglibrary.h"
#include "support/audiofixture.h"
#include "support/hostilepictures.h"
#include "support/mp3fixture.h"
#include "support/sharingfolder.h"
#include "support/tagedit.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QtTest>

#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace AudioFixture;
using TestFiles::Read;

// Saves give back what a shrunk picture frees, keeping a small padding, and
// move the audio by whole blocks where the format's padding can take up a
// few bytes; on btrfs and XFS the new file then shares the old one's audio.
// Sizes and places are found in the files' bytes, and readers that are not
// ours check every file.
namespace {

constexpr qint64 FsBlock = 4096;
const QByteArray Big = HostilePictures::PaddedJpeg(TestPictures::Solid(300, 200, Qt::red), 200000, 1);
const QByteArray NewJpeg = TestPictures::Jpeg(TestPictures::Solid(40, 30, Qt::darkGreen));

// What readers that are not ours find wrong with the file at path, saved
// from before: mutagen must read the new JPEG as picture 1, ffmpeg decode
// the same audio, and the format's own tool find the file sound.
QString Readers(const QString &path, const QString &before)
{
    QProcess python; // Debian's own Python, where its python3-mutagen package is
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import sys, base64, hashlib, subprocess
from mutagen import File
from mutagen.flac import Picture
path, before, expected = sys.argv[1:]
run = lambda *arguments: subprocess.run(arguments, capture_output=True, text=True)
f = File(path); tags = f.tags or {}
data = (f.pictures[0].data if hasattr(f, 'pictures') else bytes(tags['covr'][0]) if 'covr' in tags
        else tags['APIC:'].data if 'APIC:' in tags else Picture(base64.b64decode(tags['metadata_block_picture'][0])).data)
if hashlib.md5(data).hexdigest()[:8] != expected: print('picture 1 is not the new one')
if hasattr(f, 'metadata_blocks') and sum(block.code == 1 for block in f.metadata_blocks) > 1: print('several paddings')
decoded = [run('ffmpeg', '-v', 'error', '-i', name, '-map', '0:a', '-f', 'md5', '-').stdout for name in (path, before)]
if not decoded[0].startswith('MD5=') or decoded[0] != decoded[1]: print('decoded:', decoded)
tools = {'flac': ['flac', '-t', '-s', path], 'opus': ['opusinfo', path], 'ogg': ['ogginfo', path],
         'm4a': ['AtomicParsley', path, '-T'], 'mp3': ['ffprobe', '-v', 'error', path]}
verdict = run(*tools[path.rsplit('.', 1)[1]])
if verdict.returncode or 'WARNING' in verdict.stdout + verdict.stderr or 'rror' in verdict.stdout + verdict.stderr:
    print(verdict)
)"), path, before, TagEdit::Digest(NewJpeg)});
    python.waitForFinished(60000);
    return QString::fromUtf8(python.readAllStandardOutput() + python.readAllStandardError());
}

// The tone's stream with this comment header on pages of 255 segments.
QByteArray OggFile(const QByteArray &tone, const QByteArray &comments)
{
    OggParts parts = SplitOgg(tone);
    parts.headers[1] = comments;
    return Ogg(parts.headers, parts, 255);
}

// How many of the bytes from..to of the file are in extents it shares with another file.
qint64 SharedBytes(const QString &path, qint64 from, qint64 to)
{
    constexpr quint32 Most = 512;
    std::vector<char> buffer(sizeof(fiemap) + Most * sizeof(fiemap_extent));
    auto *map = reinterpret_cast<fiemap *>(buffer.data());
    map->fm_start = quint64(from);
    map->fm_length = quint64(to - from);
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = Most;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    const bool mapped = fd >= 0 && ::ioctl(fd, FS_IOC_FIEMAP, map) == 0;
    ::close(fd);
    qint64 shared = 0;
    for (quint32 i = 0; mapped && i < map->fm_mapped_extents; ++i) {
        const fiemap_extent &extent = map->fm_extents[i];
        if (extent.fe_flags & FIEMAP_EXTENT_SHARED)
            shared += qMin<qint64>(to, qint64(extent.fe_logical + extent.fe_length)) - qMax<qint64>(from, qint64(extent.fe_logical));
    }
    return shared;
}

// Runs a program; empty when it succeeded, else what it said.
QString Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    const bool ran = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    return ran && process.exitCode() == 0 ? QString() : program + u' ' + QString::fromLocal8Bit(process.readAllStandardError());
}

} // namespace

class TestPadding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void shrinks_data();
    void shrinks();

private:
    QTemporaryDir tones_, dir_;
    Tones tone_;
    SharingFolder cow_{dir_.path()};
};

void TestPadding::initTestCase()
{
    if (!MakeTones(tones_.path(), &tone_))
        QSKIP("ffmpeg is not installed");
}

void TestPadding::shrinks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("audio");   // the audio's first bytes, found in both files
    QTest::addColumn<qint64>("freed");       // by the edit, as the file stores what changed
    QTest::addColumn<qint64>("oldPadding");  // what the file held before
    // The format's padding becomes 4 KB and less than a block more, and the
    // audio moves by whole blocks; a format without padding has none.
    QTest::addColumn<bool>("padded");
    QTest::addColumn<bool>("shared");        // saved on btrfs or XFS, where the audio's blocks stay shared

    const qint64 freed = Big.size() - NewJpeg.size();
    const QByteArray mp3Audio = Mp3Fixture::AudioFrames(40).left(FsBlock);
    Mp3Fixture::Recipe recipe;
    recipe.pictures = {Mp3Fixture::Picture{Big, QStringLiteral("image/jpeg"), 3, QString()}};
    for (const int frames : {40, 2000}) { // 2000 frames: 800 KB of audio
        recipe.audioFrames = frames;
        const QByteArray mp3 = Read(Mp3Fixture::Write(tones_.filePath(QStringLiteral("fixture.mp3")), recipe));
        QTest::addRow("MP3: TagLib's padding, %d frames", frames)
            << "song.mp3" << mp3 << mp3Audio << freed << mp3.indexOf(mp3Audio) - mp3.indexOf(Big) - Big.size() << true << (frames > 40);
    }
    const QByteArray old = Mp3Fixture::Tag(3, Mp3Fixture::TextFrame("TIT2", QStringLiteral("T")), 300000) + mp3Audio;
    QTest::newRow("MP3: 300 KB of padding that an earlier save left")
        << "song.mp3" << old << mp3Audio << -qint64(NewJpeg.size() + 24) << qint64(300000) << true << false;

    const FlacParts flac = SplitFlac(tone_.flac);
    const Block info{0, flac.streamInfo};
    const Block front{6, PictureBody(3, "image/jpeg", "Front", Big)};
    for (const int padding : {0, 8192, 1 << 20}) // a megabyte: what an earlier save left
        QTest::addRow("FLAC: %d bytes of padding", padding)
            << "song.flac" << Flac(padding ? QList<Block>{info, front, Block{1, QByteArray(padding, '\0')}} : QList<Block>{info, front}, flac.audio)
            << flac.audio << freed << qint64(padding ? padding + 4 : 0) << true << false;
    QTest::newRow("FLAC: padding in two blocks, which become one")
        << "song.flac" << Flac({info, Block{1, QByteArray(1000, '\0')}, front, Block{1, QByteArray(3000, '\0')}}, flac.audio)
        << flac.audio << freed << qint64(1004 + 3004) << true << false;
    // Five seconds of noise: audio of many blocks.
    const QString noise = tones_.filePath(QStringLiteral("noise.flac"));
    QCOMPARE(Run(QStringLiteral("ffmpeg"), QStringLiteral("-v error -f lavfi -i anoisesrc=d=5 -y").split(u' ') << noise), QString());
    const FlacParts noisy = SplitFlac(Read(noise));
    QTest::newRow("FLAC: five seconds of noise") << "song.flac" << Flac({Block{0, noisy.streamInfo}, front}, noisy.audio)
                                                 << noisy.audio.left(FsBlock) << freed << qint64(0) << true << true;

    const QByteArray entry = "METADATA_BLOCK_PICTURE=" + PictureBody(3, "image/jpeg", "", Big).toBase64();
    const qint64 entryFreed = entry.size() - PictureBody(3, "image/jpeg", "", NewJpeg).toBase64().size() - 23;
    const QByteArray opus = OggFile(tone_.opus, OpusTags({"TITLE=Old", entry}, QByteArray(1000, '\0')));
    QTest::newRow("Opus: the header pages keep their count")
        << "song.opus" << opus << SplitOgg(opus).audioPages.first() << entryFreed << qint64(1000) << true << false;
    const QByteArray vorbis = OggFile(tone_.vorbis, VorbisComments({"TITLE=Old", entry}));
    QTest::newRow("Vorbis: no padding") << "song.ogg" << vorbis << Unnumbered(SplitOgg(vorbis).audioPages).first().mid(26)
                                        << entryFreed << qint64(0) << false << false;

    const QByteArray free = Mp4Box("free", QByteArray(2000, '\0'));
    const QByteArray udta = Udta(Mp4Item("covr", Big, 13), {}, free); // free boxes before and after ilst
    QByteArray media;
    for (const QByteArray &box : Mp4Boxes(tone_.m4a))
        media = box.mid(4, 4) == "mdat" ? box.mid(8, FsBlock) : media;
    QTest::newRow("M4A: a free box after ilst") << "song.m4a" << Mp4(tone_.m4a, udta) << media << freed
                                                << qint64(free.size()) << true << false;
    QTest::newRow("M4A: no free box, so one is made after ilst")
        << "song.m4a" << Mp4(tone_.m4a, Udta(Mp4Item("covr", Big, 13))) << media << freed << qint64(0) << true << false;
    QTest::newRow("M4A: moov after the media, which stays") << "song.m4a" << Mp4(tone_.m4a, udta, MoovLast) << media << freed
                                                            << qint64(free.size()) << true << false;
}

void TestPadding::shrinks()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, audio);
    QFETCH(qint64, freed);
    QFETCH(qint64, oldPadding);
    QFETCH(bool, padded);
    QFETCH(bool, shared);
    QString noCow;
    const QString cow = shared ? cow_.Path(&noCow) : QString();
    if (shared && cow.isEmpty())
        QSKIP(qPrintable(noCow));

    const QString path = (shared ? cow : dir_.path()) + u'/' + name;
    const QString before = dir_.filePath(QStringLiteral("before-") + name);
    QVERIFY(TestFiles::Write(path, file) && TestFiles::Write(before, file));
    const int old = ::open(QFile::encodeName(path).constData(), O_RDONLY); // keeps the old file's blocks its own too
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(TagEdit::EditAndSave(tags, path, QStringLiteral("picture"), NewJpeg), short(-1));
    tags.CloseAudioFile();

    const QByteArray after = Read(path);
    const qint64 audioBytes = file.size() - file.indexOf(audio);
    const qint64 sharedBytes = SharedBytes(path, after.size() - audioBytes, after.size());
    ::close(old);
    QCOMPARE(Readers(path, before), QString());
    // Less the freed bytes and the old padding, plus the new one; Ogg's
    // segment tables shrink with a packet.
    const qint64 padding = after.size() - (file.size() - freed - oldPadding);
    const qint64 least = padded ? 4096 : 0;
    QVERIFY2(padding >= least - freed / 255 - 8 && padding < least + (padded ? FsBlock : 0) + 8,
             qPrintable(QString::number(padding)));
    QVERIFY(file.indexOf(audio) > 0 && after.indexOf(audio) > 0);
    if (padded)
        QCOMPARE((after.indexOf(audio) - file.indexOf(audio)) % FsBlock, 0);
    if (shared) {
        QVERIFY(audioBytes > 50 * FsBlock);
        QVERIFY2(sharedBytes >= audioBytes - 2 * FsBlock, qPrintable(QStringLiteral("%1 of %2 bytes shared").arg(sharedBytes).arg(audioBytes)));
    }
    QFile::remove(path);
}

QTEST_GUILESS_MAIN(TestPadding)
#include "tst_padding.moc"
