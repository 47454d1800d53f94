// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

#include <vector>

// A stretch of a byte range, from the range's start.
struct Stretch
{
    qint64 from = 0;
    qint64 length = 0;
};

// The stretches of count bytes, of the open file a from fromA and of the
// open file b from fromB, that both files keep in the very same blocks of
// one device, as a clone leaves them (FICLONERANGE on btrfs and XFS): the
// same bytes, whatever is read. Only plain blocks count (not compressed,
// encrypted, inline, unwritten or not yet placed), and both files' pending
// writes reach their blocks first. In order; none where the file system
// cannot tell (ext4 shares no blocks; tmpfs and network file systems map
// none).
std::vector<Stretch> BlocksInCommon(int a, qint64 fromA, int b, qint64 fromB, qint64 count);
