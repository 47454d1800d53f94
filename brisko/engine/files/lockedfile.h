// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QByteArray>

#include <chrono>

#include <sys/stat.h>

// A file opened for reading under an exclusive advisory lock (flock), held
// until it is closed: two Brisko processes never read and rewrite one file at
// the same time, so neither throws away the other's change. The file locked is
// the one at the path when the lock was granted: a file another Brisko renamed
// over it meanwhile is opened afresh.
class LockedFile
{
public:
    LockedFile() = default;
    ~LockedFile();
    LockedFile(const LockedFile &) = delete;
    LockedFile &operator=(const LockedFile &) = delete;
    // The lock goes with the file: a save that waits to replace it keeps it locked.
    LockedFile(LockedFile &&other) noexcept;
    LockedFile &operator=(LockedFile &&other) noexcept;

    // Opens the file at name (its bytes: see BytesFromPath). Fails with
    // CannotRead when the file cannot be opened, is no regular file, or stays
    // locked by someone else who does no work for 30 seconds. While it waits,
    // the saves waiting in this process's groups are put in place.
    Result<void> Open(const QByteArray &name);
    void Close();
    // Close, the descriptor (and with it the lock) closed on another thread:
    // for a file just renamed over, whose last close frees its blocks.
    void CloseLater();

    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    // The name it was opened by: the one a save replaces.
    const QByteArray &Name() const { return name_; }
    // The file as it was when it was locked, before anything was read.
    const struct stat &State() const { return state_; }

private:
    int fd_ = -1;
    QByteArray name_;
    struct stat state_ {};
};

// Whether two looks at a file see the same file with the same content: device,
// inode, size, and modification and change times to the nanosecond. Any write,
// truncation, rename over it or change of its attributes shows in one of them.
bool SameFile(const struct stat &a, const struct stat &b);

// Tests wait a shorter time for a lock whose holder does nothing.
void SetLockPatience(std::chrono::milliseconds idle);
