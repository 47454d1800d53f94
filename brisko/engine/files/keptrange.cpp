// SPDX-License-Identifier: MIT
#include "engine/files/keptrange.h"

#include "base/tagerrors.h"
#include "engine/files/fullread.h"
#include "engine/files/systemfailure.h"

#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr qint64 ChunkSize = 1 << 20;
constexpr qint64 SmallestBlock = 4096;
constexpr qint64 LargestBlock = 64 * 1024;

Failure ReadFailure()
{
    return SystemFailure(TagLibraryError::CannotRead, QT_TRANSLATE_NOOP("Engine", "cannot read the file: %1"));
}

Failure WriteFailure()
{
    return SystemFailure(TagLibraryError::WriteFailed, QT_TRANSLATE_NOOP("Engine", "cannot write the new file: %1"));
}

// Reads the bytes and writes them.
Result<void> CopyByHand(int from, qint64 offset, int to, qint64 size)
{
    std::vector<char> buffer(static_cast<size_t>(qMin(size, ChunkSize)));
    while (size > 0) {
        const qint64 chunk = qMin(size, ChunkSize);
        if (Result<void> read = ReadFully(from, buffer.data(), offset, chunk); !read)
            return read;
        if (Result<void> written = WriteAll(to, buffer.data(), chunk); !written)
            return written;
        offset += chunk;
        size -= chunk;
    }
    return {};
}

// The kernel copies (or on a copy-on-write file system may share) the bytes
// without passing them through this process; where it cannot, they are read
// and written.
Result<void> CopyRange(int from, qint64 offset, int to, qint64 size)
{
    while (size > 0) {
        loff_t at = offset;
        const ssize_t copied = ::copy_file_range(from, &at, to, nullptr, size_t(size), 0);
        if (copied < 0 && errno == EINTR)
            continue;
        // Some file systems cannot do it (or claim to copy nothing): copy by hand.
        if (copied == 0 || (copied < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL
                                           || errno == EOPNOTSUPP)))
            break;
        if (copied < 0 && errno == EIO)
            return ReadFailure();
        if (copied < 0)
            return WriteFailure();
        offset += copied;
        size -= copied;
    }
    return CopyByHand(from, offset, to, size);
}

enum class Clone { Shared, Refused, Failed };

// Shares size bytes (whole blocks) of from at offset as the next bytes of
// to, at position. Refused, with to as it was, where the file system cannot.
Clone CloneRange(int from, qint64 offset, int to, qint64 position, qint64 size)
{
    file_clone_range range {};
    range.src_fd = from;
    range.src_offset = quint64(offset);
    range.src_length = quint64(size);
    range.dest_offset = quint64(position);
    if (::ioctl(to, FICLONERANGE, &range) == 0)
        return ::lseek(to, position + size, SEEK_SET) == position + size ? Clone::Shared : Clone::Failed;
    // Whatever a refused clone may have left past position goes.
    if (::ftruncate(to, position) != 0 || ::lseek(to, position, SEEK_SET) != position)
        return Clone::Failed;
    return Clone::Refused;
}

} // namespace

qint64 ShareBlock(const struct stat &info)
{
    const qint64 block = info.st_blksize;
    const bool powerOfTwo = block > 0 && (block & (block - 1)) == 0;
    return powerOfTwo && block >= SmallestBlock && block <= LargestBlock ? block : SmallestBlock;
}

Result<void> AppendKeptRange(int from, qint64 offset, int to, qint64 size, qint64 block)
{
    const qint64 position = ::lseek(to, 0, SEEK_CUR);
    if (position < 0)
        return WriteFailure();
    if (block <= 0 || (position - offset) % block != 0)
        return CopyRange(from, offset, to, size);
    // The partial block before the first whole one, and the one after the
    // last, by hand: the kernel's copy would first try to share them, and
    // wait for the new file's head to reach the disk to find it cannot.
    const qint64 lead = qMin(size, (block - offset % block) % block);
    const qint64 whole = (size - lead) / block * block;
    if (whole == 0)
        return CopyRange(from, offset, to, size);
    if (Result<void> copied = CopyByHand(from, offset, to, lead); !copied)
        return copied;
    switch (CloneRange(from, offset + lead, to, position + lead, whole)) {
    case Clone::Shared: break;
    case Clone::Refused: return CopyRange(from, offset + lead, to, size - lead);
    case Clone::Failed: return WriteFailure();
    }
    return CopyByHand(from, offset + lead + whole, to, size - lead - whole);
}
