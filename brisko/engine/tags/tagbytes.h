// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The most bytes of tags read into memory from a FLAC or Ogg file (its
// metadata blocks, its header packets): as much as an ID3v2 tag may take,
// far above real album art, and checked before anything is allocated.
constexpr qint64 MostTagBytes = 160LL << 20;

// Reads a file by offsets through a window of 64 KB, so that walking
// thousands of small headers costs few system calls. A file that ends
// early or cannot be read gives nothing; Failed() tells the two apart.
class ByteReader
{
public:
    ByteReader(int fd, qint64 size) : fd_(fd), size_(size) {}

    qint64 Size() const { return size_; }
    bool Failed() const { return !reading_.Ok(); }
    // Why a read failed, if one did.
    const Result<void> &Reading() const { return reading_; }
    // size bytes from offset, all of them, or nothing. What fits the window
    // comes as a slice of it (see SharedSlice), not a copy.
    std::optional<QByteArray> Read(qint64 offset, qint64 size);

private:
    std::optional<QByteArray> ReadDirect(qint64 offset, qint64 size);
    bool Load(qint64 offset);

    int fd_;
    qint64 size_;
    Result<void> reading_; // the first read that failed
    QByteArray window_;
    qint64 windowAt_ = 0;
};

// Up to count bytes at offset of the file behind fd, which is fileSize bytes
// long: fewer where it ends; or why they cannot be read.
Result<QByteArray> ReadUpTo(int fd, qint64 fileSize, qint64 offset, qint64 count);

// The size of the file behind fd; -1 when it cannot be told.
qint64 SizeOfFile(int fd);

// Where the stream of a FLAC or Ogg file begins: at its start, or after an
// ID3v2 tag that some writers put in front, whose bytes are kept as they are.
struct StreamStart
{
    qint64 offset = 0;
    QByteArray prefix;   // the ID3v2 tag's bytes
    QString problem;     // why the tag in front cannot be stepped over
};
StreamStart FindStreamStart(ByteReader &reader);
