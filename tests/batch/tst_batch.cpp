// SPDX-License-Identifier: MIT
#include "batch/batchoptions.h"
#include "batch/batchreport.h"
#include "batch/batchrun.h"
#include "batch/batchwalk.h"
#include "engine/files/atomicsave.h"
#include "engine/pictures/decodebudget.h"
#include "engine/files/filetimes.h"
#include "engine/pictures/jpegcodec.h"
#include "support/hostilepictures.h"
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

#include <atomic>
#include <csignal>
#include <thread>

#include <sys/resource.h>

using namespace Mp3Fixture;

// brisko-batch: its options and folder walk, and the real executable run on
// generated libraries, stopped politely and killed at random moments.
class TestBatch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void options();
    void usageErrors_data();
    void usageErrors();
    void walk();
    void convertsALibrary();
    void dryRunAndSkipWriteNothing();
    void failuresAreReportedAndCounted();
    void anyExceptionFailsOnlyItsFile();
    void lengthsAreWhatTheDiskHolds();
    void oneJobTellsTheFilesInOrder();
    void ctrlCFinishesTheFilesInHand();
    void ctrlCInTheMiddleOfAPictureLeavesItAlone();
    void ctrlCStopsACheckBetweenFiles();
    void killedAtAnyMomentLosesNothing();

private:
    // count files in album folders of 5, all sharing one 600 x 400 picture.
    QStringList MakeLibrary(const QString &folder, int count) const;
    // Starts brisko-batch and sends it Ctrl-C once it has told its first
    // file: its exit status, or -1 when it did not tell one or end in time.
    static int InterruptAfterFirstLine(QProcess &batch, const QStringList &arguments);
    // Runs brisko-batch to the end, with at most openFiles files open when
    // given; its standard output.
    QByteArray Run(const QStringList &arguments, int *exitCode, rlim_t openFiles = 0) const;
    // A file is either as it was, or completely converted to 250 x 167 with
    // its audio and modification time kept.
    static bool OriginalOrConverted(const QString &path, const QByteArray &original,
                                    const QDateTime &modified, QString *why);

    std::unique_ptr<QTemporaryDir> dir_;
    QDateTime old_;
};

void TestBatch::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", (dir_->path() + QStringLiteral("/config")).toUtf8());
    old_ = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() - 86400 * 400);
}

QStringList TestBatch::MakeLibrary(const QString &folder, int count) const
{
    const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(600, 400, Qt::darkCyan), 90, true);
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString album = QStringLiteral("%1/Album %2").arg(folder).arg(i / 5);
        QDir().mkpath(album);
        Recipe recipe;
        recipe.title = QStringLiteral("Track %1").arg(i);
        recipe.pictures << Picture{art, QStringLiteral("image/jpeg"), 3, QString()};
        recipe.audioFrames = 600; // 250 KB of audio
        const QString path = Write(QStringLiteral("%1/%2.mp3").arg(album).arg(i, 3, 10, QLatin1Char('0')), recipe);
        RestoreModifiedTime(path, old_);
        files << path;
    }
    return files;
}

QByteArray TestBatch::Run(const QStringList &arguments, int *exitCode, rlim_t openFiles) const
{
    QProcess batch;
    if (openFiles > 0) {
        batch.setChildProcessModifier([openFiles] {
            const struct rlimit limit {openFiles, openFiles};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        });
    }
    batch.start(QStringLiteral(BRISKO_BATCH), arguments);
    if (!batch.waitForFinished(120000))
        return QByteArray();
    *exitCode = batch.exitStatus() == QProcess::NormalExit ? batch.exitCode() : -1;
    return batch.readAllStandardOutput();
}

int TestBatch::InterruptAfterFirstLine(QProcess &batch, const QStringList &arguments)
{
    batch.start(QStringLiteral(BRISKO_BATCH), arguments);
    if (!batch.waitForReadyRead(30000))
        return -1;
    ::kill(pid_t(batch.processId()), SIGINT);
    return batch.waitForFinished(60000) ? batch.exitCode() : -1;
}

bool TestBatch::OriginalOrConverted(const QString &path, const QByteArray &original,
                                    const QDateTime &modified, QString *why)
{
    const QByteArray now = TestFiles::Read(path);
    if (LastModified(path) != modified) {
        *why = QStringLiteral("modification time changed");
        return false;
    }
    if (now == original)
        return true;
    if (AfterTag(now) != AfterTag(original)) {
        *why = QStringLiteral("audio changed");
        return false;
    }
    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    const TagLib::ID3v2::Tag *tag = file.ID3v2Tag();
    const auto pictures = tag ? tag->frameListMap()["APIC"] : TagLib::ID3v2::FrameList();
    if (pictures.size() != 1) {
        *why = QStringLiteral("picture missing");
        return false;
    }
    const auto *picture = static_cast<TagLib::ID3v2::AttachedPictureFrame *>(pictures.front());
    const QByteArray jpeg(picture->picture().data(), int(picture->picture().size()));
    const Result<JpegHeader> header = ReadJpegHeader(jpeg);
    if (!header || header->size != QSize(250, 167) || header->progressive || !JpegIsComplete(jpeg)) {
        *why = QStringLiteral("picture not converted completely");
        return false;
    }
    return true;
}

void TestBatch::options()
{
    // Without settings: 250 and 80, one job per core.
    const BatchOptions defaults = DefaultBatchOptions();
    QCOMPARE(defaults.size, 250);
    QCOMPARE(defaults.quality, 80);
    QCOMPARE(defaults.jobs, qMax(1, QThread::idealThreadCount()));

    // The desktop program's saved values, held to their bounds.
    QDir().mkpath(dir_->path() + QStringLiteral("/config/Brisko"));
    QVERIFY(TestFiles::Write(dir_->path() + QStringLiteral("/config/Brisko/Brisko.ini"),
                             "[config]\nsize=5000\nQUALITY=70\n"));
    QCOMPARE(DefaultBatchOptions().size, 1000);
    QCOMPARE(DefaultBatchOptions().quality, 70);

    BatchOptions options;
    QCOMPARE(ParseBatchOptions({QStringLiteral("--size"), QStringLiteral("300"), QStringLiteral("--quality=120"),
                                QStringLiteral("--skip-smaller"), QStringLiteral("--jobs"), QStringLiteral("3"),
                                QStringLiteral("--dry-run"), QStringLiteral("--json"), QStringLiteral("a"),
                                QStringLiteral("--"), QStringLiteral("--b")},
                               defaults, &options),
             QString());
    QCOMPARE(options.size, 300);
    QCOMPARE(options.quality, 100);
    QVERIFY(options.skipSmaller && options.dryRun && options.json);
    QCOMPARE(options.jobs, 3);
    QCOMPARE(options.paths, QStringList({QStringLiteral("a"), QStringLiteral("--b")}));
    QCOMPARE(ParseBatchOptions({QStringLiteral("--size=50"), QStringLiteral("x")}, defaults, &options), QString());
    QCOMPARE(options.size, 100);
}

void TestBatch::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("nothing to do") << QStringList();
    QTest::newRow("unknown option") << QStringList({QStringLiteral("--fast"), QStringLiteral("x")});
    QTest::newRow("number missing") << QStringList({QStringLiteral("x"), QStringLiteral("--size")});
    QTest::newRow("not a number") << QStringList({QStringLiteral("--quality"), QStringLiteral("high"), QStringLiteral("x")});
    QTest::newRow("value on a switch") << QStringList({QStringLiteral("--json=yes"), QStringLiteral("x")});
    QTest::newRow("no such folder") << QStringList({QStringLiteral("/no/such/folder")});
}

void TestBatch::usageErrors()
{
    QFETCH(QStringList, arguments);
    QProcess batch;
    batch.start(QStringLiteral(BRISKO_BATCH), arguments);
    QVERIFY(batch.waitForFinished(30000));
    QCOMPARE(batch.exitCode(), 2);
    QVERIFY(batch.readAllStandardError().startsWith("brisko-batch: "));
}

void TestBatch::walk()
{
    const QString root = dir_->path() + QStringLiteral("/walk");
    QDir().mkpath(root + QStringLiteral("/sub/deeper"));
    for (const char *name : {"b.MP3", "a.mp3", "x.mp3.bak", "mp3", "sub/c.Mp3", "sub/deeper/d.mp3", "e.flac", "g.opus",
                             "x.m4a", "sub/f.OGG", "sub/deeper/h.oga"})
        QVERIFY(TestFiles::Write(root + u'/' + QLatin1String(name), "x"));
    QVERIFY(QFile::link(root, root + QStringLiteral("/sub/deeper/up"))); // a loop
    QStringList problems;
    QStringList files;
    const QString pipe = root + QStringLiteral("/pipe.mp3");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    for (const BatchFile &file : CollectMusicFiles({root, root + QStringLiteral("/a.mp3"), root + QStringLiteral("/nothing"), pipe,
                                                  QStringLiteral("/dev/null")}, &problems))
        files << file.path;
    QCOMPARE(files, QStringList({root + QStringLiteral("/a.mp3"), root + QStringLiteral("/b.MP3"),
                                 root + QStringLiteral("/e.flac"), root + QStringLiteral("/g.opus"),
                                 root + QStringLiteral("/x.m4a"), root + QStringLiteral("/sub/c.Mp3"), root + QStringLiteral("/sub/f.OGG"),
                                 root + QStringLiteral("/sub/deeper/d.mp3"), root + QStringLiteral("/sub/deeper/h.oga")}));
    QCOMPARE(problems, QStringList({root + QStringLiteral("/nothing: no such file or folder"),
                                    pipe + QStringLiteral(": not a regular file or folder"),
                                    QStringLiteral("/dev/null: not a regular file or folder")}));
}

// Under an open-file limit far below the usual one too: saves waiting to
// reach the disk together never leave a file without a descriptor.
void TestBatch::convertsALibrary()
{
    const QStringList files = MakeLibrary(dir_->path() + QStringLiteral("/music"), 12);
    QHash<QString, QByteArray> before;
    for (const QString &file : files)
        before.insert(file, TestFiles::Read(file));
    int code = -1;
    const QByteArray output = Run({QStringLiteral("--json"), QStringLiteral("--jobs"), QStringLiteral("2"),
                                   QStringLiteral("--size"), QStringLiteral("250"), dir_->path() + QStringLiteral("/music")},
                                  &code, 24);
    QCOMPARE(code, 0);
    const QList<QByteArray> lines = output.trimmed().split('\n');
    QCOMPARE(lines.size(), files.size());
    for (const QByteArray &line : lines) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        QCOMPARE(object.value(QStringLiteral("status")).toString(), QStringLiteral("Resized"));
        QCOMPARE(object.value(QStringLiteral("new_size")).toString(), QStringLiteral("250 x 167"));
        QCOMPARE(object.value(QStringLiteral("original_size")).toString(), QStringLiteral("600 x 400"));
    }
    for (const QString &file : files) {
        QString why;
        QVERIFY2(OriginalOrConverted(file, before.value(file), old_, &why), qPrintable(file + u' ' + why));
        QVERIFY(TestFiles::Read(file) != before.value(file));
    }
}

void TestBatch::dryRunAndSkipWriteNothing()
{
    const QStringList files = MakeLibrary(dir_->path() + QStringLiteral("/music"), 3);
    const QByteArray first = TestFiles::Read(files.first());
    int code = -1;
    QByteArray output = Run({QStringLiteral("--dry-run"), dir_->path() + QStringLiteral("/music")}, &code);
    QCOMPARE(code, 0);
    QVERIFY(output.contains("Status (dry run)"));
    QVERIFY(output.contains("Would Resize                3"));
    QCOMPARE(TestFiles::Read(files.first()), first);

    output = Run({QStringLiteral("--skip-smaller"), QStringLiteral("--size"), QStringLiteral("600"),
                  dir_->path() + QStringLiteral("/music")},
                 &code);
    QCOMPARE(code, 0);
    QVERIFY(output.contains("Unchanged                   3"));
    QCOMPARE(TestFiles::Read(files.first()), first);
}

void TestBatch::failuresAreReportedAndCounted()
{
    const QStringList files = MakeLibrary(dir_->path() + QStringLiteral("/music"), 3);
    QFile::setPermissions(files.at(1), QFile::ReadOwner);
    Recipe bare;
    const QString plain = Write(dir_->path() + QStringLiteral("/music/plain.mp3"), bare);
    int code = -1;
    const QByteArray output = Run({dir_->path() + QStringLiteral("/music")}, &code);
    QCOMPARE(code, 1);
    // Without a terminal: one line per failed file, then the summary.
    QVERIFY(output.startsWith(QFile::encodeName(files.at(1)) + ": Resize Failed"));
    QVERIFY(output.contains("No Picture                  1"));
    QVERIFY(output.contains("Resize Failed               1"));
    QVERIFY(output.contains("Resized                     2"));
    QVERIFY(!output.contains(QFile::encodeName(plain)));
}

// A standard exception other than the program's own, here thrown just
// before the first file's new copy replaces it, fails that file with its
// text; the run goes on with the others.
void TestBatch::anyExceptionFailsOnlyItsFile()
{
    const QStringList files = MakeLibrary(dir_->path() + QStringLiteral("/music"), 2);
    const QByteArray firstBefore = TestFiles::Read(files.at(0));
    SetBeforeReplaceHook([&files](const QString &path) {
        if (path == files.at(0))
            throw std::length_error("a length beyond what can be held");
    });
    BatchOptions options;
    options.jobs = 1;
    std::atomic<bool> stop{false};
    QHash<QString, BatchResult> results;
    RunBatch({{files.at(0), {}, 1}, {files.at(1), {}, 1}}, options, stop,
             [&results](const BatchResult &result) { results.insert(result.path, result); }, {});
    SetBeforeReplaceHook({});
    QCOMPARE(results.size(), 2);
    QVERIFY(results.value(files.at(0)).failed);
    QCOMPARE(results.value(files.at(0)).error, QStringLiteral("a length beyond what can be held"));
    QCOMPARE(results.value(files.at(1)).status, QStringLiteral("Resized"));
    QCOMPARE(TestFiles::Read(files.at(0)), firstBefore);
    QCOMPARE(QDir(QFileInfo(files.at(0)).path()).entryList(QDir::Hidden | QDir::Files).size(), 2);
}

// The lengths a run tells are those on disk before and after it, however a
// file ended: converted, left alone, refused, missing, failed in the middle
// of its save, or changed by another program just before its rename.
void TestBatch::lengthsAreWhatTheDiskHolds()
{
    const QStringList album = MakeLibrary(dir_->path() + QStringLiteral("/music"), 3);
    const QString &failing = album.at(0);
    const QString &changed = album.at(1);
    const QString &readOnly = album.at(2);
    // Art large enough that the file is shorter without it.
    Recipe noisy;
    noisy.pictures << Picture{TestPictures::Jpeg(TestPictures::Noise(800, 800)), QStringLiteral("image/jpeg"), 3, QString()};
    const QString converted = Write(dir_->filePath(QStringLiteral("noisy.mp3")), noisy);
    QVERIFY(QFile::setPermissions(readOnly, QFile::ReadOwner));
    const QString bare = Write(dir_->filePath(QStringLiteral("bare.mp3")), Recipe());
    const QString missing = dir_->filePath(QStringLiteral("gone.mp3"));
    const QStringList paths{converted, failing, changed, readOnly, bare, missing};
    QHash<QString, qint64> before;
    for (const QString &path : paths)
        before.insert(path, QFileInfo(path).size());
    SetBeforeReplaceHook([&](const QString &path) {
        if (path == failing)
            throw std::length_error("a length beyond what can be held");
        QFile other(changed);
        if (path == changed && (!other.open(QIODevice::Append) || other.write("another program's bytes") <= 0))
            qFatal("the other program could not write");
    });
    BatchOptions options;
    options.jobs = 1;
    std::atomic<bool> stop{false};
    QHash<QString, BatchResult> results;
    QList<BatchFile> files;
    for (const QString &path : paths)
        files.append({path, {}, 1});
    RunBatch(files, options, stop, [&results](const BatchResult &result) { results.insert(result.path, result); }, {});
    SetBeforeReplaceHook({});

    QCOMPARE(results.value(converted).status, QStringLiteral("Resized"));
    QVERIFY(QFileInfo(converted).size() < before.value(converted));
    QVERIFY(QFileInfo(changed).size() > before.value(changed));
    for (const QString &path : {failing, changed, readOnly})
        QVERIFY2(results.value(path).failed, qPrintable(path));
    for (const QString &path : paths) {
        QCOMPARE(results.value(path).bytesBefore, before.value(path));
        QCOMPARE(results.value(path).bytesAfter, QFileInfo(path).size());
    }
}

// Saved files wait to reach the disk together; the files after them, saved
// or not, are still told in the order they were given, each as it ended.
void TestBatch::oneJobTellsTheFilesInOrder()
{
    QList<BatchFile> files;
    QStringList expected;
    QHash<QString, QByteArray> before;
    const QStringList converted = MakeLibrary(dir_->path() + QStringLiteral("/music"), 12);
    for (int i = 0; i < 12; ++i) {
        const bool bare = i % 3 == 1;
        const QString path = bare ? Write(dir_->filePath(QStringLiteral("bare%1.mp3").arg(i)), Recipe()) : converted.at(i);
        files.append({path, {}, 1});
        before.insert(path, TestFiles::Read(path));
        expected << path + (bare ? QStringLiteral(" No Picture") : QStringLiteral(" Resized"));
    }
    BatchOptions options;
    options.jobs = 1;
    std::atomic<bool> stop{false};
    QStringList told;
    RunBatch(files, options, stop, [&told](const BatchResult &result) { told << result.path + u' ' + result.status; }, {});
    QCOMPARE(told, expected);
    for (const BatchFile &file : std::as_const(files)) {
        QString why;
        QVERIFY2(OriginalOrConverted(file.path, before.value(file.path), LastModified(file.path), &why), qPrintable(why));
        QCOMPARE(TestFiles::Read(file.path) != before.value(file.path), told.contains(file.path + QStringLiteral(" Resized")));
    }
}

void TestBatch::ctrlCFinishesTheFilesInHand()
{
    const QStringList files = MakeLibrary(dir_->path() + QStringLiteral("/music"), 60);
    QHash<QString, QByteArray> before;
    for (const QString &file : files)
        before.insert(file, TestFiles::Read(file));
    QProcess batch;
    const int code = InterruptAfterFirstLine(
        batch, {QStringLiteral("--json"), QStringLiteral("--jobs"), QStringLiteral("1"), dir_->path()});
    if (code == 0)
        QSKIP("the run ended before it could be stopped");
    QCOMPARE(code, 130);
    const QByteArray summary = batch.readAllStandardError();
    QVERIFY(summary.contains("Stopped: "));
    QVERIFY(summary.contains("Total"));
    // Every file converted is told, and none else.
    const int told = int(batch.readAllStandardOutput().count("\"status\":\"Resized\""));
    int converted = 0;
    for (const QString &file : files) {
        QString why;
        QVERIFY2(OriginalOrConverted(file, before.value(file), old_, &why), qPrintable(file + u' ' + why));
        converted += TestFiles::Read(file) != before.value(file);
        QVERIFY(!QFile::exists(file + u'~'));
    }
    QCOMPARE(converted, told);
}

// --check with several workers stops between files: what it printed is the
// start of what a whole check prints, and its table counts just those files.
void TestBatch::ctrlCStopsACheckBetweenFiles()
{
    MakeLibrary(dir_->path() + QStringLiteral("/music"), 200);
    const QStringList arguments{QStringLiteral("--check"), QStringLiteral("--json"), QStringLiteral("--jobs"),
                                QStringLiteral("3"), dir_->path()};
    QProcess whole;
    whole.start(QStringLiteral(BRISKO_BATCH), arguments);
    QVERIFY(whole.waitForFinished(60000));
    QCOMPARE(whole.exitCode(), 1);
    const QByteArray wholeFiles = whole.readAllStandardOutput();
    const QByteArray wholeLines = whole.readAllStandardError();

    QProcess check;
    const int code = InterruptAfterFirstLine(check, arguments);
    if (code == 1)
        QSKIP("the check ended before it could be stopped");
    QCOMPARE(code, 130);
    const QByteArray files = check.readAllStandardOutput();
    const QByteArray lines = check.readAllStandardError();
    QVERIFY(wholeFiles.startsWith(files));
    // The files' lines, then the table.
    const qsizetype table = lines.indexOf("Why players may not show the art");
    QVERIFY(table >= 0);
    QVERIFY(wholeLines.startsWith(lines.left(table)));
    QCOMPARE(lines.left(table).count('\n'), files.count('\n'));
    QVERIFY2(QString::fromUtf8(lines).contains(
                 QRegularExpression(QStringLiteral("\\nTotal +%1\\n").arg(files.count('\n')))),
             lines.constData());
}

void TestBatch::ctrlCInTheMiddleOfAPictureLeavesItAlone()
{
    // The run's own loop, as brisko-batch runs it: Ctrl-C sets the flag once
    // the 10000 x 10000 picture is being decoded (it holds decoding memory).
    Recipe large;
    large.pictures << Picture{HostilePictures::BandedPng(10000, 10000), QStringLiteral("image/png"), 3, QString()};
    Recipe small;
    small.pictures << Picture{TestPictures::Jpeg(TestPictures::Solid(600, 400, Qt::red)), QStringLiteral("image/jpeg"), 3,
                              QString()};
    const QStringList files{Write(dir_->filePath(QStringLiteral("1 large.mp3")), large),
                            Write(dir_->filePath(QStringLiteral("2 small.mp3")), small)};
    const QByteArray largeBefore = TestFiles::Read(files.at(0));
    const QByteArray smallBefore = TestFiles::Read(files.at(1));

    BatchOptions options;
    std::atomic<bool> stop{false};
    QStringList reported;
    const QList<BatchFile> batch{{files.at(0), {}, 1}, {files.at(1), {}, 1}};
    std::thread run([&] {
        RunBatch(
            batch, options, stop, [&reported](const BatchResult &result) { reported << result.path; }, {});
    });
    QTRY_VERIFY(DecodeBudget::Pictures().InUse() > 0);
    stop = true;
    run.join();
    QVERIFY2(reported.isEmpty(), qPrintable(reported.join(u' ')));
    QCOMPARE(TestFiles::Read(files.at(0)), largeBefore);
    QCOMPARE(TestFiles::Read(files.at(1)), smallBefore);
    QCOMPARE(DecodeBudget::Pictures().InUse(), 0);
}

void TestBatch::killedAtAnyMomentLosesNothing()
{
    const QString pristine = dir_->path() + QStringLiteral("/pristine");
    const QStringList originals = MakeLibrary(pristine, 30);
    const QString music = dir_->path() + QStringLiteral("/music");
    QHash<QString, QByteArray> before;
    QStringList files;
    for (const QString &original : originals) {
        const QString copy = QString(original).replace(pristine, music);
        files << copy;
        before.insert(copy, TestFiles::Read(original));
    }
    // How long a whole run takes, so the kills fall inside one.
    const auto restore = [&] {
        for (const QString &file : std::as_const(files)) {
            QDir().mkpath(QFileInfo(file).path());
            QFile::remove(file);
            QVERIFY(TestFiles::Write(file, before.value(file)));
            QVERIFY(RestoreModifiedTime(file, old_));
            // The user's own backup beside each file, as cp -b leaves it.
            QVERIFY(TestFiles::Write(file + u'~', file.toUtf8()));
        }
    };
    restore();
    QElapsedTimer clock;
    clock.start();
    int code = -1;
    Run({music}, &code);
    const qint64 whole = qMax<qint64>(clock.elapsed(), 50);

    // Kills at chosen steps are tst_safesave's; these fall anywhere.
    QRandomGenerator random(7);
    for (int kill = 0; kill < 20; ++kill) {
        restore();
        QProcess batch;
        batch.start(QStringLiteral(BRISKO_BATCH), {QStringLiteral("--jobs"), QStringLiteral("2"), music});
        QVERIFY(batch.waitForStarted());
        QThread::msleep(random.bounded(quint32(whole)));
        ::kill(pid_t(batch.processId()), SIGKILL);
        QVERIFY(batch.waitForFinished(30000));
        for (const QString &file : std::as_const(files)) {
            QString why;
            QVERIFY2(OriginalOrConverted(file, before.value(file), old_, &why),
                     qPrintable(QStringLiteral("kill %1: %2 %3").arg(kill).arg(file, why)));
            QCOMPARE(TestFiles::Read(file + u'~'), file.toUtf8());
        }
    }

    // A later normal run finishes the work and clears what the kill left.
    const QByteArray output = Run({music}, &code);
    QCOMPARE(code, 0);
    QDirIterator leftovers(music, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (leftovers.hasNext()) {
        const QString file = leftovers.next();
        if (file.endsWith(u'~')) {
            QCOMPARE(TestFiles::Read(file), file.chopped(1).toUtf8());
            continue;
        }
        QVERIFY2(file.endsWith(QLatin1String(".mp3")), qPrintable(file));
        QString why;
        QVERIFY2(OriginalOrConverted(file, before.value(file), old_, &why), qPrintable(why));
        QVERIFY(TestFiles::Read(file) != before.value(file));
    }
}

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
