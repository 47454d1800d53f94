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
using TagEdit::Run;
using TestFiles::Read;

// M4A files made from bytes around real audio, and by ffmpeg: edits change
// only what they ask for, as mutagen reads it; ffmpeg decodes the same audio
// before and after, and ffprobe and AtomicParsley read the box tree whole.
// Hostile files are refused with their reason and left as they were.
class TestM4a : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { dir_ = std::make_unique<QTemporaryDir>(); }
    void edits_data();
    void edits();
    void hostileFiles_data();
    void hostileFiles();

private:
    // The file song.m4a with these bytes, edited and saved; the save's result.
    short Save(const QByteArray &file, const QString &edits, TagLibrary &tags) const;
    QString Path(const QString &name = QStringLiteral("song.m4a")) const { return dir_->filePath(name); }
    // What mutagen reads: the items but covr in order, the pictures, the chapters.
    static QStringList Mutagen(const QString &path);
    // What the readers that are not ours find wrong with song.m4a, saved from before; empty when nothing.
    QString ReadersProblem(const QByteArray &before) const;

    QTemporaryDir tones_;
    QByteArray chapters_, chpl_; // AAC with a chapter track and chpl chapters; that chpl
    QByteArray newJpeg_ = TestPictures::Jpeg(TestPictures::Solid(40, 30, Qt::darkGreen));
    std::unique_ptr<QTemporaryDir> dir_;
};

namespace {

const QByteArray Big = HostilePictures::PaddedJpeg(TestPictures::Solid(300, 200, Qt::red), 90000, 1);
const QByteArray Small = TestPictures::Jpeg(TestPictures::Solid(10, 10, Qt::blue));
const QByteArray Title = Mp4Item("\xA9nam", "Read");

} // namespace

void TestM4a::initTestCase()
{
    const QString cover = tones_.filePath(QStringLiteral("cover.jpg"));
    const QString chapters = tones_.filePath(QStringLiteral("chapters.txt"));
    TestFiles::Write(cover, Big);
    TestFiles::Write(chapters, ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=250\ntitle=One\n"
                               "[CHAPTER]\nTIMEBASE=1/1000\nSTART=250\nEND=500\ntitle=Two\n");
    // AAC with moov last; AAC and ALAC with moov first, chapters and a cover.
    const QString tone = QStringLiteral("-v error -f lavfi -i sine=frequency=440:duration=0.5 -ac 2 ");
    const QString art = QStringLiteral("-i %1 -i %2 -map 0:a -map 1 -map_chapters 2 -c:v copy -disposition:v attached_pic "
                                       "-movflags +faststart ").arg(cover, chapters);
    for (const QString &file : {QStringLiteral("-c:a aac aac.m4a"), art + QStringLiteral("-c:a aac chapters.m4a"),
                                art + QStringLiteral("-c:a alac alac.m4a")}) {
        QStringList arguments = (tone + file).split(u' ');
        arguments.last() = tones_.filePath(arguments.last());
        int code = -1;
        Run(QStringLiteral("ffmpeg"), arguments, &code);
        if (code != 0)
            QSKIP("ffmpeg cannot make M4A files here");
    }
    chapters_ = Read(tones_.filePath(QStringLiteral("chapters.m4a")));
    const qsizetype chpl = chapters_.indexOf("chpl") - 4;
    chpl_ = chapters_.mid(chpl, qFromBigEndian<quint32>(chapters_.constData() + chpl));
}

QStringList TestM4a::Mutagen(const QString &path)
{
    // Debian's own Python, where its python3-mutagen package is.
    return QString::fromUtf8(Run(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import sys, hashlib
from mutagen.mp4 import MP4
f = MP4(sys.argv[1])
tags = f.tags or {}
print('|'.join(k + '=' + ','.join(map(str, v)) for k, v in tags.items() if k != 'covr'))
print('|'.join('%d/%s' % (c.imageformat, hashlib.md5(c).hexdigest()[:8]) for c in tags.get('covr', [])))
print('|'.join(c.title for c in f.chapters or []))
)"), path})).split(u'\n').mid(0, 3);
}

QString TestM4a::ReadersProblem(const QByteArray &before) const
{
    const QString path = Path();
    TestFiles::Write(Path(QStringLiteral("before.m4a")), before);
    const auto decoded = [](const QString &file) {
        return Run(QStringLiteral("ffmpeg"), QStringLiteral("-v error -i %1 -map 0:a -f md5 -").arg(file).split(u' '));
    };
    int code = -1;
    const QByteArray atoms = Run(QStringLiteral("AtomicParsley"), {path, QStringLiteral("-T")}, &code);
    if (code != 0 || !atoms.contains("Atom mdat") || atoms.contains("rror"))
        return QStringLiteral("AtomicParsley: ") + QString::fromUtf8(atoms);
    const QByteArray probe = Run(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), path}, &code);
    if (code != 0 || !probe.isEmpty())
        return QStringLiteral("ffprobe: ") + QString::fromUtf8(probe);
    const QByteArray audio = decoded(path);
    if (!audio.startsWith("MD5=") || audio != decoded(Path(QStringLiteral("before.m4a"))))
        return QStringLiteral("decoded: ") + QString::fromUtf8(audio);
    return QString();
}

void TestM4a::edits_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QStringList>("mutagen"); // with NEW for the new picture's digest
    QTest::addColumn<QByteArray>("kept");     // bytes the new file still holds

    const QByteArray freeform = Mp4Box("----", Mp4Box("mean", QByteArray(4, '\0') + "com.apple.iTunes")
                                                   + Mp4Box("name", QByteArray(4, '\0') + "MOOD") + Mp4Data(1, "calm"));
    const QByteArray covers = Mp4Box("covr", Mp4Data(14, Big) + Mp4Data(13, Small));
    const QByteArray items = Mp4Item("\xA9nam", "Old") + freeform + covers;
    const QStringList kept{QStringLiteral("\u00A9nam=Old|----:com.apple.iTunes:MOOD=b'calm'"),
                           QStringLiteral("13/NEW|13/") + Digest(Small), QStringLiteral("One|Two")};
    const QByteArray &chpl = chpl_;
    QTest::newRow("moov last: picture 1 made small, chapters and odd items kept")
        << Mp4(chapters_, Udta(items, chpl), MoovLast) << "picture" << kept << freeform;
    QTest::newRow("moov first: the chunk offsets of both tracks move")
        << Mp4(chapters_, Udta(items, chpl)) << "picture" << kept << freeform;
    const QByteArray gap = Mp4Box("free", "gap");
    QTest::newRow("moov first: co64 offsets and a 64-bit mdat")
        << Mp4(chapters_, Udta(items, chpl), Wide, gap) << "picture" << kept << gap;
    const QByteArray free = Mp4Box("free", QByteArray(100, '\0'));
    QTest::newRow("free boxes around ilst stay")
        << Mp4(chapters_, Udta(Title, {}, free)) << "Title=New"
        << QStringList{QStringLiteral("\u00A9nam=New"), QString(), QString()} << free;
    QTest::newRow("no udta: udta, meta and ilst made")
        << Mp4(chapters_, {}) << "Title=New;picture"
        << QStringList{QStringLiteral("\u00A9nam=New"), QStringLiteral("13/NEW"), QString()}
        << QByteArray("mdir");
    QTest::newRow("udta of chapters only: meta made")
        << Mp4(chapters_, Mp4Box("udta", chpl), MoovLast) << "picture"
        << QStringList{QString(), QStringLiteral("13/NEW"), QStringLiteral("One|Two")} << chpl;
    const QByteArray fields = Mp4Item("\xA9" "ART", "Band") + Mp4Item("gnre", QByteArray("\0\x12", 2), 0)
                              + Mp4Item("\xA9" "cmt", "c") + Mp4Item("trkn", QByteArray(8, '\0'), 0);
    QTest::newRow("a genre over gnre, a track, a comment removed, a year added")
        << Mp4(chapters_, Udta(fields)) << "Genre=Jazz+Funk;Track=7/12;Comment=;Year=2001"
        << QStringList{QStringLiteral("\u00A9ART=Band|\u00A9gen=Jazz+Funk|trkn=(7, 12)|\u00A9day=2001"), QString(), QString()}
        << Mp4Item("\xA9" "ART", "Band");
    QTest::newRow("picture 2 replaced; picture 1 implicit, kept")
        << Mp4(chapters_, Udta(Mp4Box("covr", Mp4Data(0, Big) + Mp4Data(13, Small)))) << "picture2"
        << QStringList{QString(), QStringLiteral("13/") + Digest(Big) + QStringLiteral("|13/NEW"), QString()} << Mp4Data(0, Big);
    // Files as ffmpeg makes them: the items and chapters as they were, and the new picture.
    for (const char *name : {"aac.m4a", "chapters.m4a", "alac.m4a"}) {
        const QStringList read = Mutagen(tones_.filePath(QLatin1String(name)));
        QTest::newRow(name) << Read(tones_.filePath(QLatin1String(name))) << "picture"
                            << QStringList{read.at(0), QStringLiteral("13/NEW"), read.at(2)} << QByteArray("Lavf");
    }
}

short TestM4a::Save(const QByteArray &file, const QString &edits, TagLibrary &tags) const
{
    const QString path = Path();
    if (!TestFiles::Write(path, file) || tags.OpenAudioFile(path) != 1)
        return 1;
    return TagEdit::EditAndSave(tags, path, edits, newJpeg_);
}

void TestM4a::edits()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, edits);
    QFETCH(QStringList, mutagen);
    QFETCH(QByteArray, kept);
    TagLibrary tags;
    QCOMPARE(Save(file, edits, tags), short(-1));
    tags.CloseAudioFile();
    QCOMPARE(Mutagen(Path()), mutagen.replaceInStrings(QStringLiteral("NEW"), Digest(newJpeg_)));
    QVERIFY(Read(Path()).contains(kept));
    for (const QByteArray &box : Mp4Boxes(file)) // the media data and the other boxes beside moov stay
        QVERIFY(box.mid(4, 4) == "moov" || Read(Path()).contains(box));
    const QString problem = ReadersProblem(file);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestM4a::hostileFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("reason"); // empty: saved
    QTest::addColumn<QString>("title");  // what reading shows

    const auto be32 = [](qint64 value) {
        QByteArray bytes(4, '\0');
        qToBigEndian(quint32(value), bytes.data());
        return bytes;
    };
    const auto m4a = [this](const QByteArray &items) { return Mp4(chapters_, Udta(items)); };
    QByteArray lies = m4a(Title);
    lies.replace(lies.indexOf("stco") + 8, 4, be32(99));
    QTest::newRow("a stco count that lies") << lies << "the stco box at byte" << "Read";
    QByteArray inMoov = m4a(Title);
    inMoov.replace(inMoov.indexOf("stco") + 12, 4, be32(inMoov.indexOf("moov") + 4));
    QTest::newRow("a chunk offset into moov") << inMoov << "a chunk offset points into the moov box" << "Read";
    inMoov.replace(inMoov.indexOf("stco") + 12, 4, be32(inMoov.size()));
    QTest::newRow("a chunk offset past the end") << inMoov << "a chunk offset points past the end of the file" << "Read";
    QByteArray nested;
    for (qint64 depth = 300000; depth > 0; --depth)
        nested += be32(8 * depth) + "udta";
    QTest::newRow("300,000 nested boxes") << Mp4(chapters_, nested) << "boxes are nested more than 16 deep" << "";
    QByteArray larger = Udta(Title);
    larger.replace(8, 4, be32(larger.size()));
    QTest::newRow("a child larger than its parent") << Mp4(chapters_, larger) << "the meta box at byte" << "";
    QByteArray noSize = Udta(Title);
    noSize.replace(0, 4, be32(0));
    QTest::newRow("no size inside moov") << Mp4(chapters_, noSize) << "the box at byte" << "";
    QTest::newRow("two moov") << m4a(Title) + Mp4Box("moov", {}) << "the file holds more than one moov box" << "";
    const QByteArray cover = Mp4Box("covr", Mp4Data(13, Small));
    QTest::newRow("two covr") << m4a(Title + cover + cover) << "the file holds more than one covr box" << "Read";
    QTest::newRow("a covr child that is not data") << m4a(Title + Mp4Box("covr", Mp4Box("name", "x")))
                                                   << "the cover art holds a name box where only data boxes belong" << "Read";
    const QByteArray bmp = HostilePictures::Bmp(TestPictures::Solid(8, 8, Qt::red), {});
    QTest::newRow("a BMP picture") << m4a(Title + Mp4Box("covr", Mp4Data(27, bmp))) << QString() << "Read";
    QTest::newRow("a picture of type 0 after a title of type 0")
        << m4a(Mp4Item("\xA9nam", "Read", 0) + Mp4Box("covr", Mp4Data(0, Small))) << QString() << "";
    QTest::newRow("fragmented") << m4a(Title) + Mp4Box("moof", Mp4Box("mfhd", QByteArray(8, '\0'))) + Mp4Box("mdat", "x")
                                << "the file is fragmented" << "Read";
    QTest::newRow("a trailing APE tag") << m4a(Title) + "APETAGEX" + QByteArray(24, '\0') << "the file ends in an APE" << "Read";
    QByteArray longMdat = Mp4(chapters_, Udta(Title), MoovLast);
    longMdat.replace(longMdat.indexOf("mdat") - 4, 4, be32(1 << 30));
    QTest::newRow("an mdat longer than the file") << longMdat << "the mdat box at byte" << "";
}

void TestM4a::hostileFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reason); // empty: saved
    QFETCH(QString, title);
    const QString path = Path();
    TagLibrary tags;
    QCOMPARE(Save(file, QStringLiteral("Title=Changed;picture"), tags), short(reason.isEmpty() ? -1 : 0));
    QVERIFY2(tags.LastErrorText().startsWith(reason), qPrintable(tags.LastErrorText()));
    // What could be read is read; a saved file reads as saved.
    QCOMPARE(tags.Id3v2Field(TagField::Title), reason.isEmpty() ? QStringLiteral("Changed") : title);
    tags.CloseAudioFile();
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("song.m4a")});
    if (!reason.isEmpty()) {
        QCOMPARE(Read(path), file);
        return;
    }
    QCOMPARE(Mutagen(path).at(1), QStringLiteral("13/") + Digest(newJpeg_));
    const QString problem = ReadersProblem(file);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_GUILESS_MAIN(TestM4a)
#include "tst_m4a.moc"
