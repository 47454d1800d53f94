// SPDX-License-Identifier: MIT
#include "engine/files/atomicsave.h"

#include "base/translation.h"
#include "engine/files/fileattributes.h"
#include "engine/files/fullread.h"
#include "engine/files/localpath.h"
#include "engine/files/lockedfile.h"
#include "engine/files/savesteps.h"
#include "engine/files/sidefile.h"
#include "base/tagerrors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint64 ChunkSize = 1 << 20;

// what: the English text, with %1 for the system's reason.
QString SystemError(const char *what)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(errno));
    return EnglishText("Engine", what).arg(reason);
}

std::function<void(const QString &)> &BeforeReplace()
{
    static std::function<void(const QString &)> hook;
    return hook;
}

std::function<void(int, const QString &)> &BeforeCheck()
{
    static std::function<void(int, const QString &)> hook;
    return hook;
}

bool WriteAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

bool ReadAll(int fd, char *data, qint64 size, qint64 offset)
{
    return ReadFully(fd, data, offset, size) == 0;
}

// The new file reads back as written: its length, its new bytes, and the
// kept bytes where they join the new ones, which is where a wrong offset or a
// short copy shows. The kept bytes in between are the format's check to
// compare, with everything else it reads back.
bool CopyMatches(int copy, int original, const FileRewrite &rewrite)
{
    const qint64 kept = rewrite.keepTo - rewrite.keepFrom;
    struct stat info {};
    if (::fstat(copy, &info) != 0 || info.st_size != rewrite.head.size() + kept + rewrite.tail.size())
        return false;

    constexpr qint64 Edge = 64 * 1024;
    const qint64 edge = qMin(kept, Edge);
    // Buffers no larger than what is read: a megabyte each, zeroed and given
    // back to the system for every file, took longer than the reading.
    std::vector<char> mine(size_t(std::max({edge, qint64(rewrite.head.size()), qint64(rewrite.tail.size()), qint64(1)})));
    std::vector<char> theirs(size_t(qMax<qint64>(edge, 1)));
    if (!ReadAll(copy, mine.data(), rewrite.head.size(), 0)
        || std::memcmp(mine.data(), rewrite.head.constData(), size_t(rewrite.head.size())) != 0)
        return false;
    const auto keptMatches = [&](qint64 from, qint64 size) {
        return ReadAll(copy, mine.data(), size, rewrite.head.size() + from)
               && ReadAll(original, theirs.data(), size, rewrite.keepFrom + from)
               && std::memcmp(mine.data(), theirs.data(), size_t(size)) == 0;
    };
    if (!keptMatches(0, edge) || !keptMatches(kept - edge, edge))
        return false;
    return ReadAll(copy, mine.data(), rewrite.tail.size(), rewrite.head.size() + kept)
        && std::memcmp(mine.data(), rewrite.tail.constData(), size_t(rewrite.tail.size())) == 0;
}

// Copies size bytes from offset of one file to the end of another. The
// kernel copies (or on a copy-on-write file system shares) them without
// passing through this process; where it cannot, they are read and written.
enum class CopyError { None, Read, Write };
CopyError CopyRange(int from, qint64 offset, int to, qint64 size)
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
        if (copied < 0)
            return errno == EIO ? CopyError::Read : CopyError::Write;
        offset += copied;
        size -= copied;
    }
    std::vector<char> buffer(static_cast<size_t>(qMin(size, ChunkSize)));
    while (size > 0) {
        const qint64 chunk = qMin(size, ChunkSize);
        if (!ReadAll(from, buffer.data(), chunk, offset))
            return CopyError::Read;
        if (!WriteAll(to, buffer.data(), chunk))
            return CopyError::Write;
        offset += chunk;
        size -= chunk;
    }
    return CopyError::None;
}

// The new content: head, the kept range of the original, tail.
std::optional<Failure> WriteContent(int copy, int original, const FileRewrite &rewrite)
{
    if (!WriteAll(copy, rewrite.head.constData(), rewrite.head.size()))
        return Failure{TagLibraryError::WriteFailed,
                       SystemError(QT_TRANSLATE_NOOP("Engine", "cannot write the new file: %1"))};
    switch (CopyRange(original, rewrite.keepFrom, copy, rewrite.keepTo - rewrite.keepFrom)) {
    case CopyError::Read:
        return Failure{TagLibraryError::CannotRead, SystemError(QT_TRANSLATE_NOOP("Engine", "cannot read the file: %1"))};
    case CopyError::Write:
        return Failure{TagLibraryError::WriteFailed,
                       SystemError(QT_TRANSLATE_NOOP("Engine", "cannot write the new file: %1"))};
    case CopyError::None: break;
    }
    if (!WriteAll(copy, rewrite.tail.constData(), rewrite.tail.size()))
        return Failure{TagLibraryError::WriteFailed,
                       SystemError(QT_TRANSLATE_NOOP("Engine", "cannot write the new file: %1"))};
    return std::nullopt;
}

// The original as it was read, still at its path and still unchanged: no
// other program wrote, truncated, replaced or removed it meanwhile.
bool StillAsRead(const QByteArray &name, const LockedFile &original)
{
    struct stat now {};
    struct stat named {};
    return ::fstat(original.Descriptor(), &now) == 0 && SameFile(now, original.State())
           && ::lstat(name.constData(), &named) == 0 && SameFile(named, original.State());
}

} // namespace

bool MayRewrite(const QString &path, QString *why)
{
    const QByteArray name = BytesFromPath(path);
    const QByteArray folder = BytesFromPath(FolderOf(path));
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        *why = SystemError(QT_TRANSLATE_NOOP("Engine", "the file cannot be found: %1"));
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *why = EnglishText("Engine", "not a regular file");
        return false;
    }
    if (!(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) || ::access(name.constData(), W_OK) != 0) {
        *why = EnglishText("Engine", "the file is read-only");
        return false;
    }
    if (::access(folder.constData(), W_OK | X_OK) != 0) {
        *why = EnglishText("Engine", "the folder does not allow new files");
        return false;
    }
    return true;
}

Result<std::unique_ptr<SideFile>> MakeCheckedCopy(const FileRewrite &rewrite, const LockedFile &original)
{
    QString why;
    if (!MayRewrite(rewrite.path, &why))
        return Failure{TagLibraryError::NotWritable, why};
    const QByteArray name = BytesFromPath(rewrite.path);
    const struct stat &info = original.State();
    if (!original.IsOpen() || !StillAsRead(name, original))
        return Failure{TagLibraryError::ChangedSinceOpen, EnglishText("Engine", "changed by another program")};
    if (rewrite.keepFrom < 0 || rewrite.keepTo < rewrite.keepFrom || rewrite.keepTo > info.st_size)
        return Failure{TagLibraryError::CheckFailed, EnglishText("Engine", "the file is shorter than expected")};

    RemoveLeftoverSideFiles(BytesFromPath(FolderOf(rewrite.path)));
    auto copy = std::make_unique<SideFile>();
    if (!copy->Create(name, &why))
        return Failure{TagLibraryError::NotWritable, why};
    // Refused before anything is written when the new file could not be the owner's.
    why = CopyOwner(copy->Descriptor(), info);
    if (!why.isEmpty())
        return Failure{TagLibraryError::WouldLoseData, why};

    if (const std::optional<Failure> failed = WriteContent(copy->Descriptor(), original.Descriptor(), rewrite))
        return *failed;
    // The disk starts on the new bytes while they are read back and checked.
    ::sync_file_range(copy->Descriptor(), 0, 0, SYNC_FILE_RANGE_WRITE);
    // Attributes first and permissions after them: setting an ACL changes
    // the permission bits, and writing clears set-group-ID.
    why = CopyExtendedAttributes(original.Descriptor(), copy->Descriptor());
    if (why.isEmpty())
        why = CopyPermissions(copy->Descriptor(), info);
    if (!why.isEmpty())
        return Failure{TagLibraryError::WouldLoseData, why};
    if (!CopyMatches(copy->Descriptor(), original.Descriptor(), rewrite))
        return Failure{TagLibraryError::CheckFailed,
                       EnglishText("Engine", "the new file did not read back as written")};
    if (BeforeCheck())
        BeforeCheck()(copy->Descriptor(), rewrite.path);
    why = rewrite.check ? rewrite.check(copy->Descriptor(), original.Descriptor()) : QString();
    if (!why.isEmpty())
        return Failure{TagLibraryError::CheckFailed, why};

    // The times last, after the reading back: the access time as it was,
    // the modification time as asked, to the nanosecond.
    struct timespec times[2] = {info.st_atim, rewrite.modified.value_or(info.st_mtim)};
    if (::futimens(copy->Descriptor(), times) != 0)
        return Failure{TagLibraryError::WriteFailed,
                       SystemError(QT_TRANSLATE_NOOP("Engine", "cannot set the new file's time: %1"))};
    return Result<std::unique_ptr<SideFile>>(std::move(copy));
}

Result<int> PutInPlace(SideFile &copy, const QString &path, const LockedFile &original)
{
    QString why;
    if (::fsync(copy.Descriptor()) != 0)
        return Failure{TagLibraryError::WriteFailed,
                       SystemError(QT_TRANSLATE_NOOP("Engine", "cannot flush the new file to disk: %1"))};
    if (!copy.Name(&why))
        return Failure{TagLibraryError::WriteFailed, why};

    if (BeforeReplace())
        BeforeReplace()(path);
    if (!StillAsRead(BytesFromPath(path), original))
        return Failure{TagLibraryError::ChangedSinceOpen, EnglishText("Engine", "changed by another program")};
    if (!copy.Rename(&why))
        return Failure{TagLibraryError::WriteFailed, why};
    return int(original.State().st_nlink) - 1;
}

Result<int> RewriteFile(const FileRewrite &rewrite, const LockedFile &original)
{
    Result<std::unique_ptr<SideFile>> copy = MakeCheckedCopy(rewrite, original);
    if (!copy)
        return copy.Why();
    Result<int> replaced = PutInPlace(**copy, rewrite.path, original);
    if (replaced)
        FlushFolder((*copy)->Folder());
    return replaced;
}

bool PointNameAt(const QString &name, const QString &rewritten, const struct stat &original, QString *why)
{
    const QByteArray bytes = BytesFromPath(name);
    const auto stillOriginal = [&bytes, &original] {
        // Its link count and change time moved when the rewritten name left it.
        struct stat now {};
        return ::lstat(bytes.constData(), &now) == 0 && now.st_dev == original.st_dev
               && now.st_ino == original.st_ino && now.st_size == original.st_size
               && now.st_mtim.tv_sec == original.st_mtim.tv_sec && now.st_mtim.tv_nsec == original.st_mtim.tv_nsec;
    };
    if (!stillOriginal()) {
        *why = EnglishText("Engine", "changed by another program");
        return false;
    }
    SideFile link;
    if (!link.Link(BytesFromPath(rewritten), bytes, why))
        return false;
    if (!stillOriginal()) {
        *why = EnglishText("Engine", "changed by another program");
        return false;
    }
    return link.Replace(why);
}

void SetBeforeReplaceHook(std::function<void(const QString &path)> hook)
{
    BeforeReplace() = std::move(hook);
}

void SetBeforeCheckHook(std::function<void(int copy, const QString &path)> hook)
{
    BeforeCheck() = std::move(hook);
}
