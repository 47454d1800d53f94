// SPDX-License-Identifier: MIT
#include "engine/tags/taglibrary.h"
#include "support/audiofixture.h"
#include "support/hostilepictures.h"
#include "support/tagedit.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QtEndian>
#include <QtTest>

using namespace AudioFixture;
using TagEdit::Digest;
using TestFiles::Read;

namespace {

const QByteArray Big = HostilePictures::PaddedJpeg(TestPictures::Solid(300, 200, Qt::red), 90000, 1);
const QByteArray Small = TestPictures::Jpeg(TestPictures::Solid(10, 10, Qt::blue));
const QByteArray NewJpeg = TestPictures::Jpeg(TestPictures::Solid(40, 30, Qt::darkGreen));
const QByteArray Title = Mp4Item("\xA9nam", "Read");

// What readers that are not ours make of the file at path, saved from before: mutagen's items but covr, its
// pictures (as ffmpeg finds them where mutagen reads no items) and its chapters, a line each; then what
// ffprobe and AtomicParsley find wrong, and whether ffmpeg decodes other audio than from before.
QString Readers(const QString &path, const QString &before)
{
    QProcess python; // Debian's own Python, where its python3-mutagen package is
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import sys, hashlib, subprocess
from mutagen.mp4 import MP4, MP4Cover
run = lambda *arguments: subprocess.run(arguments, capture_output=True, text=True)
f = MP4(sys.argv[1])
tags = f.tags or {}
covers = tags.get('covr', [])
if not tags:  # mutagen does not read QuickTime's meta
    streams = run('ffprobe', '-v', 'error', '-select_streams', 'v', '-show_entries', 'stream=index', '-of', 'csv=p=0', sys.argv[1])
    covers = [MP4Cover(subprocess.run(['ffmpeg', '-v', 'error', '-i', sys.argv[1], '-map', '0:v:%d' % i, '-c', 'copy', '-f', 'mjpeg', '-'],
                                      capture_output=True).stdout, 13) for i in range(len(streams.stdout.split()))]
print('|'.join(k + '=' + ','.join(map(str, v)) for k, v in tags.items() if k != 'covr'))
print('|'.join('%d/%s' % (c.imageformat, hashlib.md5(c).hexdigest()[:8]) for c in covers))
print('|'.join(c.title for c in f.chapters or []), end='')
probe, atoms = run('ffprobe', '-v', 'error', sys.argv[1]), run('AtomicParsley', sys.argv[1], '-T')
if probe.returncode or probe.stdout + probe.stderr:
    print('ffprobe:', probe)
if atoms.returncode or 'Atom mdat' not in atoms.stdout or 'rror' in atoms.stdout + atoms.stderr:
    print('AtomicParsley:', atoms)
decoded = [run('ffmpeg', '-v', 'error', '-i', name, '-map', '0:a', '-f', 'md5', '-').stdout for name in sys.argv[1:]]
if not decoded[0].startswith('MD5=') or decoded[0] != decoded[1]:
    print('decoded:', decoded)
)"), path, before});
    python.waitForFinished(60000);
    return QString::fromUtf8(python.readAllStandardOutput() + python.readAllStandardError());
}

} // namespace

// M4A files made from bytes around real audio, and by ffmpeg: edits change only what they ask for, as the
// readers find; hostile files are refused with their reason and left as they were.
class TestM4a : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void saves_data();
    void saves();

private:
    QString Path() const { return dir_.filePath(QStringLiteral("song.m4a")); }

    QTemporaryDir tones_, dir_;
    QByteArray chapters_, chpl_; // AAC with a chapter track and chapters in chpl; that chpl
};

void TestM4a::initTestCase()
{
    // AAC with moov last; AAC and ALAC with moov first, a cover and chapters.
    TestFiles::Write(tones_.filePath(QStringLiteral("cover.jpg")), Big);
    TestFiles::Write(tones_.filePath(QStringLiteral("chapters.txt")),
                     ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=250\ntitle=One\n"
                     "[CHAPTER]\nTIMEBASE=1/1000\nSTART=250\nEND=500\ntitle=Two\n");
    const QString art = QStringLiteral(" -map 1 -map_chapters 2 -c:v copy -disposition:v attached_pic -movflags +faststart");
    const QString made = QStringLiteral("-v error -f lavfi -i sine=frequency=440:duration=0.5 -i %1/cover.jpg -i %1/chapters.txt"
                                        " -map 0:a -map_chapters -1 %1/aac.m4a -map 0:a")
                         + art + QStringLiteral(" %1/chapters.m4a -map 0:a") + art + QStringLiteral(" -c:a alac %1/alac.m4a");
    if (QProcess::execute(QStringLiteral("ffmpeg"), made.arg(tones_.path()).split(u' ')) != 0)
        QSKIP("ffmpeg cannot make M4A files here");
    chapters_ = Read(tones_.filePath(QStringLiteral("chapters.m4a")));
    const qsizetype chpl = chapters_.indexOf("chpl") - 4;
    chpl_ = chapters_.mid(chpl, qFromBigEndian<quint32>(chapters_.constData() + chpl));
}

void TestM4a::saves_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QString>("reason"); // why the save is refused; empty: saved
    QTest::addColumn<QString>("read");   // saved: by the readers, NEW the new picture's digest; refused: the title
    QTest::addColumn<QByteArray>("kept"); // bytes the new file still holds

    const QByteArray freeform = Mp4Box("----", Mp4Box("mean", QByteArray(4, '\0') + "com.apple.iTunes")
                                                   + Mp4Box("name", QByteArray(4, '\0') + "MOOD") + Mp4Data(1, "calm"));
    const QByteArray items = Mp4Item("\xA9nam", "Old") + freeform + Mp4Box("covr", Mp4Data(14, Big) + Mp4Data(13, Small));
    const QString kept = QStringLiteral("\u00A9nam=Old|----:com.apple.iTunes:MOOD=b'calm'\n13/NEW|13/") + Digest(Small)
                         + QStringLiteral("\nOne|Two");
    QTest::newRow("moov last: picture 1 made small, chapters and odd items kept")
        << Mp4(chapters_, Udta(items, chpl_), MoovLast) << "picture" << QString() << kept << freeform;
    QTest::newRow("moov first: the chunk offsets of both tracks move")
        << Mp4(chapters_, Udta(items, chpl_)) << "picture" << QString() << kept << freeform;
    const QByteArray gap = Mp4Box("free", "gap");
    QTest::newRow("moov first: co64 offsets and a 64-bit mdat")
        << Mp4(chapters_, Udta(items, chpl_), Wide, gap) << "picture" << QString() << kept << gap;
    const QByteArray free = Mp4Box("free", QByteArray(100, '\0'));
    QTest::newRow("free boxes around ilst stay")
        << Mp4(chapters_, Udta(Title, {}, free)) << "Title=New" << QString() << "\u00A9nam=New\n\n" << free;
    QTest::newRow("no udta: udta, meta and ilst made")
        << Mp4(chapters_, {}) << "Title=New;picture" << QString() << "\u00A9nam=New\n13/NEW\n" << QByteArray("mdir");
    QTest::newRow("udta of chapters only: meta made")
        << Mp4(chapters_, Mp4Box("udta", chpl_), MoovLast) << "picture" << QString() << "\n13/NEW\nOne|Two" << chpl_;
    const QByteArray fields = Mp4Item("\xA9" "ART", "Band") + Mp4Item("gnre", QByteArray("\0\x12", 2), 0)
                              + Mp4Item("\xA9" "cmt", "c") + Mp4Item("trkn", QByteArray(8, '\0'), 0);
    QTest::newRow("a genre over gnre, a track, a comment removed, a year added")
        << Mp4(chapters_, Udta(fields)) << "Genre=Jazz+Funk;Track=7/12;Comment=;Year=2001" << QString()
        << "\u00A9ART=Band|\u00A9gen=Jazz+Funk|trkn=(7, 12)|\u00A9day=2001\n\n" << Mp4Item("\xA9" "ART", "Band");
    QTest::newRow("picture 2 replaced; picture 1 implicit, kept")
        << Mp4(chapters_, Udta(Mp4Box("covr", Mp4Data(0, Big) + Mp4Data(13, Small)))) << "picture2" << QString()
        << QStringLiteral("\n13/") + Digest(Big) + QStringLiteral("|13/NEW\n") << Mp4Data(0, Big);
    const auto be32 = [](qint64 value) { return QByteArray::fromHex(QByteArray::number(value, 16).rightJustified(8, '0')); };
    const QByteArray handler = Mp4Box("hdlr", QByteArray(8, '\0') + "mdirappl" + QByteArray(9, '\0'));
    const QByteArray covers = Mp4Box("covr", Mp4Data(14, Big) + Mp4Data(13, Small));
    QTest::newRow("QuickTime's meta, without version and flags: both covers found, picture 1 made small")
        << Mp4(chapters_, Mp4Box("udta", Mp4Box("meta", handler + Mp4Box("ilst", covers))), MoovLast) << "picture" << QString()
        << QStringLiteral("\n13/NEW|13/") + Digest(Small) + QStringLiteral("\n") << "meta" + handler;
    // A segment index after moov, of the media after it: it moves with what it indexes.
    const auto sidx = [&be32](qint64 firstOffset, qint64 indexed) {
        return Mp4Box("sidx", be32(0) + be32(1) + be32(44100) + be32(0) + be32(firstOffset) + QByteArray("\0\0\0\x01", 4)
                                  + be32(indexed) + be32(22050) + be32(0x90000000));
    };
    const QByteArray unindexed = Mp4(chapters_, Udta(Title), MoovFirst, sidx(0, 0));
    const qint64 mdat = unindexed.size() - unindexed.indexOf("mdat", unindexed.indexOf("sidx")) + 4;
    QTest::newRow("a sidx box between moov and mdat")
        << Mp4(chapters_, Udta(Title), MoovFirst, sidx(0, mdat)) << "Title=New" << QString() << "\u00A9nam=New\n\n" << sidx(0, mdat);
    // Files as ffmpeg makes them: the items and chapters as they were, and the new picture.
    for (const char *name : {"aac.m4a", "chapters.m4a", "alac.m4a"}) {
        const QString tone = tones_.filePath(QLatin1String(name));
        QStringList read = Readers(tone, tone).split(u'\n');
        read[1] = QStringLiteral("13/NEW");
        QTest::newRow(name) << Read(tone) << "picture" << QString() << read.join(u'\n') << QByteArray("Lavf");
    }

    // Hostile files: saved, or refused and left as they were, what could be read read.
    const auto m4a = [this](const QByteArray &ilst) { return Mp4(chapters_, Udta(ilst)); };
    const auto row = [](const char *name, const QByteArray &file, const char *reason, const char *read = "Read") {
        QTest::newRow(name) << file << QStringLiteral("Title=Changed;picture") << QString::fromUtf8(reason)
                            << QString::fromUtf8(read) << QByteArray();
    };
    // The file with the four bytes `from` after the first `marker` set to value.
    const auto set = [&be32](QByteArray file, const char *marker, int from, qint64 value) {
        return file.replace(file.indexOf(marker) + from, 4, be32(value));
    };
    row("a stco count that lies", set(m4a(Title), "stco", 8, 99), "the stco box at byte");
    row("a chunk offset into moov", set(m4a(Title), "stco", 12, m4a(Title).indexOf("moov") + 4),
        "a chunk offset points into the moov box");
    row("a chunk offset past the end", set(m4a(Title), "stco", 12, m4a(Title).size()),
        "a chunk offset points past the end of the file");
    QByteArray nested;
    for (qint64 depth = 300000; depth > 0; --depth)
        nested += be32(8 * depth) + "udta";
    row("300,000 nested boxes", Mp4(chapters_, nested), "boxes are nested more than 16 deep", "");
    row("a child larger than its parent", Mp4(chapters_, set(Udta(Title), "meta", -4, Udta(Title).size())),
        "the meta box at byte", "");
    row("no size inside moov", Mp4(chapters_, set(Udta(Title), "udta", -4, 0)), "the box at byte", "");
    row("two moov", m4a(Title) + Mp4Box("moov", {}), "the file holds more than one moov box", "");
    const QByteArray cover = Mp4Box("covr", Mp4Data(13, Small));
    row("two covr", m4a(Title + cover + cover), "the file holds more than one covr box");
    row("a covr child that is not data", m4a(Title + Mp4Box("covr", Mp4Box("name", "x"))),
        "the cover art holds a name box where only data boxes belong");
    const QByteArray bmp = HostilePictures::Bmp(TestPictures::Solid(8, 8, Qt::red), {});
    row("a BMP picture", m4a(Title + Mp4Box("covr", Mp4Data(27, bmp))), "", "\u00A9nam=Changed\n13/NEW\n");
    row("a picture of type 0 after a title of type 0", m4a(Mp4Item("\xA9nam", "Read", 0) + Mp4Box("covr", Mp4Data(0, Small))),
        "", "\u00A9nam=Changed\n13/NEW\n");
    row("a sidx box before moov that indexes bytes after it", Mp4(chapters_, Udta(Title), MoovLast, sidx(0, 400)),
        "a sidx box before the moov box indexes bytes after it");
    row("fragmented", m4a(Title) + Mp4Box("moof", Mp4Box("mfhd", QByteArray(8, '\0'))) + Mp4Box("mdat", "x"),
        "the file is fragmented");
    row("a trailing APE tag", m4a(Title) + "APETAGEX" + QByteArray(24, '\0'), "the file ends in an APE");
    row("an mdat longer than the file", set(Mp4(chapters_, Udta(Title), MoovLast), "mdat", -4, 1 << 30),
        "the mdat box at byte", "");
}

void TestM4a::saves()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, edits);
    QFETCH(QString, reason);
    QFETCH(QString, read);
    QFETCH(QByteArray, kept);
    TagLibrary tags;
    QVERIFY(TestFiles::Write(Path(), file) && tags.OpenAudioFile(Path()) == 1);
    QCOMPARE(TagEdit::EditAndSave(tags, Path(), edits, NewJpeg), short(reason.isEmpty() ? -1 : 0));
    QVERIFY2(reason.isEmpty() || tags.LastErrorText().startsWith(reason), qPrintable(tags.LastErrorText()));
    // What could be read is read; a saved file reads as saved, with the title mutagen reads.
    const QString title = read.section(u'\n', 0, 0).section(u'|', 0, 0).section(QStringLiteral("\u00A9nam="), 1);
    QCOMPARE(tags.Id3v2Field(TagField::Title), reason.isEmpty() ? title : read);
    tags.CloseAudioFile();
    QCOMPARE(Read(Path()) == file, !reason.isEmpty()); // a refused save leaves the file as it was
    if (!reason.isEmpty())
        return;
    const QString before = tones_.filePath(QStringLiteral("before.m4a"));
    QVERIFY(TestFiles::Write(before, file));
    QCOMPARE(Readers(Path(), before), read.replace(QStringLiteral("NEW"), Digest(NewJpeg)));
    QVERIFY(Read(Path()).contains(kept));
    for (const QByteArray &box : Mp4Boxes(file)) // the media data and the other boxes beside moov stay
        QVERIFY(box.mid(4, 4) == "moov" || Read(Path()).contains(box));
}

QTEST_GUILESS_MAIN(TestM4a)
#include "tst_m4a.moc"
