// SPDX-License-Identifier: MIT
#include "engine/files/samebytes.h"

#include "engine/files/fullread.h"
#include "engine/files/sameblocks.h"

#include <cstring>
#include <vector>

#include <sys/stat.h>

namespace {

qint64 SizeOf(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? qint64(info.st_size) : -1;
}

// Reads both and compares them.
bool ReadAndCompare(int a, qint64 fromA, int b, qint64 fromB, qint64 count)
{
    // A piece of each at a time, in buffers that each thread keeps: fresh
    // pages for every file cost more than the reading.
    constexpr qint64 Piece = 128 * 1024;
    thread_local std::vector<char> buffers(2 * Piece);
    char *mine = buffers.data();
    char *theirs = mine + Piece;
    for (qint64 done = 0; done < count; done += Piece) {
        const qint64 piece = qMin(Piece, count - done);
        if (!ReadFully(a, mine, fromA + done, piece) || !ReadFully(b, theirs, fromB + done, piece)
            || std::memcmp(mine, theirs, size_t(piece)) != 0)
            return false;
    }
    return true;
}

} // namespace

bool SameBytes(int a, qint64 fromA, int b, qint64 fromB, qint64 count)
{
    // Stretches that a clone left in the same blocks of the disk are the
    // same bytes, and are not read: on btrfs reading a clone reads the disk
    // again. Asking for the maps flushes the files' pending writes: for a
    // few pages, reading them costs less.
    constexpr qint64 WorthMapping = 64 * 1024;
    qint64 at = 0;
    if (count >= WorthMapping) {
        for (const Stretch &shared : BlocksInCommon(a, fromA, b, fromB, count)) {
            if (!ReadAndCompare(a, fromA + at, b, fromB + at, shared.from - at))
                return false;
            at = shared.from + shared.length;
        }
    }
    return ReadAndCompare(a, fromA + at, b, fromB + at, count - at);
}

bool SameBytesToEnd(int a, qint64 fromA, int b, qint64 fromB)
{
    const qint64 sizeA = SizeOf(a);
    const qint64 sizeB = SizeOf(b);
    return sizeA >= fromA && sizeB >= fromB && sizeA - fromA == sizeB - fromB
           && SameBytes(a, fromA, b, fromB, sizeA - fromA);
}
