// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QByteArray>

// What the formats look at to tell their files apart, read once when the
// file is opened: its first bytes, and the first bytes of its stream behind
// an ID3v2 tag that some writers put in front of any format. The descriptor
// lets a format look further (an MP4 file's boxes may start with its media).
struct FileStart
{
    int fd = -1;
    qint64 size = 0;
    QByteArray head;       // the first HeadSize bytes, or the whole of a smaller file
    qint64 streamAt = 0;   // where the bytes after an ID3v2 tag at the start begin; 0 without one
    QByteArray stream;     // the first StreamBytes there (head's own without a tag)

    // Far enough for MPEG frames that begin within the first 64 KB to be
    // followed by two more.
    static constexpr qint64 HeadSize = 64 * 1024 + 8 * 1024;
    // A whole Ogg page header with its segment table, and a first packet's start.
    static constexpr qint64 StreamBytes = 512;
};

// The start of the open file fd of size bytes, or why it cannot be read.
Result<FileStart> ReadFileStart(int fd, qint64 size);
