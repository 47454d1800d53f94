// SPDX-License-Identifier: MIT
#include "benchcorpus.h"

#include "engine/tags/id3v2/id3v2raw.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

namespace {

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

} // namespace

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

qint64 Generate(const QString &folder, int count, const CorpusShape &shape)
{
    QRandomGenerator random(2026);
    qint64 total = 0;
    int made = 0;
    for (int album = 0; made < count; ++album) {
        const int tracks = qMin(count - made, 10 + int(random.bounded(6)));
        // One kind of art per album: ordinary, 3000 px, progressive, PNG ...
        const auto pictureOf = [&](int kind, quint32 seed) {
            const int side = kind == 2 ? 3000 : shape.artSide + int(random.bounded(shape.artSide / 2 + 1));
            const QByteArray art = Art(side, kind == 3, kind == 4, seed);
            const QByteArray mime = kind == 4 ? "image/png" : "image/jpeg";
            return Id3v2::MakeFrame("APIC", QByteArray(1, '\0') + mime + '\0' + char(3) + '\0' + art, 3);
        };
        const Id3v2::Frame shared = pictureOf(album % 6, quint32(album));
        for (int track = 1; track <= tracks; ++track, ++made) {
            const Id3v2::Frame picture = shape.uniqueArt ? pictureOf((album + track) % 6, quint32(made) + 100000)
                                                         : shared;
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
                + Audio(shape.audioBytes + qint64(random.bounded(quint32(shape.audioBytes * 5 / 3))), quint32(made));
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
