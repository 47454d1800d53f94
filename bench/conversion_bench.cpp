// How fast the art of many MP3 files is converted, against the floor of
// copying and flushing the same files.
//
//   conversion_bench [--files N] [--dir FOLDER] [--keep]
//
// Builds a library of N MP3 files of 3 to 8 MB (albums of 10 to 15 tracks
// sharing byte-identical art: JPEGs of 1000 to 1500 or 3000 pixels, some
// progressive, some PNG), then in separate processes:
//   floor    copies every file beside itself, flushes it and renames it over
//            the original, as a save does at the least;
//   convert  does the work of one conversion per file without a window:
//            picture 1 out, measured, resized to 250 at quality 80, put back,
//            saved, modification time restored.
// Prints files per second, megabytes per second and peak memory of each.
// (perf record on the convert phase shows where its time goes.)
#include "processing/artconversion.h"
#include "processing/id3v2raw.h"
#include "processing/pictureencoder.h"
#include "processing/taglibrary.h"
#include "shell/briskoerror.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

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



QByteArray Art(int side, bool progressive, bool png, quint32 seed)
{
    // A photograph-like picture: gradients, shapes and grain, so the JPEG
    // has the size real cover art has.
    QImage image(side, side, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, side, side);
    gradient.setColorAt(0, QColor::fromHsv(int(random.bounded(360)), 180, 220));
    gradient.setColorAt(1, QColor::fromHsv(int(random.bounded(360)), 200, 90));
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 40; ++i) {
        painter.setBrush(QColor::fromHsv(int(random.bounded(360)), 160, 200, 150));
        painter.setPen(Qt::NoPen);
        const int r = int(random.bounded(side / 4)) + side / 20;
        painter.drawEllipse(QPoint(int(random.bounded(side)), int(random.bounded(side))), r, r);
    }
    painter.end();
    for (int y = 0; y < side; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < side; ++x) {
            const int grain = int(random.bounded(24)) - 12;
            const QRgb p = line[x];
            line[x] = qRgb(qBound(0, qRed(p) + grain, 255), qBound(0, qGreen(p) + grain, 255),
                           qBound(0, qBlue(p) + grain, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, png ? "png" : "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

QByteArray Audio(qint64 size, quint32 seed)
{
    QByteArray audio(int(size), Qt::Uninitialized);
    quint64 state = seed * 0x9E3779B97F4A7C15ull + 1;
    auto *words = reinterpret_cast<quint64 *>(audio.data());
    for (qint64 i = 0; i < size / 8; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        words[i] = state & 0x7F7F7F7F7F7F7F7Full; // no false frame syncs
    }
    for (qint64 at = 0; at + 4 <= size; at += 417) { // MPEG-1 Layer III frame headers
        audio[int(at)] = char(0xFF);
        audio[int(at + 1)] = char(0xFB);
        audio[int(at + 2)] = char(0x90);
        audio[int(at + 3)] = char(0x64);
    }
    return audio;
}

Id3v2::Frame Text(const char *id, const QString &text)
{
    return Id3v2::MakeFrame(id, QByteArray(1, '\0') + text.toLatin1(), 3);
}

qint64 Generate(const QString &folder, int count)
{
    QRandomGenerator random(2026);
    qint64 total = 0;
    int made = 0;
    for (int album = 0; made < count; ++album) {
        const int tracks = qMin(count - made, 10 + int(random.bounded(6)));
        const int kind = album % 6; // 1500, 1000, 3000 px, progressive, PNG ...
        const int side = kind == 2 ? 3000 : kind == 1 ? 1000 : 1000 + int(random.bounded(501));
        const QByteArray art = Art(side, kind == 3, kind == 4, quint32(album));
        const QByteArray mime = kind == 4 ? "image/png" : "image/jpeg";
        const Id3v2::Frame picture = Id3v2::MakeFrame(
            "APIC", QByteArray(1, '\0') + mime + '\0' + char(3) + '\0' + art, 3);
        for (int track = 1; track <= tracks; ++track, ++made) {
            Id3v2::Tag tag;
            tag.present = true;
            tag.major = 3;
            tag.frames = {Text("TIT2", QStringLiteral("Track %1").arg(track)),
                          Text("TPE1", QStringLiteral("Artist %1").arg(album)),
                          Text("TALB", QStringLiteral("Album %1").arg(album)),
                          Text("TRCK", QStringLiteral("%1/%2").arg(track).arg(tracks)), picture};
            qint64 withPadding = Id3v2::HeaderSize + 2048;
            for (const Id3v2::Frame &frame : tag.frames)
                withPadding += frame.bytes.size();
            const QByteArray bytes = Id3v2::Render(tag, withPadding)
                + Audio(3'000'000 + qint64(random.bounded(5'000'000)), quint32(made));
            QFile file(QStringLiteral("%1/%2-%3.mp3").arg(folder).arg(album, 3, 10, QLatin1Char('0')).arg(track, 2, 10, QLatin1Char('0')));
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                qFatal("cannot write the library");
            total += bytes.size();
        }
    }
    return total;
}

QStringList Files(const QString &folder)
{
    QStringList files;
    for (const QString &name : QDir(folder).entryList({QStringLiteral("*.mp3")}, QDir::Files, QDir::Name))
        files << QDir(folder).filePath(name);
    return files;
}

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
        try {
            if (ConvertArt(tags, encoder, path, 250, 80).outcome != ArtOutcome::Resized)
                ++figures.failures;
        } catch (const BriskoError &) {
            ++figures.failures;
        }
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

// Each phase runs in a process of its own, so its time and memory are its
// own. (Not fork(): Qt's image scaling keeps a pool of threads, and a forked
// child has none of them.)
bool RunPhase(const QString &phase, const QString &folder)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--phase"), phase, QStringLiteral("--dir"), folder});
    return process.waitForFinished(-1) && process.exitCode() == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int count = 200;
    QString folder;
    bool keep = false;
    QString phase;
    const QStringList arguments = app.arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--files") && i + 1 < arguments.size())
            count = qMax(1, arguments.at(++i).toInt());
        else if (arguments.at(i) == QLatin1String("--dir") && i + 1 < arguments.size())
            folder = arguments.at(++i);
        else if (arguments.at(i) == QLatin1String("--keep"))
            keep = true;
        else if (arguments.at(i) == QLatin1String("--phase") && i + 1 < arguments.size())
            phase = arguments.at(++i);
        else {
            std::fprintf(stderr, "usage: conversion_bench [--files N] [--dir FOLDER] [--keep]\n");
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
    temporary.setAutoRemove(!keep);

    QElapsedTimer clock;
    clock.start();
    const qint64 total = Generate(folder, count);
    std::printf("library  %4d files %8.1f MB, made in %.1f s, in %s\n", count, total / 1e6,
                clock.nsecsElapsed() / 1e9, qPrintable(folder));
    std::fflush(stdout);

    const bool done = RunPhase(QStringLiteral("floor"), folder) && RunPhase(QStringLiteral("convert"), folder);
    return done ? 0 : 1;
}
