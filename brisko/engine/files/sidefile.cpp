// SPDX-License-Identifier: MIT
#include "engine/files/sidefile.h"

#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/files/localpath.h"
#include "engine/files/sametime.h"
#include "engine/files/systemfailure.h"

#include <QMutex>
#include <QRandomGenerator>
#include <QSet>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int NameLimit = 255;
const QByteArray Marker = QByteArrayLiteral(".brisko-");
constexpr int RandomLength = 6;

// ".song.mp3.brisko-Ab12Cd" beside song.mp3, the song's name shortened
// where a long one would pass the file system's limit.
QByteArray FreshName(const QByteArray &target)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray random(RandomLength, '\0');
    for (char &c : random)
        c = letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray base = target.mid(slash + 1).left(NameLimit - 1 - Marker.size() - RandomLength);
    const QByteArray name = '.' + base + Marker + random;
    return slash < 0 ? name : target.left(slash + 1) + name;
}

std::atomic<bool> unnamedAllowed{true};

} // namespace

void AllowUnnamedSideFiles(bool allowed)
{
    unnamedAllowed = allowed;
}

bool IsSideFileName(const QByteArray &name)
{
    const qsizetype marker = name.size() - RandomLength - Marker.size();
    if (!name.startsWith('.') || marker < 1 || name.mid(marker, Marker.size()) != Marker)
        return false;
    for (const char c : name.right(RandomLength)) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

SideFile::~SideFile()
{
    Discard();
}

Result<void> SideFile::Create(const QByteArray &target)
{
    Discard();
    target_ = target;
    folder_ = FolderOfName(target);
    fd_ = unnamedAllowed ? ::open(folder_.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600) : -1;
    if (!unnamedAllowed)
        errno = EOPNOTSUPP;
    if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL || errno == ENOENT)) {
        // No unnamed files here: a fresh name from the start.
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            const QByteArray name = FreshName(target);
            fd_ = ::open(name.constData(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd_ >= 0)
                name_ = name;
            else if (errno != EEXIST)
                break;
        }
    }
    if (fd_ < 0)
        return SystemFailure(TagLibraryError::NotWritable, QT_TRANSLATE_NOOP("Engine", "cannot create the new file: %1"));
    ::flock(fd_, LOCK_EX | LOCK_NB); // it is new: no one else can hold it
    return {};
}

Result<void> SideFile::Link(const QByteArray &existing, const QByteArray &target)
{
    Discard();
    target_ = target;
    folder_ = FolderOfName(target);
    return LinkToFreshName(existing, 0);
}

Result<void> SideFile::LinkToFreshName(const QByteArray &source, int flags)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = FreshName(target_);
        if (::linkat(AT_FDCWD, source.constData(), AT_FDCWD, name.constData(), flags) == 0) {
            name_ = name;
            return {};
        }
        if (errno != EEXIST)
            break;
    }
    return SystemFailure(TagLibraryError::WriteFailed, QT_TRANSLATE_NOOP("Engine", "cannot name the new file: %1"));
}

Result<void> SideFile::Name()
{
    // An unnamed file is reached through its descriptor's entry in /proc.
    if (!name_.isEmpty())
        return {};
    return LinkToFreshName("/proc/self/fd/" + QByteArray::number(fd_), AT_SYMLINK_FOLLOW);
}

Result<void> SideFile::Replace()
{
    Result<void> renamed = Rename();
    if (renamed)
        FlushFolder(folder_);
    return renamed;
}

Result<void> SideFile::Rename()
{
    if (Result<void> named = Name(); !named)
        return named;
    if (::rename(name_.constData(), target_.constData()) != 0)
        return SystemFailure(TagLibraryError::WriteFailed, QT_TRANSLATE_NOOP("Engine", "cannot replace the file: %1"));
    name_.clear(); // it is the target now
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    return {};
}

void FlushFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void SideFile::Discard()
{
    if (!name_.isEmpty())
        ::unlink(name_.constData());
    name_.clear();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

namespace {

// The name a side file was made for: ".song.mp3.brisko-Ab12Cd" is song.mp3's.
QByteArray TargetOf(const QByteArray &sideName)
{
    return sideName.mid(1, sideName.size() - 1 - Marker.size() - RandomLength);
}

// A second name of a saved file, killed before it was renamed over the file's
// other name (see PointNameAt): that name still holds the file as it was
// before the save. When it holds it unchanged since (the save kept its
// modification time, and nothing was done to it after the hidden name was
// made), the pointing is finished; otherwise it is given up, and the other
// name keeps the old file. Never while a running Brisko holds that name.
void FinishPointing(int dirFd, const QByteArray &sideName, const struct stat &saved)
{
    const QByteArray target = TargetOf(sideName);
    const int fd = ::openat(dirFd, target.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat old {};
    if (fd >= 0 && (::fstat(fd, &old) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0)) {
        ::close(fd); // in use: left for later
        return;
    }
    const bool unchanged = fd >= 0 && S_ISREG(old.st_mode) && old.st_dev == saved.st_dev
                           && old.st_ino != saved.st_ino && old.st_uid == saved.st_uid
                           && old.st_mode == saved.st_mode && SameTime(old.st_mtim, saved.st_mtim)
                           && (old.st_ctim.tv_sec < saved.st_ctim.tv_sec
                               || (old.st_ctim.tv_sec == saved.st_ctim.tv_sec
                                   && old.st_ctim.tv_nsec <= saved.st_ctim.tv_nsec));
    if (!unchanged || ::renameat(dirFd, sideName.constData(), dirFd, target.constData()) != 0)
        ::unlinkat(dirFd, sideName.constData(), 0);
    if (fd >= 0)
        ::close(fd);
}

} // namespace

void RemoveLeftoverSideFiles(const QByteArray &folder)
{
    // Held for the whole look: a file of the folder is opened only after
    // what was left beside it is cleared.
    static QMutex mutex;
    static QSet<QByteArray> seen;
    const QMutexLocker lock(&mutex);
    if (seen.contains(folder))
        return;
    seen.insert(folder);
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!IsSideFileName(name))
            continue;
        const int fd = ::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        struct stat named {};
        // Held by a running Brisko: in use. A name that no longer leads to
        // the file looked at is no one's leftover to remove either.
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
            && ::fstatat(dirFd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0
            && named.st_ino == info.st_ino && named.st_dev == info.st_dev) {
            if (info.st_nlink > 1)
                FinishPointing(dirFd, name, info);
            else if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
                ::unlinkat(dirFd, name.constData(), 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}
