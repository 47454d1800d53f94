// SPDX-License-Identifier: MIT
#include "engine/tags/taglibrary.h"
#include "support/audiofixture.h"
#include "support/hostilepictures.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QCryptographicHash>
#include <QtEndian>
#include <QtTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace AudioFixture;
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
    void init();
    void edits_data();
    void edits();
    void ffmpegFiles();
    void hostileFiles_data();
    void hostileFiles();

private:
    QString Put(const QString &name, const QByteArray &bytes) const;
    // What mutagen reads: the items but covr in order, the pictures, the chapters.
    static QStringList Mutagen(const QString &path);
    // What is wrong with the new file by the readers that are not ours; empty when nothing.
    static QString ReadersProblem(const QString &path, const QString &before);
    static QString Digest(const QByteArray &bytes);
    // Edits as "Title=New;picture;picture2" (a new JPEG as picture 1 or 2); the save's result.
    short EditAndSave(const QString &path, const QString &edits, TagLibrary &tags) const;

    QTemporaryDir tones_;
    Mp4Pieces chapters_; // AAC with a chapter track and chpl chapters
    QByteArray newJpeg_ = TestPictures::Jpeg(TestPictures::Solid(40, 30, Qt::darkGreen));
    std::unique_ptr<QTemporaryDir> dir_;
};

namespace {

QByteArray Run(const QString &tool, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput() + process.readAllStandardError();
}

const QByteArray Big = HostilePictures::PaddedJpeg(TestPictures::Solid(300, 200, Qt::red), 90000, 1);
const QByteArray Small = TestPictures::Jpeg(TestPictures::Solid(10, 10, Qt::blue));
const QByteArray Title = Mp4Item("\xA9nam", "Read");
const Mp4Layout MoovLast{false, false, false, {}};

QByteArray Data(quint32 type, const QByteArray &payload)
{
    QByteArray header(8, '\0');
    qToBigEndian(type, header.data());
    return Mp4Box("data", header + payload);
}

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
    chapters_ = SplitMp4(Read(tones_.filePath(QStringLiteral("chapters.m4a"))));
}

void TestM4a::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
}

QString TestM4a::Put(const QString &name, const QByteArray &bytes) const
{
    const QString path = dir_->filePath(name);
    return TestFiles::Write(path, bytes) ? path : QString();
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

QString TestM4a::ReadersProblem(const QString &path, const QString &before)
{
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
    return audio.startsWith("MD5=") && audio == decoded(before) ? QString() : QStringLiteral("decoded: ") + QString::fromUtf8(audio);
}

QString TestM4a::Digest(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().left(8));
}

short TestM4a::EditAndSave(const QString &path, const QString &edits, TagLibrary &tags) const
{
    static const QHash<QString, TagField> fields = {
        {QStringLiteral("Title"), TagField::Title}, {QStringLiteral("Genre"), TagField::Genre},
        {QStringLiteral("Track"), TagField::Track}, {QStringLiteral("Year"), TagField::Year},
        {QStringLiteral("Comment"), TagField::Comment}};
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

void TestM4a::edits_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QStringList>("mutagen"); // with NEW for the new picture's digest
    QTest::addColumn<QByteArray>("kept");     // bytes the new file still holds

    const QByteArray freeform = Mp4Box("----", Mp4Box("mean", QByteArray(4, '\0') + "com.apple.iTunes")
                                                   + Mp4Box("name", QByteArray(4, '\0') + "MOOD") + Data(1, "calm"));
    const QByteArray covers = Mp4Box("covr", Data(14, Big) + Data(13, Small));
    const QByteArray items = Mp4Item("\xA9nam", "Old") + freeform + covers;
    const QStringList kept{QStringLiteral("\u00A9nam=Old|----:com.apple.iTunes:MOOD=b'calm'"),
                           QStringLiteral("13/NEW|13/") + Digest(Small), QStringLiteral("One|Two")};
    const QByteArray chpl = chapters_.udtaRest;
    QTest::newRow("moov last: picture 1 made small, chapters and odd items kept")
        << Mp4(chapters_, Udta(items, chpl), MoovLast) << "picture" << kept << freeform;
    QTest::newRow("moov first: the chunk offsets of both tracks move")
        << Mp4(chapters_, Udta(items, chpl)) << "picture" << kept << freeform;
    Mp4Layout wide;
    wide.co64 = wide.largeMdat = true;
    wide.between = Mp4Box("free", "gap");
    QTest::newRow("moov first: co64 offsets and a 64-bit mdat")
        << Mp4(chapters_, Udta(items, chpl), wide) << "picture" << kept << wide.between;
    const QByteArray free = Mp4Box("free", QByteArray(100, '\0'));
    QTest::newRow("free boxes around ilst stay")
        << Mp4(chapters_, Udta(Title, {}, free)) << "Title=New"
        << QStringList{QStringLiteral("\u00A9nam=New"), QString(), QString()} << free;
    QTest::newRow("no udta: udta, meta and ilst made")
        << Mp4(chapters_, {}) << "Title=New;picture" << QStringList{QStringLiteral("\u00A9nam=New"), QStringLiteral("13/NEW"), QString()}
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
        << Mp4(chapters_, Udta(Mp4Box("covr", Data(0, Big) + Data(13, Small)))) << "picture2"
        << QStringList{QString(), QStringLiteral("13/") + Digest(Big) + QStringLiteral("|13/NEW"), QString()} << Data(0, Big);
}

void TestM4a::edits()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, edits);
    QFETCH(QStringList, mutagen);
    QFETCH(QByteArray, kept);
    const QString path = Put(QStringLiteral("song.m4a"), file);
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(EditAndSave(path, edits, tags), short(-1));
    tags.CloseAudioFile();

    const QByteArray after = Read(path);
    QCOMPARE(Mutagen(path), mutagen.replaceInStrings(QStringLiteral("NEW"), Digest(newJpeg_)));
    QVERIFY(after.contains(kept));
    QCOMPARE(SplitMp4(after).media, SplitMp4(file).media);
    const QString problem = ReadersProblem(path, Put(QStringLiteral("before.m4a"), file));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestM4a::ffmpegFiles()
{
    for (const char *name : {"aac.m4a", "chapters.m4a", "alac.m4a"}) {
        const QString before = tones_.filePath(QLatin1String(name));
        const QString path = Put(QLatin1String(name), Read(before));
        const QStringList read = Mutagen(path);
        TagLibrary tags;
        QCOMPARE(tags.OpenAudioFile(path), short(1));
        QCOMPARE(EditAndSave(path, QStringLiteral("picture;Title=Song"), tags), short(-1));
        tags.CloseAudioFile();
        const QStringList now = Mutagen(path);
        QCOMPARE(now.at(1), QStringLiteral("13/") + Digest(newJpeg_));
        QCOMPARE(now.at(2), read.at(2));
        QVERIFY2(now.at(0).startsWith(QStringLiteral("\u00A9too=Lavf")) && now.at(0).endsWith(QStringLiteral("|\u00A9nam=Song")),
                 qPrintable(now.at(0)));
        const QString problem = ReadersProblem(path, before);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
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
    inMoov.replace(inMoov.indexOf("stco") + 12, 4, be32(chapters_.ftyp.size() + 8));
    QTest::newRow("a chunk offset into moov") << inMoov << "a chunk offset points into the moov box" << "Read";
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
    const QByteArray cover = Mp4Box("covr", Data(13, Small));
    QTest::newRow("two covr") << m4a(Title + cover + cover) << "the file holds more than one covr box" << "Read";
    QTest::newRow("a covr child that is not data") << m4a(Title + Mp4Box("covr", Mp4Box("name", "x")))
                                                   << "the cover art holds a name box where only data boxes belong" << "Read";
    QTest::newRow("a BMP picture") << m4a(Title + Mp4Box("covr", Data(27, HostilePictures::Bmp(TestPictures::Solid(8, 8, Qt::red), {})))) << QString() << "Read";
    QTest::newRow("a picture of type 0 after a title of type 0")
        << m4a(Mp4Item("\xA9nam", "Read", 0) + Mp4Box("covr", Data(0, Small))) << QString() << "";
    QTest::newRow("fragmented") << m4a(Title) + Mp4Box("moof", Mp4Box("mfhd", QByteArray(8, '\0'))) + Mp4Box("mdat", "x")
                                << "the file is fragmented" << "Read";
    QTest::newRow("a trailing APE tag") << m4a(Title) + "APETAGEX" + QByteArray(24, '\0') << "the file ends in an APE" << "Read";
    QByteArray longMdat = Mp4(chapters_, Udta(Title), MoovLast);
    longMdat.replace(chapters_.ftyp.size(), 4, be32(chapters_.media.size() + 1000000));
    QTest::newRow("an mdat longer than the file") << longMdat << "the mdat box at byte" << "";
    QTest::newRow("a full disk") << m4a(Title) << "full disk" << "Read";
}

void TestM4a::hostileFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    QFETCH(QString, title);
    const QString path = Put(QStringLiteral("song.m4a"), file);
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(tags.Id3v2Field(TagField::Title), title);
    if (reason == QLatin1String("full disk")) {
        // The file size limit makes writes fail part way, as a full disk does.
        const pid_t child = fork();
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(file.size() / 2), rlim_t(file.size() / 2)};
            _exit(setrlimit(RLIMIT_FSIZE, &limit) == 0 && EditAndSave(path, QStringLiteral("picture"), tags) == 0
                          && tags.LastErrorCode() == TagLibraryError::WriteFailed ? 0 : 1);
        }
        int status = -1;
        QCOMPARE(waitpid(child, &status, 0), child);
        QCOMPARE(status, 0);
    } else {
        QCOMPARE(EditAndSave(path, QStringLiteral("Title=Changed;picture"), tags), short(reason.isEmpty() ? -1 : 0));
        QVERIFY2(tags.LastErrorText().startsWith(reason), qPrintable(tags.LastErrorText()));
    }
    tags.CloseAudioFile();
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("song.m4a")});
    if (!reason.isEmpty()) {
        QCOMPARE(Read(path), file);
        return;
    }
    QCOMPARE(Mutagen(path).mid(0, 2), (QStringList{QStringLiteral("\u00A9nam=Changed"), QStringLiteral("13/") + Digest(newJpeg_)}));
    const QString problem = ReadersProblem(path, Put(QStringLiteral("before.m4a"), file));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_GUILESS_MAIN(TestM4a)
#include "tst_m4a.moc"
