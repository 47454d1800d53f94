// SPDX-License-Identifier: MIT
#include "engine/tags/vorbis/tagbytes.h"

#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/tags/id3v2/id3v2raw.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr qint64 WindowSize = 1 << 20;
}

std::optional<QByteArray> ByteReader::Read(qint64 offset, qint64 size)
{
    if (offset < 0 || size < 0 || offset > size_ || size > size_ - offset)
        return std::nullopt;
    if (size > WindowSize)
        return ReadDirect(offset, size);
    if (offset < windowAt_ || offset + size > windowAt_ + window_.size()) {
        std::optional<QByteArray> loaded = ReadDirect(offset, qMin(WindowSize, size_ - offset));
        if (!loaded)
            return std::nullopt;
        window_ = *loaded;
        windowAt_ = offset;
    }
    return window_.mid(offset - windowAt_, size);
}

std::optional<QByteArray> ByteReader::ReadDirect(qint64 offset, qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    qint64 got = 0;
    while (got < size) {
        const ssize_t now = ::pread(fd_, bytes.data() + got, size_t(size - got), offset + got);
        if (now < 0 && errno == EINTR)
            continue;
        if (now <= 0) {
            error_ = now < 0 ? errno : EIO; // unreadable, or shorter than it was
            return std::nullopt;
        }
        got += now;
    }
    return bytes;
}

Failure ReadFailure(int error)
{
    return Failure{TagLibraryError::CannotRead,
                   EnglishText("Engine", "cannot read the file: %1").arg(QString::fromLocal8Bit(std::strerror(error)))};
}

qint64 SizeOfFile(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? qint64(info.st_size) : -1;
}

quint32 LittleEndian32(const QByteArray &bytes, qint64 at)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | uchar(bytes.at(at + i));
    return value;
}

quint32 BigEndian(const QByteArray &bytes, qint64 at, int count)
{
    quint32 value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | uchar(bytes.at(at + i));
    return value;
}

quint64 BigEndian64(const QByteArray &bytes, qint64 at)
{
    return quint64(BigEndian(bytes, at, 4)) << 32 | BigEndian(bytes, at + 4, 4);
}

void AppendLittleEndian32(QByteArray *bytes, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes->append(char((value >> (8 * i)) & 0xFF));
}

void AppendBigEndian(QByteArray *bytes, quint32 value, int count)
{
    for (int i = count - 1; i >= 0; --i)
        bytes->append(char((value >> (8 * i)) & 0xFF));
}

void AppendBigEndian64(QByteArray *bytes, quint64 value)
{
    AppendBigEndian(bytes, quint32(value >> 32), 4);
    AppendBigEndian(bytes, quint32(value), 4);
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

bool SameBytesToEnd(int a, qint64 fromA, int b, qint64 fromB)
{
    const qint64 sizeA = SizeOfFile(a);
    const qint64 sizeB = SizeOfFile(b);
    return sizeA >= fromA && sizeB >= fromB && sizeA - fromA == sizeB - fromB
           && SameBytes(a, fromA, b, fromB, sizeA - fromA);
}

bool SameBytes(int a, qint64 fromA, int b, qint64 fromB, qint64 count)
{
    ByteReader mine(a, SizeOfFile(a));
    ByteReader theirs(b, SizeOfFile(b));
    for (qint64 done = 0; done < count; done += WindowSize) {
        const qint64 chunk = qMin(WindowSize, count - done);
        const std::optional<QByteArray> x = mine.Read(fromA + done, chunk);
        const std::optional<QByteArray> y = theirs.Read(fromB + done, chunk);
        if (!x || !y || *x != *y)
            return false;
    }
    return true;
}
