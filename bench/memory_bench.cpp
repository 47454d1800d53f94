// SPDX-License-Identifier: MIT
// What hostile pictures cost: peak memory and time of converting each, and
// of brisko-batch over all of them with 1, 2 and 4 jobs.
//
//   memory_bench [--dir FOLDER] [--keep] [--only CASE | --only formats]
//
// Every case is an MP3 file whose picture 1 is made to cost its reader:
//   png-10000    a 0.45 MB PNG declaring 10000 x 10000 RGBA
//   bmp-rle      a 1 KB run-length BMP declaring 10000 x 10000
//   gif-10000    a 0.1 MB GIF of one colour at 10000 x 10000
//   gif-screen   a GIF declaring a 10000 x 10000 screen around a 1 x 1 frame
//   jpeg-scans   a 1.4 MB progressive JPEG repeating its last scan 100,000 times
//   jpeg-cut     a JPEG with an Exif thumbnail, cut short at 60 %
//   gif-cut      a GIF cut short at 24 %
//   art-25mb     16 files, each with its own 25 MB picture (one pass over all)
// and huge art (each tag's size is what the reader must hold):
//   jpeg-junk-150mb  a JPEG followed by junk, 150 MB in all
//   png-chunk-150mb  a PNG holding a 150 MB chunk of its own
//   jpeg-junk-250mb  the same at 250 MB: more than a tag may take, refused unread
// Each case runs in a process of its own, converted as the window converts
// (picture 1 to 250 at quality 80); it prints the outcome, the seconds and the
// peak resident memory above the process's size before converting.
//
// Then brisko-batch runs over four distinct png-10000 files, over the
// one-file cases, over four progressive 6000 x 6000 JPEGs (jpeg-6000p, each
// holding 108 MB of coefficients while it is decoded: more than one at a
// time would pass the budget), over every case together, and over the
// art-25mb files, with --jobs 1, 2 and 4; each run's peak is printed above
// brisko-batch's peak over one ordinary file.
//
// The huge art runs through brisko-batch too, with --jobs 1 and 2, converting
// and with --dry-run; each peak is printed beside the tag's size.
//
// A row a format: one file with about 100 MB of art (FLAC, whose blocks hold
// at most 16 MB, in six pictures), then four copies of it, through
// brisko-batch with --jobs 1, 2 and 4 (Ogg Vorbis needs ffmpeg). The memory a
// file's tags take is held from what its format declares, so the copies
// should peak near the one file whatever the jobs.
//
// Last, how long a stop takes in the middle of one picture: the conversion of
// png-10000 in this process, as the window runs it, is asked to stop half a
// second in; brisko-batch on png-10000, and on jpeg-scans, gets Ctrl-C
// (SIGINT) half a second in.
#include "engine/convert/artconversion.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/tags/taglibrary.h"
#include "support/audiofixture.h"
#include "support/hostilepictures.h"
#include "support/mp3fixture.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <thread>

#include <csignal>
#include <zlib.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace HostilePictures;

namespace {

struct Case
{
    const char *name;
    const char *mime;
    int files;
};

const Case Cases[] = {
    {"png-10000", "image/png", 1},  {"bmp-rle", "image/bmp", 1},   {"gif-10000", "image/gif", 1},
    {"gif-screen", "image/gif", 1}, {"jpeg-scans", "image/jpeg", 1}, {"jpeg-cut", "image/jpeg", 1},
    {"gif-cut", "image/gif", 1},    {"art-25mb", "image/jpeg", 16},
};

const Case HugeCases[] = {
    {"jpeg-junk-150mb", "image/jpeg", 1}, {"png-chunk-150mb", "image/png", 1}, {"jpeg-junk-250mb", "image/jpeg", 1}};

// A PNG with a private chunk of chunkBytes after its header.
QByteArray PngWithChunk(qint64 chunkBytes)
{
    const QByteArray png = TestPictures::Encoded(Stripes(800, 800), "PNG");
    QByteArray chunk("prVt", 4);
    chunk += QByteArray(int(chunkBytes), '\x5A');
    QByteArray length(4, '\0');
    for (int i = 0; i < 4; ++i)
        length[i] = char((chunkBytes >> (24 - 8 * i)) & 0xFF);
    const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef *>(chunk.constData()), uInt(chunk.size())));
    QByteArray check(4, '\0');
    for (int i = 0; i < 4; ++i)
        check[i] = char((crc >> (24 - 8 * i)) & 0xFF);
    constexpr int AfterHeader = 8 + 25; // the signature and the IHDR chunk
    return png.left(AfterHeader) + length + chunk + check + png.mid(AfterHeader);
}

QByteArray Picture(const QString &name, int copy)
{
    if (name == QLatin1String("png-10000"))
        return BandedPng(10000, 10000, false, copy);
    if (name == QLatin1String("bmp-rle"))
        return RunLengthBmp(10000, 10000);
    if (name == QLatin1String("gif-10000"))
        return SolidGif(10000, 10000);
    if (name == QLatin1String("gif-screen"))
        return GifWithHugeScreen(10000, 10000);
    if (name == QLatin1String("jpeg-6000p"))
        return TestPictures::Jpeg(TestPictures::Solid(6000, 6000, QColor(copy * 40, 80, 160)), 90, true);
    if (name == QLatin1String("jpeg-scans"))
        return JpegRepeatingScan(TestPictures::Solid(1000, 1000, Qt::darkCyan), 100000);
    if (name == QLatin1String("jpeg-cut")) {
        const QByteArray whole = JpegWithExifThumbnail(Stripes(1500, 1500), Stripes(160, 120));
        return whole.left(whole.size() * 6 / 10);
    }
    if (name == QLatin1String("gif-cut")) {
        QImage indexed = Stripes(600, 600).convertToFormat(QImage::Format_Indexed8);
        const QByteArray whole = Gif(indexed);
        return whole.left(whole.size() * 24 / 100);
    }
    if (name.startsWith(QLatin1String("jpeg-junk-"))) {
        const QByteArray jpeg = TestPictures::Jpeg(Stripes(800, 800), 90);
        const qint64 total = name.endsWith(QLatin1String("250mb")) ? 250LL << 20 : 150LL << 20;
        return jpeg + QByteArray(int(total - jpeg.size()), '\x5A');
    }
    if (name == QLatin1String("png-chunk-150mb"))
        return PngWithChunk(150LL << 20);
    return PaddedJpeg(Stripes(800, 800), 25 << 20, copy);
}

// The case's files in folder, made once.
QStringList MakeCase(const Case &c, const QString &folder)
{
    QStringList paths;
    for (int copy = 0; copy < c.files; ++copy) {
        const QString path = QStringLiteral("%1/%2-%3.mp3").arg(folder, QLatin1String(c.name)).arg(copy);
        if (!QFileInfo::exists(path)) {
            Mp3Fixture::Recipe recipe;
            recipe.title = QLatin1String(c.name);
            recipe.pictures = {{Picture(QLatin1String(c.name), copy), QLatin1String(c.mime), 3, {}}};
            if (Mp3Fixture::Write(path, recipe).isEmpty())
                qFatal("cannot write %s", qPrintable(path));
        }
        paths << path;
    }
    return paths;
}

qint64 StatusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

const char *OutcomeName(ArtOutcome outcome)
{
    switch (outcome) {
    case ArtOutcome::Resized: return "Resized";
    case ArtOutcome::SaveFailed: return "Resize Failed";
    case ArtOutcome::LowDriveSpace: return "Low Drive Space";
    case ArtOutcome::FileMissing: return "File Missing";
    case ArtOutcome::NoPicture: return "No Picture";
    case ArtOutcome::Skipped: return "Skipped";
    case ArtOutcome::Stopped: return "Stopped";
    case ArtOutcome::SpaceFreed: return "Space Freed";
    case ArtOutcome::PictureAdded: return "Picture Added";
    case ArtOutcome::TooLarge: return "Too Large";
    }
    return "?";
}

// The child's part: converts the files as the window does and prints its figures.
int ConvertInThisProcess(const QString &name, const QStringList &files)
{
    TagLibrary tags;
    PictureEncoder encoder;
    const qint64 idle = StatusKilobytes("VmRSS:");
    const qint64 bytes = QFileInfo(files.first()).size();
    QElapsedTimer clock;
    clock.start();
    QString outcome;
    for (const QString &path : files) {
        const Result<ArtConversion> converted = ConvertArt(tags, encoder, path, ArtRequest());
        outcome = converted ? QLatin1String(OutcomeName(converted->outcome)) : converted.Why().reason;
    }
    std::printf("%-11s %9.2f MB  %-14s %7.2f s  peak %7.1f MB above idle\n", qPrintable(name),
                bytes / 1e6, qPrintable(outcome), clock.nsecsElapsed() / 1e9,
                (StatusKilobytes("VmHWM:") - idle) / 1024.0);
    std::fflush(stdout);
    return 0;
}

// Converts the file in a thread of its own and asks it to stop half a
// second in; the seconds from the request to the answer.
void StopInTheMiddle(const QString &path)
{
    std::atomic<bool> stop{false};
    ArtRequest request;
    request.stopRequested = [&stop] { return stop.load(); };
    ArtOutcome outcome = ArtOutcome::Resized;
    std::thread conversion([&] {
        TagLibrary tags;
        PictureEncoder encoder;
        const Result<ArtConversion> converted = ConvertArt(tags, encoder, path, request);
        outcome = converted ? converted->outcome : ArtOutcome::SaveFailed;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    QElapsedTimer clock;
    clock.start();
    stop = true;
    conversion.join();
    std::printf("convert %s, stopped at 0.5 s: %s, %.3f s after the request\n",
                qPrintable(QFileInfo(path).baseName()), OutcomeName(outcome), clock.nsecsElapsed() / 1e9);
    std::fflush(stdout);
}

struct Run
{
    int exitCode = -1;
    double seconds = 0;
    double peakMegabytes = 0;
};

// Runs a program to its end (or sends it SIGINT after interruptAfter seconds)
// and measures it with wait4(): QProcess tells nothing of a child's memory.
Run Spawn(const QString &program, const QStringList &arguments, bool quiet, double interruptAfter = -1,
          double *stopSeconds = nullptr)
{
    QList<QByteArray> owned{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        owned << argument.toLocal8Bit();
    std::vector<char *> argv;
    for (QByteArray &argument : owned)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    QElapsedTimer clock;
    clock.start();
    const pid_t child = ::fork();
    if (child == 0 && quiet) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
    }
    if (child == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    Run run;
    if (interruptAfter >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(qint64(interruptAfter * 1000)));
        ::kill(child, SIGINT);
    }
    const qint64 signalled = clock.nsecsElapsed();
    int status = 0;
    rusage usage {};
    ::wait4(child, &status, 0, &usage);
    run.seconds = clock.nsecsElapsed() / 1e9;
    if (stopSeconds)
        *stopSeconds = (clock.nsecsElapsed() - signalled) / 1e9;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.peakMegabytes = usage.ru_maxrss / 1024.0;
    return run;
}

QString Batch()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/brisko-batch");
}

// A fresh copy of the files in folder, so every run starts from the originals.
QString FreshCopy(const QStringList &files, const QString &folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    for (const QString &file : files)
        if (!QFile::copy(file, QDir(folder).filePath(QFileInfo(file).fileName())))
            qFatal("cannot copy %s", qPrintable(file));
    return folder;
}

void BatchRuns(const QString &label, const QStringList &files, const QString &work, double idle,
               const QStringList &options = {},
               const QStringList &jobCounts = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4")})
{
    for (const QString &jobs : jobCounts) {
        const QString folder = FreshCopy(files, work);
        const Run run = Spawn(Batch(), options + QStringList{QStringLiteral("--jobs"), jobs, folder}, true);
        std::printf("brisko-batch %-20s %s--jobs %s  exit %d %7.2f s  peak %7.1f MB above idle\n",
                    qPrintable(label), qPrintable(options.isEmpty() ? QString() : options.join(QLatin1Char(' ')) + QLatin1Char(' ')),
                    qPrintable(jobs), run.exitCode, run.seconds, run.peakMegabytes - idle);
        std::fflush(stdout);
    }
}

const QStringList FormatExtensions = {QStringLiteral("mp3"), QStringLiteral("flac"), QStringLiteral("ogg"),
                                      QStringLiteral("opus"), QStringLiteral("m4a")};

// A file of the format with about 100 MB of art at path; false for Ogg
// Vorbis where ffmpeg cannot make its headers. Nothing of it stays in this
// process's memory, which the programs it starts would count as their own.
bool WriteHugeArtFile(const QString &extension, const QString &path)
{
    using namespace AudioFixture;
    const QByteArray art = PaddedJpeg(Stripes(800, 800), 100 << 20, 1);
    const QByteArray comment = "METADATA_BLOCK_PICTURE=" + PictureBody(3, "image/jpeg", "", art).toBase64();
    if (extension == QLatin1String("mp3")) {
        Mp3Fixture::Recipe recipe;
        recipe.pictures = {{art, QStringLiteral("image/jpeg"), 3, {}}};
        return !Mp3Fixture::Write(path, recipe).isEmpty();
    }
    if (extension == QLatin1String("flac")) {
        QList<Block> blocks{{0, QByteArray(34, '\x11')}};
        for (int copy = 0; copy < 6; ++copy)
            blocks.append({6, PictureBody(3, "image/jpeg", "", PaddedJpeg(Stripes(800, 800), 16'000'000, copy))});
        return TestFiles::Write(path, Flac(blocks, MadeUpFrame()));
    }
    if (extension == QLatin1String("ogg")) {
        Tones tones;
        if (!MakeTones(QFileInfo(path).path(), &tones))
            return false;
        const OggParts vorbis = SplitOgg(tones.vorbis);
        return TestFiles::Write(path, Ogg({vorbis.headers.at(0), VorbisComments({comment}), vorbis.headers.at(2)}, vorbis));
    }
    if (extension == QLatin1String("opus"))
        return TestFiles::Write(path, MadeUpOpus({comment}));
    return TestFiles::Write(path, Mp4(Mp4Box("ftyp", "M4A "), Udta(Mp4Item("covr", art, 13))));
}

void FormatRuns(const QString &cases, const QString &work, double idle)
{
    for (const QString &extension : FormatExtensions) {
        QStringList copies;
        for (int copy = 0; copy < 4; ++copy)
            copies << QStringLiteral("%1/format-%2.%3").arg(cases).arg(copy).arg(extension);
        if (!WriteHugeArtFile(extension, copies.first())) {
            std::printf("brisko-batch 100 MB %s: not made (no ffmpeg)\n", qPrintable(extension));
            continue;
        }
        for (int copy = 1; copy < 4; ++copy) {
            QFile::remove(copies.at(copy));
            if (!QFile::copy(copies.first(), copies.at(copy)))
                qFatal("cannot write %s", qPrintable(copies.at(copy)));
        }
        BatchRuns(QStringLiteral("1 x 100 MB %1").arg(extension), copies.mid(0, 1), work, idle, {}, {QStringLiteral("1")});
        BatchRuns(QStringLiteral("4 x 100 MB %1").arg(extension), copies, work, idle);
        for (const QString &copy : std::as_const(copies))
            QFile::remove(copy);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QString folder, only;
    bool keep = false;
    QStringList childFiles;
    QString childCase;
    const QStringList arguments = app.arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--dir") && i + 1 < arguments.size())
            folder = arguments.at(++i);
        else if (arguments.at(i) == QLatin1String("--keep"))
            keep = true;
        else if (arguments.at(i) == QLatin1String("--only") && i + 1 < arguments.size())
            only = arguments.at(++i);
        else if (arguments.at(i) == QLatin1String("--convert") && i + 1 < arguments.size())
            childCase = arguments.at(++i);
        else if (!childCase.isEmpty())
            childFiles << arguments.at(i);
        else {
            std::fprintf(stderr, "usage: memory_bench [--dir FOLDER] [--keep] [--only CASE]\n");
            return 2;
        }
    }
    if (!childCase.isEmpty())
        return ConvertInThisProcess(childCase, childFiles);
    const bool formatsOnly = only == QLatin1String("formats");

    QTemporaryDir temporary;
    if (folder.isEmpty())
        folder = temporary.path();
    temporary.setAutoRemove(!keep);
    const QString cases = folder + QStringLiteral("/cases");
    const QString work = folder + QStringLiteral("/work");
    QDir().mkpath(cases);

    QStringList every, hostile, art, huge;
    const auto convertCase = [&](const Case &c) {
        const QStringList files = MakeCase(c, cases);
        const QString copy = FreshCopy(files, work);
        QStringList childArguments{QStringLiteral("--convert"), QLatin1String(c.name)};
        for (const QString &file : files)
            childArguments << QDir(copy).filePath(QFileInfo(file).fileName());
        std::fflush(stdout);
        const Run run = Spawn(QCoreApplication::applicationFilePath(), childArguments, false);
        if (run.exitCode != 0)
            std::printf("%-11s ended with %d\n", c.name, run.exitCode);
        return files;
    };
    for (const Case &c : HugeCases) {
        if (!formatsOnly && (only.isEmpty() || only == QLatin1String(c.name)))
            huge << convertCase(c);
    }
    for (const Case &c : Cases) {
        if (formatsOnly || (!only.isEmpty() && only != QLatin1String(c.name)))
            continue;
        const QStringList files = convertCase(c);
        every << files;
        (c.files == 1 ? hostile : art) << files;
    }
    if (!only.isEmpty() && !formatsOnly)
        return 0;

    // brisko-batch's own size: one ordinary file.
    Mp3Fixture::Recipe plain;
    plain.pictures = {{TestPictures::Jpeg(Stripes(600, 600)), QStringLiteral("image/jpeg"), 3, {}}};
    const QString ordinary = Mp3Fixture::Write(cases + QStringLiteral("/ordinary.mp3"), plain);
    const Run idle = Spawn(Batch(), {FreshCopy({ordinary}, work)}, true);
    std::printf("brisko-batch one ordinary file: peak %.1f MB (idle)\n", idle.peakMegabytes);
    FormatRuns(cases, work, idle.peakMegabytes);
    if (formatsOnly)
        return 0;

    QStringList pngs;
    for (int copy = 0; copy < 4; ++copy)
        pngs << MakeCase({"png-10000", "image/png", copy + 1}, cases).last();
    BatchRuns(QStringLiteral("4 x png-10000"), pngs, work, idle.peakMegabytes);
    BatchRuns(QStringLiteral("the 7 one-file cases"), hostile, work, idle.peakMegabytes);
    BatchRuns(QStringLiteral("4 x jpeg-6000p"), MakeCase({"jpeg-6000p", "image/jpeg", 4}, cases), work,
              idle.peakMegabytes);
    BatchRuns(QStringLiteral("every case"), every, work, idle.peakMegabytes);
    BatchRuns(QStringLiteral("16 x art-25mb"), art, work, idle.peakMegabytes);
    for (const QString &file : huge) {
        const QString label = QFileInfo(file).completeBaseName();
        BatchRuns(label, {file}, work, idle.peakMegabytes, {}, {QStringLiteral("1")});
        BatchRuns(label, {file}, work, idle.peakMegabytes, {QStringLiteral("--dry-run")}, {QStringLiteral("1")});
    }
    BatchRuns(QStringLiteral("the 3 huge ones"), huge, work, idle.peakMegabytes, {}, {QStringLiteral("1"), QStringLiteral("2")});

    StopInTheMiddle(QDir(FreshCopy({pngs.first()}, work)).filePath(QFileInfo(pngs.first()).fileName()));
    for (const QString &file : {pngs.first(), hostile.value(4)}) {
        double stopSeconds = 0;
        const Run stopped = Spawn(Batch(), {FreshCopy({file}, work)}, true, 0.5, &stopSeconds);
        std::printf("brisko-batch %s, Ctrl-C at 0.5 s: exit %d, ended %.2f s after the signal\n",
                    qPrintable(QFileInfo(file).baseName()), stopped.exitCode, stopSeconds);
    }
    return 0;
}
