// SPDX-License-Identifier: MIT
#include "engine/files/lockedfile.h"

#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/files/closer.h"
#include "engine/files/lockholder.h"
#include "engine/files/replacegroup.h"
#include "engine/files/sametime.h"

#include <QHash>
#include <QMutex>
#include <QPair>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Another Brisko may hold a file for as long as its group of saves takes; a
// holder that does nothing for this long keeps it locked, and waiting on would
// hang the caller.
std::atomic<std::chrono::milliseconds> patience{std::chrono::seconds(30)};

// The files this process holds, by device and inode, and how many times:
// flock() locks an open file, so a second TagLibrary of this process opening
// a file the first still holds would wait for itself. It shares the hold.
class HeldFiles
{
public:
    bool Share(const struct stat &file)
    {
        const QMutexLocker lock(&mutex_);
        const auto found = held_.find(Key(file));
        if (found == held_.end())
            return false;
        ++found.value();
        return true;
    }
    void Add(const struct stat &file)
    {
        const QMutexLocker lock(&mutex_);
        ++held_[Key(file)];
    }
    void Remove(const struct stat &file)
    {
        const QMutexLocker lock(&mutex_);
        const auto found = held_.find(Key(file));
        if (found != held_.end() && --found.value() <= 0)
            held_.erase(found);
    }

private:
    static QPair<quint64, quint64> Key(const struct stat &file) { return {quint64(file.st_dev), quint64(file.st_ino)}; }
    QMutex mutex_;
    QHash<QPair<quint64, quint64>, int> held_;
};

HeldFiles &Held()
{
    static HeldFiles held;
    return held;
}

// Whether the lock is ours now, or cannot be had on this file system: those
// without flock (some network shares) answer with an error other than "would
// block", and the file is read unlocked there, the checks before the rename
// still guarding it.
bool Locked(int fd)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR);
}

// Waits for the lock for as long as its holder gets on with its work.
bool Lock(int fd, const struct stat &file)
{
    if (Locked(fd))
        return true;
    // Our own waiting saves go in place first: two runs that each held what
    // the other waits for would wait for each other.
    ReplaceGroup::PutAllInPlace();
    using Clock = std::chrono::steady_clock;
    QByteArray work = LockHolderWork(file);
    Clock::time_point lastWork = Clock::now();
    Clock::time_point lastLook = lastWork;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (Locked(fd))
            return true;
        const Clock::time_point now = Clock::now();
        if (now - lastLook >= std::chrono::milliseconds(200)) {
            lastLook = now;
            QByteArray seen = LockHolderWork(file);
            if (!seen.isEmpty() && seen != work)
                lastWork = now;
            work = std::move(seen);
        }
        if (now - lastWork > patience.load())
            return false;
    }
}

} // namespace

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
           && SameTime(a.st_mtim, b.st_mtim) && SameTime(a.st_ctim, b.st_ctim);
}

LockedFile::~LockedFile()
{
    Close();
}

LockedFile::LockedFile(LockedFile &&other) noexcept
    : fd_(std::exchange(other.fd_, -1))
    , name_(std::move(other.name_))
    , state_(other.state_)
{
}

LockedFile &LockedFile::operator=(LockedFile &&other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        name_ = std::move(other.name_);
        state_ = other.state_;
    }
    return *this;
}

void LockedFile::Close()
{
    if (fd_ >= 0) {
        Held().Remove(state_);
        ::close(fd_); // and with it the lock
    }
    fd_ = -1;
    name_.clear();
}

void LockedFile::CloseLater()
{
    if (fd_ >= 0) {
        Held().Remove(state_);
        ::CloseLater(fd_);
    }
    fd_ = -1;
    name_.clear();
}

Result<void> LockedFile::Open(const QByteArray &name)
{
    Close();
    // A save by another Brisko replaces the file while we wait for its lock:
    // then the file now at the path is the one to read.
    for (int attempt = 0; attempt < 100; ++attempt) {
        // O_NONBLOCK: a pipe named like a song must not stall the open.
        // O_NOATIME: looking at tags is no use of the file, and a saved
        // file's access time stays the one it had (only the owner may ask).
        constexpr int Flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
        int fd = ::open(name.constData(), Flags | O_NOATIME);
        if (fd < 0 && errno == EPERM)
            fd = ::open(name.constData(), Flags);
        if (fd < 0)
            return Failure{TagLibraryError::CannotRead, QString::fromLocal8Bit(std::strerror(errno))};
        struct stat locked {};
        if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
            ::close(fd);
            return Failure{TagLibraryError::CannotRead, EnglishText("Engine", "not a regular file")};
        }
        const bool shared = Held().Share(locked);
        if (!shared && !Lock(fd, locked)) {
            ::close(fd);
            return Failure{TagLibraryError::CannotRead, EnglishText("Engine", "the file is locked by another program")};
        }
        struct stat now {};
        if (::fstat(fd, &locked) == 0 && ::stat(name.constData(), &now) == 0 && now.st_dev == locked.st_dev
            && now.st_ino == locked.st_ino) {
            if (!shared)
                Held().Add(locked);
            fd_ = fd;
            name_ = name;
            state_ = locked;
            return {};
        }
        if (shared)
            Held().Remove(locked);
        ::close(fd);
    }
    return Failure{TagLibraryError::CannotRead, EnglishText("Engine", "the file keeps being replaced by another program")};
}

void SetLockPatience(std::chrono::milliseconds idle)
{
    patience = idle;
}
