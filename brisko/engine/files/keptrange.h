// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QtGlobal>

#include <sys/stat.h>

// The block by which a copy-on-write file system (btrfs, XFS) can share a
// file's bytes with another file: the file system's own (st_blksize), at
// least 4096 bytes. A file system that names more than 64 KB (network file
// systems name megabytes) shares nothing, and gets 4096: padding a save by
// up to a block never costs more than that.
qint64 ShareBlock(const struct stat &info);

// Appends size bytes from offset of the file from to the file to, which is
// written at its current position. Where that position and offset lie at
// the same place within a block of block bytes, the whole blocks between
// are cloned (FICLONERANGE): on btrfs and XFS both files then share them,
// and nothing is written. The partial blocks at the ends, and every byte on
// a file system that refuses to clone (ext4, tmpfs, NFS...), are copied by
// the kernel, or read and written where it cannot. Fails with CannotRead or
// WriteFailed and the system's reason.
Result<void> AppendKeptRange(int from, qint64 offset, int to, qint64 size, qint64 block);
