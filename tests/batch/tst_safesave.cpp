// SPDX-License-Identifier: MIT
#include "engine/files/atomicsave.h"
#include "engine/pictures/jpegcodec.h"
#include "engine/files/localpath.h"
#include "engine/files/lockedfile.h"
#include "engine/files/replacegroup.h"
#include "engine/files/sidefile.h"
#include "engine/tags/taglibrary.h"
#include "support/audiofixture.h"
#include "support/hostilepictures.h"
#include "support/mp3fixture.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QtTest>

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <csignal>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Mp3Fixture;
using TestFiles::Read;

// Saves touch nothing but the file: other files beside it, other programs'
// changes during a save, the file's attributes and other names, a closed
// output and names that are not UTF-8. brisko-batch is run as a process.
class TestSafeSave : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void filesBesideAreNotTouched();
    void changesByOthersDuringASaveWin_data();
    void changesByOthersDuringASaveWin();
    void twoRunsOverOneFolder();
    void everyAttributeIsKept();
    void anotherUsersFileIsRefused();
    void otherNamesOfOneFile_data();
    void otherNamesOfOneFile();
    void killedWhileSaving_data();
    void killedWhileSaving();
    void nearlyFullCard_data();
    void nearlyFullCard();
    void closedOutputStopsTheRun();
    void namesThatAreNotUtf8();
    void everyByteStringIsANameAgain();
    void namedSideFileWhereUnnamedCannotBe();
    void groupedSavesWaitAndFailAlone();

private:
    QString Song(const QString &name, const QByteArray &art = QByteArray()) const;
    QString Folder(const QString &name) const;
    struct Run
    {
        int code = -1;
        QByteArray out;
        QByteArray err;
    };
    static Run Batch(const QStringList &arguments, const QStringList &environment = {});
    // Each file's status in a --json run's output, by file name.
    static QHash<QString, QString> Statuses(const QByteArray &json);
    static bool Converted(const QString &path);
    static QStringList SideFiles(const QString &folder);
    static ino_t Inode(const QString &path);

    std::unique_ptr<QTemporaryDir> dir_;
};

void TestSafeSave::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    qputenv("XDG_CONFIG_HOME", (dir_->path() + QStringLiteral("/config")).toUtf8());
}

QString TestSafeSave::Folder(const QString &name) const
{
    const QString folder = dir_->filePath(name);
    QDir().mkpath(folder);
    return folder;
}

QString TestSafeSave::Song(const QString &path, const QByteArray &art) const
{
    static const QByteArray usual = TestPictures::Jpeg(TestPictures::Solid(600, 400, Qt::darkCyan), 90);
    Recipe recipe;
    recipe.title = QStringLiteral("Song");
    recipe.pictures << Picture{art.isEmpty() ? usual : art, art.isEmpty() ? QStringLiteral("image/jpeg") : QStringLiteral("image/png"), 3, QString()};
    recipe.audioFrames = 300;
    return Write(path, recipe);
}

TestSafeSave::Run TestSafeSave::Batch(const QStringList &arguments, const QStringList &environment)
{
    QProcess batch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &pair : environment)
        env.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    batch.setProcessEnvironment(env);
    batch.start(QStringLiteral(BRISKO_BATCH), arguments);
    Run run;
    if (batch.waitForFinished(120000) && batch.exitStatus() == QProcess::NormalExit)
        run.code = batch.exitCode();
    run.out = batch.readAllStandardOutput();
    run.err = batch.readAllStandardError();
    return run;
}

QHash<QString, QString> TestSafeSave::Statuses(const QByteArray &json)
{
    QHash<QString, QString> statuses;
    for (const QByteArray &line : json.trimmed().split('\n')) {
        const QJsonObject result = QJsonDocument::fromJson(line).object();
        statuses.insert(QFileInfo(result.value(QStringLiteral("file")).toString()).fileName(),
                        result.value(QStringLiteral("status")).toString());
    }
    return statuses;
}

ino_t TestSafeSave::Inode(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// Picture 1 is the 250 x 167 JPEG a conversion makes, as TagLib reads it.
bool TestSafeSave::Converted(const QString &path)
{
    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    const TagLib::ID3v2::Tag *tag = file.ID3v2Tag();
    const auto pictures = tag ? tag->frameListMap()["APIC"] : TagLib::ID3v2::FrameList();
    if (pictures.size() != 1)
        return false;
    const auto *picture = static_cast<TagLib::ID3v2::AttachedPictureFrame *>(pictures.front());
    const Result<JpegHeader> header =
        ReadJpegHeader(QByteArray(picture->picture().data(), int(picture->picture().size())));
    return header && header->size == QSize(250, 167);
}

QStringList TestSafeSave::SideFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral(".*.brisko-*")}, QDir::Files | QDir::Hidden | QDir::System);
}

void TestSafeSave::filesBesideAreNotTouched()
{
    const QString folder = Folder(QStringLiteral("beside"));
    const QString song = Song(folder + QStringLiteral("/song.mp3"));
    const QString locked = Song(folder + QStringLiteral("/locked.mp3"));
    QVERIFY(TestFiles::Write(song + u'~', "cp -b backup"));
    QVERIFY(TestFiles::Write(locked + u'~', "emacs backup"));
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner));
    // A link whose target may not be written: the "~" beside the link is no one's business either.
    const QString linkFolder = Folder(QStringLiteral("links"));
    QVERIFY(QFile::link(locked, linkFolder + QStringLiteral("/via-link.mp3")));
    QVERIFY(TestFiles::Write(linkFolder + QStringLiteral("/via-link.mp3~"), "link backup"));

    // What an earlier, killed run left is removed; what is anyone else's stays.
    const QString stale = folder + QStringLiteral("/.song.mp3.brisko-Ab12Cd");
    const QString inUse = folder + QStringLiteral("/.song.mp3.brisko-Zz99Yy");
    const QString lookalike = folder + QStringLiteral("/song.mp3.brisko-Ab12Cd");
    for (const QString &path : {stale, inUse, lookalike})
        QVERIFY(TestFiles::Write(path, "x"));
    const int holder = ::open(QFile::encodeName(inUse).constData(), O_RDONLY);
    QVERIFY(holder >= 0 && ::flock(holder, LOCK_EX) == 0);
    const QString othersFile = folder + QStringLiteral("/.other.mp3.brisko-Qq11Ww");
    const bool root = ::geteuid() == 0;
    if (root) {
        QVERIFY(TestFiles::Write(othersFile, "x"));
        QCOMPARE(::chown(QFile::encodeName(othersFile).constData(), 65534, 65534), 0);
    }

    const Run run = Batch({folder, linkFolder + QStringLiteral("/via-link.mp3")});
    ::close(holder);
    QCOMPARE(run.code, 1); // the read-only file, twice
    QVERIFY(Converted(song));
    QCOMPARE(Read(song + u'~'), QByteArray("cp -b backup"));
    QCOMPARE(Read(locked + u'~'), QByteArray("emacs backup"));
    QCOMPARE(Read(linkFolder + QStringLiteral("/via-link.mp3~")), QByteArray("link backup"));
    QVERIFY(!QFile::exists(stale));
    QVERIFY(QFile::exists(inUse));
    QVERIFY(QFile::exists(lookalike));
    QCOMPARE(QFile::exists(othersFile), root);
    QVERIFY(SideFiles(linkFolder).isEmpty());
}

void TestSafeSave::changesByOthersDuringASaveWin_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("bytes appended") << QStringLiteral("append");
    QTest::newRow("tag edited in place by another tagger") << QStringLiteral("edit");
    QTest::newRow("replaced by mv") << QStringLiteral("replace");
    QTest::newRow("deleted") << QStringLiteral("delete");
    QTest::newRow("time touched") << QStringLiteral("touch");
}

void TestSafeSave::changesByOthersDuringASaveWin()
{
    QFETCH(QString, change);
    const QString folder = Folder(QStringLiteral("race"));
    const QString song = Song(folder + QStringLiteral("/song.mp3"));
    const QString gate = Folder(QStringLiteral("gate"));

    // The save stops when its new file is complete and waits for "go".
    QProcess batch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BRISKO_TEST_PAUSE_BEFORE_REPLACE"), gate);
    batch.setProcessEnvironment(env);
    batch.start(QStringLiteral(BRISKO_BATCH), {song});
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(gate + QStringLiteral("/paused")), 30000);

    if (change == QLatin1String("append")) {
        QFile file(song);
        QVERIFY(file.open(QIODevice::Append));
        file.write("more from someone else");
    } else if (change == QLatin1String("edit")) {
        TagLib::MPEG::File file(QFile::encodeName(song).constData());
        file.ID3v2Tag()->setTitle("Theirs");
        QVERIFY(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3,
                          TagLib::File::DoNotDuplicate));
    } else if (change == QLatin1String("replace")) {
        const QString theirs = Song(dir_->filePath(QStringLiteral("theirs.mp3")));
        QVERIFY(TestFiles::Write(theirs, Read(theirs) + "theirs"));
        QVERIFY(::rename(QFile::encodeName(theirs).constData(), QFile::encodeName(song).constData()) == 0);
    } else if (change == QLatin1String("delete")) {
        QVERIFY(QFile::remove(song));
    } else {
        struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 5}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(song).constData(), times, 0), 0);
    }
    const QByteArray theirs = Read(song);
    QVERIFY(TestFiles::Write(gate + QStringLiteral("/go"), "go"));
    QVERIFY(batch.waitForFinished(60000));

    QCOMPARE(batch.exitCode(), 1);
    QVERIFY(batch.readAllStandardOutput().contains("changed by another program while being converted"));
    QCOMPARE(QFile::exists(song), change != QLatin1String("delete"));
    QCOMPARE(Read(song), theirs);
    QVERIFY(SideFiles(folder).isEmpty());
}

// Two runs started together: each file is converted by one of them, however
// long the other holds it in its group of saves. Their wait for an idle lock
// holder is cut short, so that only a wait for one that works shows.
void TestSafeSave::twoRunsOverOneFolder()
{
    const QString folder = Folder(QStringLiteral("shared"));
    QStringList songs;
    for (int i = 0; i < 40; ++i) {
        songs << Song(folder + QStringLiteral("/%1.mp3").arg(i, 2, 10, QLatin1Char('0')),
                      HostilePictures::BandedPng(3000, 2000, false, i));
    }
    QProcess first;
    QProcess second;
    for (QProcess *batch : {&first, &second}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("BRISKO_TEST_LOCK_PATIENCE_MS"), QStringLiteral("1000"));
        batch->setProcessEnvironment(env);
        batch->start(QStringLiteral(BRISKO_BATCH), {QStringLiteral("--json"), QStringLiteral("--jobs"), QStringLiteral("2"), folder});
    }
    QHash<QString, int> resized;
    for (QProcess *batch : {&first, &second}) {
        QVERIFY(batch->waitForFinished(240000));
        const QByteArray out = batch->readAllStandardOutput();
        QVERIFY2(batch->exitCode() == 0, out.constData());
        const QHash<QString, QString> statuses = Statuses(out);
        QCOMPARE(statuses.size(), songs.size());
        for (auto file = statuses.cbegin(); file != statuses.cend(); ++file)
            resized[file.key()] += file.value() == QLatin1String("Resized");
    }
    for (const QString &song : std::as_const(songs)) {
        QVERIFY2(Converted(song), qPrintable(song));
        QCOMPARE(resized.value(QFileInfo(song).fileName()), 1);
    }
    QVERIFY(SideFiles(folder).isEmpty());
}

void TestSafeSave::everyAttributeIsKept()
{
    const QString song = Song(Folder(QStringLiteral("attributes")) + QStringLiteral("/song.mp3"));
    const QByteArray name = QFile::encodeName(song);
    const bool root = ::geteuid() == 0;
    // Another user's file, group-writable, set-group-ID: root may keep it all.
    if (root)
        QCOMPARE(::chown(name.constData(), 65534, 65534), 0);
    QCOMPARE(::chmod(name.constData(), root ? 02664 : 0664), 0);
    const bool xattrs = ::setxattr(name.constData(), "user.brisko.test", "kept", 4, 0) == 0;
    struct timespec times[2] = {{1400000000, 987654321}, {1500000000, 123456789}};
    QCOMPARE(::utimensat(AT_FDCWD, name.constData(), times, 0), 0);
    struct stat before {};
    QCOMPARE(::stat(name.constData(), &before), 0);

    const Run run = Batch({song});
    QCOMPARE(run.code, 0);
    // Looked at before reading it, which moves its access time.
    struct stat after {};
    QCOMPARE(::stat(name.constData(), &after), 0);
    QVERIFY(Converted(song));
    QVERIFY(after.st_ino != before.st_ino);
    QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    QCOMPARE(after.st_mtim.tv_nsec, 123456789L);
    QCOMPARE(after.st_atim.tv_sec, before.st_atim.tv_sec);
    QCOMPARE(after.st_atim.tv_nsec, before.st_atim.tv_nsec);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    if (xattrs) {
        char value[16] = {};
        QCOMPARE(::getxattr(name.constData(), "user.brisko.test", value, sizeof value), ssize_t(4));
        QCOMPARE(QByteArray(value), QByteArray("kept"));
    }
}

void TestSafeSave::anotherUsersFileIsRefused()
{
    if (::geteuid() != 0)
        QSKIP("needs root to make a second user's run");
    // root's file in a folder that the group may write: the group's member
    // may write it, but a new file of theirs could not be root's.
    const QString folder = Folder(QStringLiteral("group"));
    const QString song = Song(folder + QStringLiteral("/song.mp3"));
    QCOMPARE(::chmod(QFile::encodeName(dir_->path()).constData(), 0755), 0);
    QCOMPARE(::chown(QFile::encodeName(folder).constData(), 0, 65534), 0);
    QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0775), 0);
    QCOMPARE(::chown(QFile::encodeName(song).constData(), 0, 65534), 0);
    QCOMPARE(::chmod(QFile::encodeName(song).constData(), 0664), 0);
    const QByteArray before = Read(song);

    QProcess batch;
    batch.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                            QStringLiteral("--clear-groups"), QStringLiteral(BRISKO_BATCH), song});
    if (!batch.waitForFinished(60000) || batch.exitCode() > 2)
        QSKIP("cannot run brisko-batch as a second user here");
    QCOMPARE(batch.exitCode(), 1);
    QVERIFY(batch.readAllStandardOutput().contains("belongs to another user"));
    QCOMPARE(Read(song), before);
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(song).constData(), &info), 0);
    QCOMPARE(info.st_uid, uid_t(0));
    QVERIFY(SideFiles(folder).isEmpty());
}

void TestSafeSave::otherNamesOfOneFile_data()
{
    QTest::addColumn<bool>("symbolic");
    QTest::addColumn<QString>("secondName"); // beside a.mp3, in the run
    QTest::newRow("hard link") << false << QStringLiteral("b.mp3");
    QTest::newRow("symbolic link found after the file") << true << QStringLiteral("b.mp3");
    QTest::newRow("symbolic link found before the file") << true << QStringLiteral("0.mp3");
}

// A file is converted once, under its own name, whatever other names the run
// finds it by: its hard links follow it to the new file, a symbolic link shows
// the new file anyway, and a name outside the run keeps the old one.
void TestSafeSave::otherNamesOfOneFile()
{
    QFETCH(bool, symbolic);
    QFETCH(QString, secondName);
    const QString folder = Folder(QStringLiteral("linked"));
    const QString a = Song(folder + QStringLiteral("/a.mp3"));
    const QString second = folder + u'/' + secondName;
    const QString outside = Folder(QStringLiteral("elsewhere")) + QStringLiteral("/c.mp3");
    if (symbolic)
        QVERIFY(QFile::link(QStringLiteral("a.mp3"), second));
    else
        QVERIFY(::link(QFile::encodeName(a).constData(), QFile::encodeName(second).constData()) == 0);
    QVERIFY(::link(QFile::encodeName(a).constData(), QFile::encodeName(outside).constData()) == 0);
    const QByteArray old = Read(a);

    const Run run = Batch({QStringLiteral("--json"), folder});
    QCOMPARE(run.code, 0);
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 1); // one file, counted once
    const QJsonObject result = QJsonDocument::fromJson(lines.first()).object();
    QCOMPARE(result.value(QStringLiteral("file")).toString(), a);
    QCOMPARE(result.value(QStringLiteral("status")).toString(), QStringLiteral("Resized"));
    QCOMPARE(result.value(QStringLiteral("note")).toString(),
             QStringLiteral("1 other name outside this run keeps the old picture"));
    QVERIFY(Converted(a));
    QCOMPARE(Inode(second), Inode(a));
    QCOMPARE(QFileInfo(second).isSymLink(), symbolic);
    QCOMPARE(Read(outside), old);
    QVERIFY(SideFiles(folder).isEmpty());
}

void TestSafeSave::killedWhileSaving_data()
{
    QTest::addColumn<int>("songs");
    QTest::addColumn<bool>("linked");       // 00.mp3 has a second name, b.mp3
    QTest::addColumn<int>("killAt");        // the step of the run, counted from 1
    QTest::addColumn<bool>("changedAfter"); // b.mp3 is edited between the kill and the next run
    QTest::newRow("between the saves of a run") << 6 << false << 4 << false;
    QTest::newRow("while a second name is pointed at the new file") << 1 << true << 2 << false;
    QTest::newRow("and the second name edited after the kill") << 1 << true << 2 << true;
}

// Killed at a known step (each save before its rename, each second name
// before it is pointed at the new file): every file is as it was or
// converted, and the next run over the folder finishes the work, clears what
// the kill left, and keeps the names of one file one file, unless the user
// changed one of them meanwhile.
void TestSafeSave::killedWhileSaving()
{
    QFETCH(int, songs);
    QFETCH(bool, linked);
    QFETCH(int, killAt);
    QFETCH(bool, changedAfter);
    const QString folder = Folder(QStringLiteral("killed"));
    const QString gate = Folder(QStringLiteral("gate"));
    QHash<QString, QByteArray> before;
    for (int i = 0; i < songs; ++i) {
        const QString song = Song(folder + QStringLiteral("/%1.mp3").arg(i, 2, 10, QLatin1Char('0')));
        before.insert(song, Read(song));
    }
    const QString first = folder + QStringLiteral("/00.mp3");
    const QString b = folder + QStringLiteral("/b.mp3");
    if (linked)
        QVERIFY(::link(QFile::encodeName(first).constData(), QFile::encodeName(b).constData()) == 0);

    QProcess batch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BRISKO_TEST_PAUSE_BEFORE_REPLACE"), gate);
    batch.setProcessEnvironment(env);
    batch.start(QStringLiteral(BRISKO_BATCH), {QStringLiteral("--jobs"), QStringLiteral("1"), folder});
    const QString paused = gate + QStringLiteral("/paused");
    for (int step = 1;; ++step) {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(paused), 60000);
        if (step == killAt)
            break;
        QVERIFY(QFile::remove(paused));
        QVERIFY(TestFiles::Write(gate + QStringLiteral("/go"), "go"));
    }
    ::kill(pid_t(batch.processId()), SIGKILL);
    QVERIFY(batch.waitForFinished(30000));

    int converted = 0;
    for (auto song = before.cbegin(); song != before.cend(); ++song) {
        const bool changed = Read(song.key()) != song.value();
        QVERIFY2(!changed || Converted(song.key()), qPrintable(song.key()));
        converted += changed;
    }
    QCOMPARE(converted, linked ? 1 : killAt - 1);
    if (linked) {
        // The new file under a hidden second name, the other name still the old file.
        QCOMPARE(SideFiles(folder).size(), 1);
        QCOMPARE(Read(b), before.value(first));
    }
    if (changedAfter)
        QVERIFY(TestFiles::Write(b, Read(b) + "theirs"));

    const Run again = Batch({folder});
    QCOMPARE(again.code, 0);
    for (auto song = before.cbegin(); song != before.cend(); ++song)
        QVERIFY2(Converted(song.key()), qPrintable(song.key()));
    QVERIFY(SideFiles(folder).isEmpty());
    if (linked) {
        QVERIFY(Converted(b));
        QCOMPARE(Inode(b) == Inode(first), !changedAfter);
        QCOMPARE(Read(b).endsWith("theirs"), changedAfter);
    }
}

void TestSafeSave::nearlyFullCard_data()
{
    QTest::addColumn<QString>("jobs");
    QTest::newRow("one job") << QStringLiteral("1");
    QTest::newRow("two jobs") << QStringLiteral("2");
}

// Twelve FLAC files of 1.6 to 3.3 MB, mostly audio, on a card with 5.5 MB
// free, room for any one of them and 256,000 bytes more: one run converts
// them all, as the dry run before it says. The card is a tmpfs of that size,
// which needs root.
void TestSafeSave::nearlyFullCard()
{
    QFETCH(QString, jobs);
    const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(600, 600, Qt::darkBlue));
    QList<QByteArray> files;
    qint64 pages = 0;
    for (int i = 0; i < 12; ++i) {
        // Noise, which FLAC cannot shrink much: about 81 KB a second.
        const QString noise = dir_->filePath(QStringLiteral("noise.flac"));
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"), QStringLiteral("-v error -y -f lavfi -i anoisesrc=a=0.3:d=%1 -ac 1 -ar 44100 "
                                                              "-sample_fmt s16 %2").arg(20 + i * 20.5 / 11).arg(noise).split(u' '));
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
            QSKIP("ffmpeg is needed for the audio");
        const AudioFixture::FlacParts audio = AudioFixture::SplitFlac(Read(noise));
        files << AudioFixture::Flac({{0, audio.streamInfo}, {6, AudioFixture::PictureBody(3, "image/jpeg", "", art)}},
                                    audio.audio);
        pages += (files.last().size() + 4095) / 4096;
    }
    const QString card = Folder(QStringLiteral("card"));
    const QByteArray size = "size=" + QByteArray::number(pages * 4096 + 5500000 / 4096 * 4096);
    if (::geteuid() != 0 || ::mount("tmpfs", QFile::encodeName(card).constData(), "tmpfs", 0, size.constData()) != 0)
        QSKIP("this system does not let the test mount a tmpfs");
    const auto unmount = qScopeGuard([&card] { ::umount2(QFile::encodeName(card).constData(), MNT_DETACH); });
    QStringList paths;
    for (int i = 0; i < files.size(); ++i) {
        paths << card + QStringLiteral("/%1.flac").arg(i, 2, 10, QLatin1Char('0'));
        QVERIFY(TestFiles::Write(paths.last(), files.at(i)));
    }
    QVERIFY(QStorageInfo(card).bytesAvailable() >= 5400000);

    const Run dry = Batch({QStringLiteral("--json"), QStringLiteral("--dry-run"), QStringLiteral("--jobs"), jobs, card});
    const Run real = Batch({QStringLiteral("--json"), QStringLiteral("--jobs"), jobs, card});
    QVERIFY2(dry.code == 0, dry.out.constData());
    QVERIFY2(real.code == 0, real.out.constData());
    const QHash<QString, QString> predicted = Statuses(dry.out);
    const QHash<QString, QString> outcome = Statuses(real.out);
    QCOMPARE(outcome.size(), files.size());
    for (const QString &path : std::as_const(paths)) {
        const QString name = QFileInfo(path).fileName();
        QCOMPARE(predicted.value(name), QStringLiteral("Would Resize"));
        QCOMPARE(outcome.value(name), QStringLiteral("Resized"));
        // mutagen's picture, and flac's look at the whole stream.
        QProcess check;
        check.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), QStringLiteral("flac -t -s \"$0\" && /usr/bin/python3 -c 'import sys, mutagen.flac; "
                                                           "sys.stdout.buffer.write(mutagen.flac.FLAC(sys.argv[1]).pictures[0].data)' \"$0\""),
                     path});
        QVERIFY(check.waitForFinished(60000));
        QCOMPARE(check.exitCode(), 0);
        QCOMPARE(ReadJpegHeader(check.readAllStandardOutput())->size, QSize(250, 250));
    }
    QVERIFY(SideFiles(card).isEmpty());
}

void TestSafeSave::closedOutputStopsTheRun()
{
    const QString folder = Folder(QStringLiteral("piped"));
    QHash<QString, QByteArray> before;
    for (int i = 0; i < 30; ++i) {
        const QString song = Song(folder + QStringLiteral("/%1.mp3").arg(i, 2, 10, QLatin1Char('0')));
        before.insert(song, Read(song));
    }
    // brisko-batch --json music into a pipe whose reader is gone before the
    // first line, as "| head -n1" is after its line; brisko-batch's own status.
    QProcess pipe;
    pipe.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral("-c"), QStringLiteral("import os, subprocess, sys\n"
                                                     "reader, writer = os.pipe()\n"
                                                     "os.close(reader)\n"
                                                     "sys.exit(subprocess.run(sys.argv[1:], stdout=writer).returncode)"),
                QStringLiteral(BRISKO_BATCH), QStringLiteral("--json"), QStringLiteral("--jobs"), QStringLiteral("1"), folder});
    QVERIFY(pipe.waitForFinished(120000));
    QCOMPARE(pipe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(pipe.exitCode(), 128 + SIGPIPE);
    const QByteArray summary = pipe.readAllStandardError();
    QVERIFY2(summary.contains("Stopped: ") && summary.contains("Total"), summary.constData());
    for (auto song = before.cbegin(); song != before.cend(); ++song)
        QVERIFY(Read(song.key()) == song.value() || Converted(song.key()));
    QVERIFY(SideFiles(folder).isEmpty());
}

void TestSafeSave::namesThatAreNotUtf8()
{
    const QString folder = Folder(QStringLiteral("names"));
    const QByteArray bytes = QFile::encodeName(folder);
    const QList<QByteArray> names = {"latin1-\xe9t\xe9.mp3", "bad-\xff\xfe.mp3", "back\\slash \"\n\t\x01.mp3"};
    const QByteArray song = Read(Song(dir_->filePath(QStringLiteral("source.mp3"))));
    for (const QByteArray &name : names) {
        const int fd = ::open((bytes + '/' + name).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, song.constData(), size_t(song.size())), ssize_t(song.size()));
        ::close(fd);
    }
    const auto content = [&bytes](const QByteArray &name) {
        QByteArray data;
        const int fd = ::open((bytes + '/' + name).constData(), O_RDONLY);
        char buffer[65536];
        for (ssize_t got; fd >= 0 && (got = ::read(fd, buffer, sizeof buffer)) > 0;)
            data.append(buffer, got);
        ::close(fd);
        return data;
    };

    // Found by the walk, converted, and reported with their exact bytes (file for UTF-8).
    Run run = Batch({QStringLiteral("--json"), folder});
    QCOMPARE(run.code, 0);
    QList<QByteArray> found;
    for (const QByteArray &line : run.out.trimmed().split('\n')) {
        const QJsonObject result = QJsonDocument::fromJson(line).object();
        QCOMPARE(result.value(QStringLiteral("status")).toString(), QStringLiteral("Resized"));
        const QString file = result.value(QStringLiteral("file")).toString();
        const QByteArray raw = QByteArray::fromBase64(result.value(QStringLiteral("file_bytes")).toString().toLatin1());
        found << (raw.isEmpty() ? file.toUtf8() : raw);
        QCOMPARE(file.contains(QLatin1String("\\x")), !raw.isEmpty());
    }
    std::sort(found.begin(), found.end());
    QCOMPARE(found, QList<QByteArray>({bytes + '/' + names.at(2), bytes + '/' + names.at(1), bytes + '/' + names.at(0)}));
    for (const QByteArray &name : names)
        QVERIFY(content(name) != song);

    // Named on the command line, and printed readably.
    const QByteArray again = content(names.at(1));
    QProcess shell;
    shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exec \"$0\" --size 120 \"$(printf '%s/bad-\\377\\376.mp3' \"$1\")\""),
                                       QStringLiteral(BRISKO_BATCH), folder});
    QVERIFY(shell.waitForFinished(60000));
    QVERIFY2(shell.exitCode() == 0, shell.readAllStandardError().constData());
    QVERIFY(content(names.at(1)) != again);
    QCOMPARE(content(names.at(0)).size() > 0, true);
}

// Any bytes a name may hold come back exactly, UTF-8 reads as Qt reads it,
// and only names with odd bytes are marked and escaped for reading.
void TestSafeSave::everyByteStringIsANameAgain()
{
    const QList<QByteArray> edges = {"plain.mp3", "caf\xc3\xa9.mp3", "caf\xe9.mp3", "\xf0\x9d\x84\x9e\x80",
                                     "\xed\xa0\x80", "\xc0\xaf", "\xf4\x90\x80\x80", "back\\slash", ""};
    QRandomGenerator random(16);
    QList<QByteArray> names = edges;
    for (int i = 0; i < 2000; ++i) {
        QByteArray bytes(int(random.bounded(12)), '\0');
        for (char &c : bytes)
            c = char(random.bounded(256));
        names << bytes;
    }
    for (const QByteArray &bytes : std::as_const(names)) {
        const QString name = PathFromBytes(bytes);
        QCOMPARE(BytesFromPath(name), bytes);
        const bool utf8 = QString::fromUtf8(bytes).toUtf8() == bytes;
        QCOMPARE(HasEscapedBytes(name), !utf8);
        if (utf8)
            QCOMPARE(name, QString::fromUtf8(bytes));
    }
    QCOMPARE(ReadablePath(PathFromBytes("caf\xe9\\x.mp3")), QStringLiteral("caf\\xe9\\\\x.mp3"));
}

void TestSafeSave::namedSideFileWhereUnnamedCannotBe()
{
    const QString folder = Folder(QStringLiteral("named"));
    const QString song = Song(folder + QStringLiteral("/song.mp3"));
    for (const bool unnamed : {true, false}) {
        AllowUnnamedSideFiles(unnamed);
        QStringList seen;
        SetBeforeReplaceHook([&seen, &folder](const QString &) { seen = SideFiles(folder); });
        TagLibrary tags;
        QCOMPARE(tags.OpenAudioFile(song), short(1));
        tags.SetId3v2Field(TagField::Title, unnamed ? QStringLiteral("Unnamed") : QStringLiteral("Named"));
        QCOMPARE(tags.SaveId3v2Tag(song), short(-1));
        SetBeforeReplaceHook({});
        // Just before the rename it has its hidden name, and only then.
        QCOMPARE(seen.size(), 1);
        QVERIFY(seen.first().startsWith(QLatin1String(".song.mp3.brisko-")));
        QVERIFY(SideFiles(folder).isEmpty());
        QCOMPARE(tags.Id3v2Field(TagField::Title), unnamed ? QStringLiteral("Unnamed") : QStringLiteral("Named"));
    }
    AllowUnnamedSideFiles(true);
}

// Saves waiting in a group replace nothing until the group is finished; a
// file another program changes meanwhile fails alone, and a group given up
// leaves every original as it was. A group put in place behind its caller's
// back gives its outcomes with the next call, in the order they were added.
void TestSafeSave::groupedSavesWaitAndFailAlone()
{
    const QString folder = Folder(QStringLiteral("group"));
    QStringList paths;
    for (const char *name : {"one.bin", "two.bin", "three.bin"}) {
        paths << folder + u'/' + QLatin1String(name);
        QVERIFY(TestFiles::Write(paths.last(), QByteArray("old ") + name));
    }
    const auto addAll = [&paths](ReplaceGroup &group) {
        for (const QString &path : paths) {
            LockedFile original;
            const Result<void> opened = original.Open(QFile::encodeName(path));
            QVERIFY2(opened, qPrintable(opened.Why().reason));
            const FileRewrite rewrite{"new ", 0, original.State().st_size, {}, std::nullopt, {}, 0, {}};
            QVERIFY(group.Add(rewrite, std::move(original)));
        }
    };
    {
        ReplaceGroup given_up;
        addAll(given_up);
    }
    for (const QString &path : paths)
        QVERIFY(Read(path).startsWith("old "));
    QVERIFY(SideFiles(folder).isEmpty());

    ReplaceGroup group;
    addAll(group);
    QVERIFY(Read(paths.at(0)).startsWith("old "));
    QVERIFY(TestFiles::Write(paths.at(1), "theirs"));
    const std::vector<Result<int>> outcomes = group.Finish();
    QCOMPARE(int(outcomes.size()), 3);
    QVERIFY(outcomes.at(0) && outcomes.at(2));
    QVERIFY(!outcomes.at(1));
    QCOMPARE(outcomes.at(1).Why().reason, QStringLiteral("changed by another program"));
    QCOMPARE(Read(paths.at(0)), QByteArray("new old one.bin"));
    QCOMPARE(Read(paths.at(1)), QByteArray("theirs"));
    QCOMPARE(Read(paths.at(2)), QByteArray("new old three.bin"));
    QVERIFY(SideFiles(folder).isEmpty());

    ReplaceGroup behind;
    addAll(behind);
    QVERIFY(behind.FinishBehind().empty());
    const QString first = paths.first();
    paths = QStringList{folder + QStringLiteral("/four.bin")};
    QVERIFY(TestFiles::Write(paths.first(), "old four.bin"));
    QCOMPARE(::link(qPrintable(paths.first()), qPrintable(folder + QStringLiteral("/four.lnk"))), 0);
    addAll(behind);
    QCOMPARE(behind.Count(), 4);
    std::vector<int> otherNames;
    for (const Result<int> &outcome : behind.Finish()) {
        if (!outcome)
            QFAIL(qPrintable(outcome.Why().reason));
        otherNames.push_back(*outcome);
    }
    QCOMPARE(otherNames, (std::vector<int>{0, 0, 0, 1}));
    QCOMPARE(Read(first), QByteArray("new new old one.bin"));
    QCOMPARE(Read(paths.first()), QByteArray("new old four.bin"));
    QVERIFY(SideFiles(folder).isEmpty());
}

QTEST_MAIN(TestSafeSave)
#include "tst_safesave.moc"
