// SPDX-License-Identifier: MIT
// How fast the art of many MP3 files is converted, against the floor of
// copying and flushing the same files.
//
//   conversion_bench [--files N] [--dir FOLDER] [--keep] [--unique-art]
//                    [--rounds N] [--batch PROGRAM] [--library-only]
//
// Builds a library of N MP3 files of 3 to 8 MB (albums of 10 to 15 tracks
// sharing byte-identical art, or with --unique-art a picture per file: JPEGs
// of 1000 to 1500 or 3000 pixels, some progressive, some PNG). Each phase
// then gets a fresh copy of it and runs in a process of its own:
//   floor    copies every file beside itself, flushes it and renames it over
//            the original, as a save does at the least;
//   convert  one conversion per file in this process, as the window does:
//            picture 1 out, measured, resized to 250 at quality 80, put back,
//            saved, modification time restored;
//   batch-1, batch-2
//            brisko-batch with one and with two jobs;
//   cp-sync  `cp -a` of the library to a new folder and `sync`: what a user
//            measures by hand as the cost of a whole new copy on disk.
// Prints files per second, megabytes per second and peak memory of each, and
// each phase's time against the floor's and against cp -a + sync. With
// --rounds N (for a busy machine) cp-sync and the batch phases run N times in
// turn and their medians are compared; --batch runs another brisko-batch.
// --library-only makes the library in FOLDER/library and stops (for
// bench/filesystems_bench.py, which times it on other file systems).
// (perf record on a phase shows where its time goes.)
#include "benchcorpus.h"

#include "engine/convert/artconversion.h"
#include "engine/tags/id3v2/id3v2raw.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/tags/taglibrary.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QMap>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Figures
{
    int files = 0;
    qint64 bytes = 0;
    int failures = 0;
};



Figures CopyAndFlush(const QString &folder)
{
    Figures figures;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (const QString &path : Files(folder)) {
        const QByteArray name = QFile::encodeName(path);
        const QByteArray copy = name + '~';
        const int in = ::open(name.constData(), O_RDONLY);
        const int out = ::open(copy.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        qint64 got = 0;
        bool ok = in >= 0 && out >= 0;
        while (ok && (got = ::read(in, buffer.data(), size_t(buffer.size()))) > 0) {
            ok = ::write(out, buffer.constData(), size_t(got)) == got;
            figures.bytes += got;
        }
        ok = ok && got == 0 && ::fsync(out) == 0;
        ::close(in);
        ok = ::close(out) == 0 && ok && ::rename(copy.constData(), name.constData()) == 0;
        figures.failures += !ok;
        ++figures.files;
    }
    return figures;
}

Figures Convert(const QString &folder)
{
    Figures figures;
    TagLibrary tags;
    PictureEncoder encoder;
    for (const QString &path : Files(folder)) {
        ++figures.files;
        figures.bytes += QFileInfo(path).size();
        const Result<ArtConversion> converted = ConvertArt(tags, encoder, path, ArtRequest());
        if (!converted || converted->outcome != ArtOutcome::Resized)
            ++figures.failures;
    }
    return figures;
}

void Report(const char *name, const Figures &figures, double seconds)
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-8s %4d files %8.1f MB %7.2f s %8.1f files/s %8.1f MB/s  peak %6.1f MB  failures %d\n",
                name, figures.files, figures.bytes / 1e6, seconds, figures.files / seconds,
                figures.bytes / 1e6 / seconds, usage.ru_maxrss / 1024.0, figures.failures);
    std::fflush(stdout);
}

// A fresh copy of the library for a phase, so every phase starts from the
// same files (already in the page cache, as for every phase).
bool FreshCopy(const QString &from, const QString &to)
{
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    for (const QString &file : Files(from))
        if (!QFile::copy(file, QDir(to).filePath(QFileInfo(file).fileName())))
            return false;
    // On disk before the clock starts: a phase flushes its own writes only.
    ::sync();
    return true;
}

// cp -a of a fresh copy to a new folder, then sync, timed together as a
// user would at the prompt. Returns the seconds, or -1.
double CopyAndSyncByHand(const QString &library, const QString &work)
{
    const QString copy = work + QStringLiteral("-cp");
    QDir(copy).removeRecursively();
    if (!FreshCopy(library, work))
        return -1;
    QElapsedTimer clock;
    clock.start();
    if (QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), work, copy}) != 0
        || QProcess::execute(QStringLiteral("sync"), {}) != 0)
        return -1;
    const double seconds = clock.nsecsElapsed() / 1e9;
    const int files = int(Files(copy).size());
    std::printf("%-8s %4d files %8s    %7.2f s %8.1f files/s\n", "cp-sync", files, "", seconds, files / seconds);
    std::fflush(stdout);
    QDir(copy).removeRecursively();
    return seconds;
}

// Each phase runs in a process of its own, so its time and memory are its
// own. (Not fork(): Qt's image scaling keeps a pool of threads, and a forked
// child has none of them.) Returns the phase's seconds, or -1.
QString &BatchProgram()
{
    static QString program;
    return program;
}

double RunPhase(const QString &phase, const QString &library, const QString &work)
{
    if (!FreshCopy(library, work))
        return -1;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer clock;
    if (phase.startsWith(QLatin1String("batch-"))) {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(BatchProgram(),
                      {QStringLiteral("--jobs"), phase.mid(6), QStringLiteral("--size"), QStringLiteral("250"),
                       QStringLiteral("--quality"), QStringLiteral("80"), work});
        clock.start();
        if (!process.waitForFinished(-1) || process.exitCode() != 0)
            return -1;
        const double seconds = clock.nsecsElapsed() / 1e9;
        const int files = int(Files(work).size());
        std::printf("%-8s %4d files %8s    %7.2f s %8.1f files/s\n", qPrintable(phase), files, "", seconds,
                    files / seconds);
        std::fflush(stdout);
        return seconds;
    }
    process.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--phase"), phase, QStringLiteral("--dir"), work});
    clock.start();
    return process.waitForFinished(-1) && process.exitCode() == 0 ? clock.nsecsElapsed() / 1e9 : -1;
}

// cp-sync, batch-1 and batch-2 in turn, rounds times: on a machine that is
// busy with other work, their medians still compare.
int CompareInRounds(int rounds, const QString &library, const QString &work)
{
    QMap<QString, QList<double>> times;
    for (int round = 0; round < rounds; ++round) {
        times[QStringLiteral("cp-sync")] << CopyAndSyncByHand(library, work);
        for (const char *name : {"batch-1", "batch-2"})
            times[QLatin1String(name)] << RunPhase(QLatin1String(name), library, work);
    }
    const auto median = [](QList<double> seconds) {
        std::sort(seconds.begin(), seconds.end());
        return seconds.at(seconds.size() / 2);
    };
    const double byHand = median(times.value(QStringLiteral("cp-sync")));
    if (byHand <= 0)
        return 1;
    std::printf("medians of %d rounds: cp-sync %.2f s\n", rounds, byHand);
    for (const char *name : {"batch-1", "batch-2"}) {
        const double seconds = median(times.value(QLatin1String(name)));
        if (seconds <= 0)
            return 1;
        std::printf("         %s %.2f s, %.2f x cp -a + sync\n", name, seconds, seconds / byHand);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int count = 200;
    QString folder;
    bool keep = false;
    CorpusShape shape;
    QString phase;
    int rounds = 1;
    bool libraryOnly = false;
    BatchProgram() = QCoreApplication::applicationDirPath() + QStringLiteral("/brisko-batch");
    const QStringList arguments = app.arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--files") && i + 1 < arguments.size())
            count = qMax(1, arguments.at(++i).toInt());
        else if (arguments.at(i) == QLatin1String("--dir") && i + 1 < arguments.size())
            folder = arguments.at(++i);
        else if (arguments.at(i) == QLatin1String("--keep"))
            keep = true;
        else if (arguments.at(i) == QLatin1String("--unique-art"))
            shape.uniqueArt = true;
        else if (arguments.at(i) == QLatin1String("--phase") && i + 1 < arguments.size())
            phase = arguments.at(++i);
        else if (arguments.at(i) == QLatin1String("--rounds") && i + 1 < arguments.size())
            rounds = qMax(1, arguments.at(++i).toInt());
        else if (arguments.at(i) == QLatin1String("--batch") && i + 1 < arguments.size())
            BatchProgram() = arguments.at(++i);
        else if (arguments.at(i) == QLatin1String("--library-only"))
            libraryOnly = true;
        else {
            std::fprintf(stderr, "usage: conversion_bench [--files N] [--dir FOLDER] [--keep] [--unique-art]"
                                 " [--rounds N] [--batch PROGRAM] [--library-only]\n");
            return 2;
        }
    }
    if (!phase.isEmpty()) {
        QElapsedTimer clock;
        clock.start();
        const Figures figures = phase == QLatin1String("floor") ? CopyAndFlush(folder) : Convert(folder);
        Report(qPrintable(phase), figures, clock.nsecsElapsed() / 1e9);
        return 0;
    }

    QTemporaryDir temporary;
    if (folder.isEmpty())
        folder = temporary.path();
    QDir().mkpath(folder);
    temporary.setAutoRemove(!keep && !libraryOnly);

    QElapsedTimer clock;
    clock.start();
    const QString library = folder + QStringLiteral("/library");
    const QString work = folder + QStringLiteral("/work");
    QDir().mkpath(library);
    const qint64 total = Generate(library, count, shape);
    std::printf("library  %4d files %8.1f MB, made in %.1f s, in %s\n", count, total / 1e6,
                clock.nsecsElapsed() / 1e9, qPrintable(library));
    std::fflush(stdout);
    if (libraryOnly)
        return 0;

    if (rounds > 1)
        return CompareInRounds(rounds, library, work);
    const double byHand = CopyAndSyncByHand(library, work);
    if (byHand <= 0)
        return 1;
    const double floor = RunPhase(QStringLiteral("floor"), library, work);
    if (floor <= 0)
        return 1;
    std::printf("         floor costs %.2f x cp -a + sync\n", floor / byHand);
    for (const char *name : {"convert", "batch-1", "batch-2"}) {
        const double seconds = RunPhase(QLatin1String(name), library, work);
        if (seconds < 0)
            return 1;
        std::printf("         %s costs %.2f x the floor\n", name, seconds / floor);
        std::printf("         %s costs %.2f x cp -a + sync\n", name, seconds / byHand);
    }
    return 0;
}
