// SPDX-License-Identifier: MIT
#include "engine/tags/tagbytes.h"

#include "base/sharedbytes.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/files/fullread.h"
#include "engine/tags/id3v2/id3v2raw.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Room for the largest Ogg page (65,307 bytes) in one piece; small enough
// that reading a few header bytes does not also copy the audio after them.
constexpr qint64 WindowSize = 64 * 1024;

} // namespace

std::optional<QByteArray> ByteReader::Read(qint64 offset, qint64 size)
{
    if (offset < 0 || size < 0 || offset > size_ || size > size_ - offset)
        return std::nullopt;
    if (size > WindowSize)
        return ReadDirect(offset, size);
    if ((offset < windowAt_ || offset + size > windowAt_ + window_.size()) && !Load(offset))
        return std::nullopt;
    return SharedSlice(window_, offset - windowAt_, size);
}

bool ByteReader::Load(qint64 offset)
{
    // The window's memory is filled again while no slice of it is held:
    // fresh pages for every load cost more than the reading.
    if (!window_.isDetached() || window_.capacity() < WindowSize)
        window_ = QByteArray(WindowSize, Qt::Uninitialized);
    window_.resize(qMin(WindowSize, size_ - offset));
    windowAt_ = offset;
    if (Result<void> read = ReadFully(fd_, window_.data(), offset, window_.size()); !read) {
        reading_ = std::move(read);
        window_.clear();
        return false;
    }
    return true;
}

std::optional<QByteArray> ByteReader::ReadDirect(qint64 offset, qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    if (Result<void> read = ReadFully(fd_, bytes.data(), offset, size); !read) {
        reading_ = std::move(read);
        return std::nullopt;
    }
    return bytes;
}

Result<QByteArray> ReadUpTo(int fd, qint64 fileSize, qint64 offset, qint64 count)
{
    // Not zeroed first: only what was read is kept, and a large tag's
    // zeroing cost as much as its reading.
    const qint64 size = qBound<qint64>(0, qMin(count, fileSize - offset), count);
    QByteArray bytes(size, Qt::Uninitialized);
    if (Result<void> read = ReadFully(fd, bytes.data(), offset, size); !read)
        return read.Why();
    return bytes;
}

qint64 SizeOfFile(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? qint64(info.st_size) : -1;
}

StreamStart FindStreamStart(ByteReader &reader)
{
    StreamStart start;
    const std::optional<QByteArray> header = reader.Read(0, Id3v2::HeaderSize);
    if (!header || !header->startsWith("ID3"))
        return start;
    const qint64 body = Id3v2::BodyEnd(*header);
    const int major = uchar(header->at(3));
    if (body == 0 || major < 2 || major > 4 || body > reader.Size()) {
        start.problem = EnglishText("Engine", "the ID3v2 tag in front of the stream is damaged");
        return start;
    }
    const std::optional<QByteArray> footer = reader.Read(body, Id3v2::FooterSize);
    start.offset = body + (footer && Id3v2::FooterFollows(*header, *footer) ? Id3v2::FooterSize : 0);
    if (start.offset > MostTagBytes) {
        start.problem = EnglishText("Engine", "the ID3v2 tag in front of the stream is too large");
        return start;
    }
    start.prefix = reader.Read(0, start.offset).value_or(QByteArray());
    return start;
}
