// SPDX-License-Identifier: MIT
#include "support/audiofixture.h"

#include "support/testfiles.h"

#include <QProcess>
#include <QtEndian>

namespace AudioFixture {

namespace {

QByteArray Le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray Be(quint32 value, int count)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes.right(count);
}

// Ogg's CRC, bit by bit: polynomial 0x04C11DB7, not reflected.
quint32 OggCrc(const QByteArray &bytes)
{
    quint32 crc = 0;
    for (const char byte : bytes) {
        crc ^= quint32(uchar(byte)) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

QByteArray Page(quint8 flags, qint64 granule, quint32 serial, quint32 sequence, const QByteArray &lacing,
                const QByteArray &body)
{
    QByteArray page = QByteArray("OggS\0", 5) + char(flags) + Le32(quint32(granule)) + Le32(quint32(granule >> 32))
                      + Le32(serial) + Le32(sequence) + Le32(0) + char(lacing.size()) + lacing + body;
    qToLittleEndian(OggCrc(page), page.data() + 22);
    return page;
}

} // namespace

bool MakeTones(const QString &folder, Tones *tones)
{
    const auto make = [&folder](const char *name, QByteArray *bytes) {
        const QString path = folder + u'/' + QLatin1String(name);
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     QStringLiteral("-v error -f lavfi -i sine=frequency=440:duration=0.5 -ac 2").split(u' ') << path);
        *bytes = ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0 ? TestFiles::Read(path) : QByteArray();
        return !bytes->isEmpty();
    };
    const QString oggFlac = folder + QStringLiteral("/t.oga");
    return make("t.flac", &tones->flac) && make("t.ogg", &tones->vorbis) && make("t.opus", &tones->opus)
           && make("t.m4a", &tones->m4a)
           && QProcess::execute(QStringLiteral("flac"), {QStringLiteral("-s"), QStringLiteral("--ogg"), QStringLiteral("-o"),
                                                       oggFlac, folder + QStringLiteral("/t.flac")}) == 0
           && !(tones->oggFlac = TestFiles::Read(oggFlac)).isEmpty();
}

QByteArray MadeUpFrame()
{
    return QByteArray("\xFF\xF8\x69\x08", 4) + QByteArray(100, 'a');
}

OggParts MadeUpOgg(quint32 serial, quint32 audioSerial)
{
    OggParts parts;
    parts.serial = serial;
    QByteArray page = QByteArray("OggS\0\x04", 6) + QByteArray(20, '\0') + QByteArray("\x01\x08" "audio...", 10);
    qToLittleEndian(audioSerial, page.data() + 14);
    parts.audioPages = {page};
    return parts;
}

QByteArray MadeUpOpus(const QList<QByteArray> &entries, quint32 audioSerial)
{
    return Ogg({QByteArray("OpusHead\x01\x02", 10) + QByteArray(9, '\0'), OpusTags(entries)}, MadeUpOgg(7, audioSerial));
}

QByteArray Mp4Box(const QByteArray &type, const QByteArray &body)
{
    return Be(quint32(8 + body.size()), 4) + type + body;
}

QByteArray Mp4Data(quint32 dataType, const QByteArray &payload)
{
    return Mp4Box("data", Be(dataType, 4) + Be(0, 4) + payload);
}

QByteArray Mp4Item(const QByteArray &name, const QByteArray &payload, quint32 dataType)
{
    return Mp4Box(name, Mp4Data(dataType, payload));
}

QByteArray Udta(const QByteArray &items, const QByteArray &more, const QByteArray &around)
{
    const QByteArray handler = Mp4Box("hdlr", QByteArray(8, '\0') + "mdirappl" + QByteArray(9, '\0'));
    return Mp4Box("udta", Mp4Box("meta", QByteArray(4, '\0') + handler + around + Mp4Box("ilst", items) + around) + more);
}

QList<QByteArray> Mp4Boxes(const QByteArray &bytes)
{
    QList<QByteArray> boxes;
    for (qsizetype at = 0; at + 8 <= bytes.size(); at += boxes.last().size()) {
        const quint32 size = qFromBigEndian<quint32>(bytes.constData() + at);
        const qint64 whole = size == 1 && at + 16 <= bytes.size() ? qFromBigEndian<qint64>(bytes.constData() + at + 8) : size;
        if (whole < 8 || whole > bytes.size() - at)
            break;
        boxes << bytes.mid(at, whole);
    }
    return boxes;
}

namespace {

// The tracks with every chunk offset moved by `by`, in co64 boxes if asked.
QByteArray MovedOffsets(const QByteArray &boxes, qint64 by, bool co64)
{
    QByteArray moved;
    for (const QByteArray &box : Mp4Boxes(boxes)) {
        const QByteArray type = box.mid(4, 4);
        const int width = type == "co64" ? 8 : 4;
        QByteArray entries = box.mid(8, 8); // version, flags and count
        for (qsizetype at = 16; (type == "stco" || type == "co64") && at + width <= box.size(); at += width) {
            const qint64 offset = by + (width == 8 ? qFromBigEndian<qint64>(box.constData() + at)
                                                   : qFromBigEndian<quint32>(box.constData() + at));
            entries += (co64 ? Be(quint32(offset >> 32), 4) : QByteArray()) + Be(quint32(offset), 4);
        }
        if (QByteArrayList{"trak", "mdia", "minf", "stbl"}.contains(type))
            moved += Mp4Box(type, MovedOffsets(box.mid(8), by, co64));
        else
            moved += type == "stco" || type == "co64" ? Mp4Box(co64 ? "co64" : "stco", entries) : box;
    }
    return moved;
}

} // namespace

QByteArray Mp4(const QByteArray &source, const QByteArray &moovBoxes, int layout, const QByteArray &between)
{
    const bool moovFirst = !(layout & MoovLast), wide = layout & Wide;
    QByteArray ftyp, tracks, media;
    qint64 mediaWas = 0;
    for (const QByteArray &box : Mp4Boxes(source)) {
        const QByteArray type = box.mid(4, 4);
        ftyp += type == "ftyp" ? box : QByteArray();
        if (type == "mdat") {
            media = box.mid(qFromBigEndian<quint32>(box.constData()) == 1 ? 16 : 8);
            mediaWas = source.indexOf(box) + box.size() - media.size();
        }
        for (const QByteArray &child : type == "moov" ? Mp4Boxes(box.mid(8)) : QList<QByteArray>())
            tracks += child.mid(4, 4) == "udta" ? QByteArray() : child;
    }
    const QByteArray mdat =
        wide ? Be(1, 4) + "mdat" + Be(0, 4) + Be(quint32(16 + media.size()), 4) + media : Mp4Box("mdat", media);
    const qint64 moovSize = 8 + MovedOffsets(tracks, 0, wide).size() + moovBoxes.size();
    const qint64 mediaAt = ftyp.size() + (moovFirst ? moovSize + between.size() : 0) + mdat.size() - media.size();
    const QByteArray moov = Mp4Box("moov", MovedOffsets(tracks, mediaAt - mediaWas, wide) + moovBoxes);
    return ftyp + (moovFirst ? moov + between + mdat : mdat + between + moov);
}

QByteArray CommentList(const QList<QByteArray> &entries, const QByteArray &vendor)
{
    QByteArray list = Le32(quint32(vendor.size())) + vendor + Le32(quint32(entries.size()));
    for (const QByteArray &entry : entries)
        list += Le32(quint32(entry.size())) + entry;
    return list;
}

QByteArray PictureBody(quint32 type, const QByteArray &mime, const QByteArray &description, const QByteArray &data)
{
    return Be(type, 4) + Be(quint32(mime.size()), 4) + mime + Be(quint32(description.size()), 4) + description
           + QByteArray(16, '\0') + Be(quint32(data.size()), 4) + data;
}

QByteArray Flac(const QList<Block> &blocks, const QByteArray &audio)
{
    QByteArray file = "fLaC";
    for (int i = 0; i < blocks.size(); ++i)
        file += char(blocks.at(i).type | (i == blocks.size() - 1 ? 0x80 : 0)) + Be(quint32(blocks.at(i).body.size()), 3)
                + blocks.at(i).body;
    return file + audio;
}

FlacParts SplitFlac(const QByteArray &flac)
{
    qsizetype at = 4;
    bool last = false;
    while (!last && at + 4 <= flac.size()) {
        last = uchar(flac.at(at)) & 0x80;
        at += 4 + qFromBigEndian<quint32>(flac.constData() + at) % 0x1000000;
    }
    return {flac.mid(8, 34), flac.mid(at)};
}

QList<QByteArray> OggPages(const QByteArray &file)
{
    QList<QByteArray> pages;
    for (qsizetype at = 0; at + 27 <= file.size();) {
        const int segments = uchar(file.at(at + 26));
        qsizetype size = 27 + segments;
        for (int i = 0; i < segments; ++i)
            size += uchar(file.at(at + 27 + i));
        pages << file.mid(at, size);
        at += size;
    }
    return pages;
}

OggParts SplitOgg(const QByteArray &file)
{
    OggParts parts;
    const QList<QByteArray> pages = OggPages(file);
    QByteArray packet;
    qsizetype page = 0;
    const QByteArray &first = pages.first();
    const bool flac = first.mid(28, 5) == "\x7F" "FLAC";
    const int headers = flac ? 1 + qFromBigEndian<quint16>(first.constData() + 28 + 7) : first.contains("OpusHead") ? 2 : 3;
    for (; page < pages.size() && parts.headers.size() < headers; ++page) {
        const QByteArray &bytes = pages.at(page);
        const int segments = uchar(bytes.at(26));
        for (qsizetype i = 0, at = 27 + segments; i < segments; at += uchar(bytes.at(27 + i)), ++i) {
            packet += bytes.mid(at, uchar(bytes.at(27 + i)));
            if (uchar(bytes.at(27 + i)) < 255)
                parts.headers << std::exchange(packet, QByteArray());
        }
    }
    parts.serial = qFromLittleEndian<quint32>(pages.first().constData() + 14);
    parts.audioPages = pages.mid(page);
    return parts;
}

QByteArray Ogg(const QList<QByteArray> &headers, const OggParts &audio, int segments)
{
    QByteArray file = Page(0x02, 0, audio.serial, 0, QByteArray(1, char(headers.first().size())), headers.first());
    QByteArray lacing, body;
    for (const QByteArray &packet : headers.mid(1)) {
        lacing += QByteArray(packet.size() / 255, char(255)) + char(packet.size() % 255);
        body += packet;
    }
    quint32 sequence = 1;
    bool continued = false;
    for (qsizetype at = 0, bytes = 0; at < lacing.size(); at += segments, ++sequence) {
        const QByteArray mine = lacing.mid(at, segments);
        qsizetype size = 0;
        for (const char length : mine)
            size += uchar(length);
        const bool ends = mine.count(char(255)) < mine.size();
        file += Page(continued ? 0x01 : 0, ends ? 0 : -1, audio.serial, sequence, mine, body.mid(bytes, size));
        continued = uchar(mine.back()) == 255;
        bytes += size;
    }
    for (QByteArray page : audio.audioPages) {
        qToLittleEndian(sequence++, page.data() + 18);
        qToLittleEndian(quint32(0), page.data() + 22);
        qToLittleEndian(OggCrc(page), page.data() + 22);
        file += page;
    }
    return file;
}

QList<QByteArray> OggFlacHeaders(const QByteArray &first, const QList<Block> &blocks)
{
    QByteArray counted = first;
    qToBigEndian(quint16(blocks.size()), counted.data() + 7);
    QList<QByteArray> headers{counted};
    for (int i = 0; i < blocks.size(); ++i)
        headers << char(blocks.at(i).type | (i == blocks.size() - 1 ? 0x80 : 0)) + Be(quint32(blocks.at(i).body.size()), 3)
                       + blocks.at(i).body;
    return headers;
}

QByteArray VorbisComments(const QList<QByteArray> &entries, const QByteArray &framing)
{
    return "\x03vorbis" + CommentList(entries) + framing;
}

QByteArray OpusTags(const QList<QByteArray> &entries, const QByteArray &padding)
{
    return "OpusTags" + CommentList(entries) + padding;
}

QList<QByteArray> Unnumbered(QList<QByteArray> pages)
{
    for (QByteArray &page : pages)
        page.replace(18, 8, QByteArray(8, '\0'));
    return pages;
}

} // namespace AudioFixture
