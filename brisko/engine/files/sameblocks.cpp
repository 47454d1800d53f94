// SPDX-License-Identifier: MIT
#include "engine/files/sameblocks.h"

#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

namespace {

// A run of the file's bytes in one run of the device's, from the start of
// the range asked for.
struct Extent
{
    qint64 from;
    qint64 length;
    quint64 physical;
    bool plain;
};

// A file of more pieces than this is compared by reading it.
constexpr std::size_t MostExtents = 16384;

// Where the extent's bytes are not simply the device's at its address.
constexpr quint32 NotPlain = FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DELALLOC | FIEMAP_EXTENT_ENCODED
                             | FIEMAP_EXTENT_DATA_ENCRYPTED | FIEMAP_EXTENT_NOT_ALIGNED | FIEMAP_EXTENT_DATA_INLINE
                             | FIEMAP_EXTENT_DATA_TAIL | FIEMAP_EXTENT_UNWRITTEN;

// The extents of count bytes from offset, clipped to them; nothing where
// the file system cannot map them or they are too many.
std::vector<Extent> MapRange(int fd, qint64 offset, qint64 count)
{
    constexpr quint32 Batch = 128;
    std::vector<char> buffer(sizeof(fiemap) + Batch * sizeof(fiemap_extent));
    auto *map = reinterpret_cast<fiemap *>(buffer.data());
    std::vector<Extent> extents;
    const qint64 end = offset + count;
    for (qint64 at = offset; at < end;) {
        const qint64 asked = at;
        *map = fiemap{};
        map->fm_start = quint64(at);
        map->fm_length = quint64(end - at);
        map->fm_flags = FIEMAP_FLAG_SYNC;
        map->fm_extent_count = Batch;
        if (::ioctl(fd, FS_IOC_FIEMAP, map) != 0 || map->fm_mapped_extents == 0)
            return extents;
        for (quint32 i = 0; i < map->fm_mapped_extents; ++i) {
            const fiemap_extent &found = map->fm_extents[i];
            const qint64 from = qMax(offset, qint64(found.fe_logical));
            const qint64 to = qMin(end, qint64(found.fe_logical + found.fe_length));
            if (to > from)
                extents.push_back({from - offset, to - from, found.fe_physical + quint64(from - qint64(found.fe_logical)),
                                   (found.fe_flags & NotPlain) == 0});
            at = qMax(at, qint64(found.fe_logical + found.fe_length));
            if (found.fe_flags & FIEMAP_EXTENT_LAST)
                at = end;
        }
        if (extents.size() > MostExtents)
            return {};
        if (at == asked)
            break;
    }
    return extents;
}

} // namespace

std::vector<Stretch> BlocksInCommon(int a, qint64 fromA, int b, qint64 fromB, qint64 count)
{
    struct stat infoA {};
    struct stat infoB {};
    std::vector<Stretch> common;
    if (count <= 0 || ::fstat(a, &infoA) != 0 || ::fstat(b, &infoB) != 0 || infoA.st_dev != infoB.st_dev)
        return common;
    const std::vector<Extent> mapA = MapRange(a, fromA, count);
    const std::vector<Extent> mapB = mapA.empty() ? std::vector<Extent>() : MapRange(b, fromB, count);
    // Both maps side by side: where an extent of each covers the same bytes
    // of the range, and both lie at the same place of the device.
    for (std::size_t i = 0, j = 0; i < mapA.size() && j < mapB.size();) {
        const Extent &x = mapA.at(i);
        const Extent &y = mapB.at(j);
        const qint64 from = qMax(x.from, y.from);
        const qint64 to = qMin(x.from + x.length, y.from + y.length);
        const bool same = x.plain && y.plain
                          && x.physical + quint64(from - x.from) == y.physical + quint64(from - y.from);
        if (to > from && same) {
            if (!common.empty() && common.back().from + common.back().length == from)
                common.back().length += to - from;
            else
                common.push_back({from, to - from});
        }
        if (x.from + x.length <= y.from + y.length)
            ++i;
        else
            ++j;
    }
    return common;
}
