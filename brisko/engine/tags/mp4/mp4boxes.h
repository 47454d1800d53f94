// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QList>
#include <QString>

// An MP4 file's boxes (atoms), read from its descriptor and checked before
// anything is written: the boxes of the file are walked by their headers,
// and only moov is read into memory, with the boxes inside it that lead to
// the tags (moov/udta/meta/ilst) and to the chunk offsets (stco, co64) of
// every track. The media data is never read.
namespace Mp4 {

constexpr quint32 Fourcc(const char (&name)[5])
{
    return quint32(uchar(name[0])) << 24 | quint32(uchar(name[1])) << 16 | quint32(uchar(name[2])) << 8
           | quint32(uchar(name[3]));
}
// A box's type as its four bytes ("moov", "\xA9nam").
QByteArray TypeName(quint32 type);

// Real files hold a few hundred boxes, nested six deep; the bounds keep a
// file of nothing but tiny or nested boxes from costing memory and time.
constexpr int MostDepth = 16;
constexpr int MostBoxes = 100000;

struct Box
{
    quint32 type = 0;
    qint64 at = 0;     // its header's place: in the file for the file's own boxes, else in moov's bytes
    qint64 size = 0;   // header and body
    int header = 8;    // 16 with a 64-bit size
    int parent = -1;   // its index in the same list; -1 for a box of the file itself
    bool toEnd = false; // its size field says 0: it runs to the end of the file
    bool holds = false; // its children were read (moov, trak, udta, ilst, ...)

    qint64 End() const { return at + size; }
};

struct File
{
    QList<Box> boxes;     // the file's own boxes, in stored order
    int moov = -1;        // moov's index among them
    QByteArray moovBytes; // moov whole, header included
    QList<Box> tree;      // moov (at 0) and the boxes read inside it, parents before their children
    // Indexes in tree, -1 when the file has none.
    int udta = -1, meta = -1, ilst = -1, covr = -1;
    QList<int> items;        // the children of ilst, in stored order
    QList<int> chunkOffsets; // every stco and co64 box
    bool fragmented = false; // moof, mfra or mvex boxes: fragment offsets that are not moved
    // A sidx box before moov indexes bytes after moov's start: its offsets,
    // counted from itself, would not follow them when moov changes its size.
    bool indexAcrossMoov = false;
    bool metaVersion = true; // meta carries a full box's version and flags; QuickTime's older one does not
    qint64 size = 0;         // of the whole file
    QString problem;         // why the file must not be written; empty when it may be
    Result<void> reading;    // why a read failed, if one did

    qint64 MoovStart() const { return moov < 0 ? 0 : boxes.at(moov).at; }
    qint64 MoovEnd() const { return moov < 0 ? 0 : boxes.at(moov).End(); }
    // The body of a box in tree, after the version and flags of a full box (meta, where it has them).
    QByteArray Body(int index) const;
    // The indexes in tree of a box's children, in stored order.
    QList<int> Children(int index) const;
};

File ReadFile(int fd, qint64 fileSize);

// The entries of an stco or co64 box that the read checked.
QList<quint64> ChunkOffsets(const File &file, int index);

} // namespace Mp4
