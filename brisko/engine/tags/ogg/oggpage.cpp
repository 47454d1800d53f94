// SPDX-License-Identifier: MIT
#include "engine/tags/ogg/oggpage.h"

#include "base/byteorder.h"
#include "base/sharedbytes.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/tags/tagbytes.h"

#include <array>

namespace Ogg {

namespace {

constexpr int HeaderSize = 27;
constexpr int CrcAt = 22;
// libogg's header pages hold 4096 bytes: 16 full segments.
constexpr qsizetype SegmentsPerPage = 16;

// Ogg's CRC-32: polynomial 0x04C11DB7, not reflected, starting at 0. Every
// audio page is summed when it is read and again when the new copy is
// checked, so it takes eight bytes a step through eight tables ("slicing by
// 8"): table k gives a byte's sum followed by k zero bytes.
using CrcTables = std::array<std::array<quint32, 256>, 8>;

const CrcTables &Tables()
{
    static const CrcTables tables = [] {
        CrcTables made {};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 value = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 0x80000000u) ? (value << 1) ^ 0x04C11DB7u : value << 1;
            made[0][i] = value;
        }
        for (size_t k = 1; k < made.size(); ++k) {
            for (quint32 i = 0; i < 256; ++i)
                made[k][i] = (made[k - 1][i] << 8) ^ made[0][made[k - 1][i] >> 24];
        }
        return made;
    }();
    return tables;
}

quint32 Crc(quint32 crc, const char *data, qint64 size)
{
    const CrcTables &table = Tables();
    const auto *bytes = reinterpret_cast<const uchar *>(data);
    for (; size >= 8; size -= 8, bytes += 8) {
        const quint32 high = crc ^ BigEndian(bytes, 4);
        const quint32 low = BigEndian(bytes + 4, 4);
        crc = table[7][high >> 24] ^ table[6][(high >> 16) & 0xFF] ^ table[5][(high >> 8) & 0xFF]
              ^ table[4][high & 0xFF] ^ table[3][low >> 24] ^ table[2][(low >> 16) & 0xFF]
              ^ table[1][(low >> 8) & 0xFF] ^ table[0][low & 0xFF];
    }
    for (; size > 0; --size, ++bytes)
        crc = (crc << 8) ^ table[0][(crc >> 24) ^ *bytes];
    return crc;
}

// The sum of a whole page, its own CRC field taken as zero.
quint32 PageCrc(const QByteArray &page)
{
    const quint32 head = Crc(Crc(0, page.constData(), CrcAt), "\0\0\0\0", 4);
    return Crc(head, page.constData() + CrcAt + 4, page.size() - CrcAt - 4);
}

Failure NoPage(qint64 offset, const char *why)
{
    return Failure{TagLibraryError::TagUnreadable, EnglishText("Engine", why).arg(offset)};
}

} // namespace

Result<Page> ReadPage(ByteReader &reader, qint64 offset)
{
    const std::optional<QByteArray> header = reader.Read(offset, HeaderSize);
    if (!header || !header->startsWith("OggS"))
        return NoPage(offset, QT_TRANSLATE_NOOP("Engine", "no Ogg page at byte %1"));
    if (header->at(4) != 0)
        return NoPage(offset, QT_TRANSLATE_NOOP("Engine", "an Ogg page of an unknown version at byte %1"));
    const int segments = uchar(header->at(26));
    const std::optional<QByteArray> lacing = reader.Read(offset + HeaderSize, segments);
    qint64 bodySize = 0;
    for (const char length : lacing.value_or(QByteArray()))
        bodySize += uchar(length);
    const std::optional<QByteArray> whole = lacing ? reader.Read(offset, HeaderSize + segments + bodySize) : lacing;
    if (!whole)
        return NoPage(offset, QT_TRANSLATE_NOOP("Engine", "the Ogg page at byte %1 runs past the end of the file"));
    if (PageCrc(*whole) != LittleEndian(*whole, CrcAt, 4))
        return NoPage(offset, QT_TRANSLATE_NOOP("Engine", "the Ogg page at byte %1 fails its CRC check"));

    Page page;
    page.flags = quint8(header->at(5));
    page.granule = qint64(quint64(LittleEndian(*header, 6, 4)) | (quint64(LittleEndian(*header, 10, 4)) << 32));
    page.serial = LittleEndian(*header, 14, 4);
    page.sequence = LittleEndian(*header, 18, 4);
    // Slices of what was read: most pages are only compared, never copied.
    page.lacing = SharedSlice(*whole, HeaderSize, segments);
    page.body = SharedSlice(*whole, HeaderSize + segments, bodySize);
    page.offset = offset;
    page.size = whole->size();
    return page;
}

QByteArray RenderPage(const Page &page)
{
    QByteArray bytes("OggS", 4);
    bytes.append('\0');
    bytes.append(char(page.flags));
    AppendLittleEndian(&bytes, quint32(quint64(page.granule) & 0xFFFFFFFFu), 4);
    AppendLittleEndian(&bytes, quint32(quint64(page.granule) >> 32), 4);
    AppendLittleEndian(&bytes, page.serial, 4);
    AppendLittleEndian(&bytes, page.sequence, 4);
    AppendLittleEndian(&bytes, 0, 4);
    bytes.append(char(page.lacing.size()));
    bytes.append(page.lacing);
    bytes.append(page.body);
    const quint32 crc = PageCrc(bytes);
    for (int i = 0; i < 4; ++i)
        bytes[CrcAt + i] = char((crc >> (8 * i)) & 0xFF);
    return bytes;
}

QList<Page> Paginate(const QList<QByteArray> &packets, qsizetype pageCount, quint32 serial, quint32 first)
{
    // Each packet is segments of 255 bytes and a last shorter one (of 0 bytes
    // after a multiple of 255): that shorter one ends it.
    QByteArray lacing;
    QByteArray body;
    for (const QByteArray &packet : packets) {
        lacing.append(QByteArray(packet.size() / 255, char(255)));
        lacing.append(char(packet.size() % 255));
        body.append(packet);
    }
    const qsizetype total = lacing.size();
    const bool sameCount = pageCount > 0 && pageCount <= total && total <= 255 * pageCount;
    if (!sameCount)
        pageCount = (total + SegmentsPerPage - 1) / SegmentsPerPage;

    QList<Page> pages;
    qsizetype segment = 0;
    qint64 at = 0;
    bool inPacket = false;
    for (qsizetype i = 0; i < pageCount; ++i) {
        // Spread evenly: the first pages take one segment more.
        const qsizetype count = sameCount ? total / pageCount + (i < total % pageCount ? 1 : 0)
                                          : qMin(SegmentsPerPage, total - segment);
        Page page;
        page.flags = inPacket ? Continued : 0;
        page.serial = serial;
        page.sequence = first + quint32(i);
        page.granule = -1;
        page.lacing = lacing.mid(segment, count);
        qint64 bytes = 0;
        for (const char length : std::as_const(page.lacing)) {
            bytes += uchar(length);
            inPacket = uchar(length) == 255;
            if (!inPacket)
                page.granule = 0;
        }
        page.body = body.mid(at, bytes);
        at += bytes;
        segment += count;
        pages.append(page);
    }
    return pages;
}

} // namespace Ogg
