// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QList>

class ByteReader;

// Ogg pages: read and checked one at a time, and made anew for the header
// packets a change renders again.
namespace Ogg {

constexpr quint8 Continued = 0x01; // the page starts inside a packet
constexpr quint8 FirstPage = 0x02; // of its logical stream
constexpr quint8 LastPage = 0x04;

struct Page
{
    quint8 flags = 0;
    qint64 granule = 0;
    quint32 serial = 0;
    quint32 sequence = 0;
    QByteArray lacing; // the segment table: one length a segment, 255 for a packet that goes on
    QByteArray body;
    qint64 offset = 0; // where it was read; its size in the file is Bytes().size()
    qint64 size = 0;
};

// The page at offset, checked: "OggS", version 0, a segment table and body
// inside the file, and its CRC.
Result<Page> ReadPage(ByteReader &reader, qint64 offset);
// The page's bytes with its CRC.
QByteArray RenderPage(const Page &page);

// The packets laid out on pages of one stream, the first not continued:
// on pageCount pages where they fit them (each page holding at least one
// segment), else on pages of about 4 KB, as libogg makes header pages. A
// page on which a packet ends has granule position 0, the others -1. The
// sequence numbers count on from first.
QList<Page> Paginate(const QList<QByteArray> &packets, qsizetype pageCount, quint32 serial, quint32 first);

} // namespace Ogg
