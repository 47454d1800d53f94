// SPDX-License-Identifier: MIT
#include "engine/files/atomicsave.h"
#include "engine/pictures/jpegcodec.h"
#include "engine/files/localpath.h"
#include "engine/files/lockedfile.h"
#include "engine/files/replacegroup.h"
#include "engine/files/sidefile.h"
#include "engine/tags/taglibrary.h"
#include "support/mp3fixture.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QtTest>

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <csignal>

#include <fcntl.h>
#include <sys/file.h>
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
    void hardLinksAreOneFile();
    void closedOutputStopsTheRun();
    void namesThatAreNotUtf8();
    void everyByteStringIsANameAgain();
    void namedSideFileWhereUnnamedCannotBe();
    void groupedSavesWaitAndFailAlone();

private:
    QString Song(const QString &name) const;
    QString Folder(const QString &name) const;
    struct Run
    {
        int code = -1;
        QByteArray out;
        QByteArray err;
    };
    static Run Batch(const QStringList &arguments, const QStringList &environment = {});
    static bool Converted(const QString &path);
    static QStringList SideFiles(const QString &folder);

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

QString TestSafeSave::Song(const QString &path) const
{
    static const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(600, 400, Qt::darkCyan), 90);
    Recipe recipe;
    recipe.title = QStringLiteral("Song");
    recipe.pictures << Picture{art, QStringLiteral("image/jpeg"), 3, QString()};
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

// Picture 1 is the 250 x 167 JPEG a conversion makes, as TagLib reads it.
bool TestSafeSave::Converted(const QString &path)
{
    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    const TagLib::ID3v2::Tag *tag = file.ID3v2Tag();
    const auto pictures = tag ? tag->frameListMap()["APIC"] : TagLib::ID3v2::FrameList();
    if (pictures.size() != 1)
        return false;
    const auto *picture = static_cast<TagLib::ID3v2::AttachedPictureFrame *>(pictures.front());
    return ReadJpegHeader(QByteArray(picture->picture().data(), int(picture->picture().size()))).size
           == QSize(250, 167);
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

void TestSafeSave::twoRunsOverOneFolder()
{
    const QString folder = Folder(QStringLiteral("shared"));
    QStringList songs;
    for (int i = 0; i < 16; ++i)
        songs << Song(folder + QStringLiteral("/%1.mp3").arg(i, 2, 10, QLatin1Char('0')));
    QProcess first;
    QProcess second;
    for (QProcess *batch : {&first, &second})
        batch->start(QStringLiteral(BRISKO_BATCH), {QStringLiteral("--jobs"), QStringLiteral("2"), folder});
    for (QProcess *batch : {&first, &second}) {
        QVERIFY(batch->waitForFinished(120000));
        QVERIFY2(batch->exitCode() == 0, batch->readAllStandardOutput().constData());
    }
    for (const QString &song : std::as_const(songs))
        QVERIFY2(Converted(song), qPrintable(song));
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

void TestSafeSave::hardLinksAreOneFile()
{
    const QString folder = Folder(QStringLiteral("linked"));
    const QString a = Song(folder + QStringLiteral("/a.mp3"));
    const QString b = folder + QStringLiteral("/b.mp3");
    const QString outside = Folder(QStringLiteral("elsewhere")) + QStringLiteral("/c.mp3");
    QVERIFY(::link(QFile::encodeName(a).constData(), QFile::encodeName(b).constData()) == 0);
    QVERIFY(::link(QFile::encodeName(a).constData(), QFile::encodeName(outside).constData()) == 0);
    const QByteArray old = Read(a);

    const Run run = Batch({QStringLiteral("--json"), folder});
    QCOMPARE(run.code, 0);
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 1); // one file, counted once
    const QJsonObject result = QJsonDocument::fromJson(lines.first()).object();
    QCOMPARE(result.value(QStringLiteral("status")).toString(), QStringLiteral("Resized"));
    QCOMPARE(result.value(QStringLiteral("note")).toString(),
             QStringLiteral("1 other name outside this run keeps the old picture"));
    QVERIFY(Converted(a));
    struct stat first {};
    struct stat second {};
    QVERIFY(::stat(QFile::encodeName(a).constData(), &first) == 0 && ::stat(QFile::encodeName(b).constData(), &second) == 0);
    QCOMPARE(first.st_ino, second.st_ino);
    QCOMPARE(Read(outside), old);
    QVERIFY(SideFiles(folder).isEmpty());
}

void TestSafeSave::closedOutputStopsTheRun()
{
    const QString folder = Folder(QStringLiteral("piped"));
    QHash<QString, QByteArray> before;
    for (int i = 0; i < 30; ++i) {
        const QString song = Song(folder + QStringLiteral("/%1.mp3").arg(i, 2, 10, QLatin1Char('0')));
        before.insert(song, Read(song));
    }
    // brisko-batch --json music | head -n1, and brisko-batch's own status.
    QProcess shell;
    shell.start(QStringLiteral("bash"),
                {QStringLiteral("-c"), QStringLiteral("\"$0\" --json --jobs 1 \"$1\" | head -n1 >/dev/null; "
                                                      "exit ${PIPESTATUS[0]}"),
                 QStringLiteral(BRISKO_BATCH), folder});
    QVERIFY(shell.waitForFinished(120000));
    QCOMPARE(shell.exitStatus(), QProcess::NormalExit);
    QCOMPARE(shell.exitCode(), 128 + SIGPIPE);
    const QByteArray summary = shell.readAllStandardError();
    QVERIFY2(summary.contains("Stopped: ") && summary.contains("Total"), summary.constData());
    int converted = 0;
    for (auto song = before.cbegin(); song != before.cend(); ++song) {
        const bool changed = Read(song.key()) != song.value();
        QVERIFY(!changed || Converted(song.key()));
        converted += changed;
    }
    QVERIFY(converted > 0 && converted < before.size());
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
// leaves every original as it was.
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
            QString why;
            QVERIFY2(original.Open(path, &why), qPrintable(why));
            const FileRewrite rewrite{path, "new ", 0, original.State().st_size, {}, std::nullopt, {}, 0, {}};
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
}

QTEST_MAIN(TestSafeSave)
#include "tst_safesave.moc"
