// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A FLAC file's metadata blocks as stored, read from the file's descriptor
// and checked before anything is written: the audio frames after them are
// never read into memory, only found.
namespace Flac {

enum BlockType { StreamInfo = 0, Padding = 1, Comments = 4, Picture = 6 };

// Real files hold a handful of blocks; a count bound keeps a file of
// nothing but empty blocks from costing memory and time.
constexpr int MostBlocks = 4096;
// A block's length field has 24 bits.
constexpr qint64 MostBlockBytes = 0xFFFFFF;

struct Block
{
    int type = 0;
    QByteArray body; // shares the bytes of the whole metadata

    bool operator==(const Block &other) const { return type == other.type && body == other.body; }
};

struct Metadata
{
    QByteArray prefix;     // an ID3v2 tag in front of "fLaC", kept as it is
    QList<Block> blocks;   // in stored order; the last one carries the last-block flag
    qint64 audioStart = 0; // where the first audio frame starts
    QString problem;       // why the file must not be written; empty when it may be
    Result<void> reading;  // why a read failed, if one did
};

Metadata ReadMetadata(int fd, qint64 fileSize);

// The bytes from the file's start to its first frame: the prefix, "fLaC",
// and every block with its header, the last-block flag on the last.
QByteArray RenderMetadata(const Metadata &metadata);

} // namespace Flac
