#include "processing/atomicsave.h"

#include "processing/taglibrary.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 ChunkSize = 1 << 20;

QString SystemError(const char *what)
{
    return QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
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
    while (size > 0) {
        const ssize_t got = ::pread(fd, data, size_t(size), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= got;
        offset += got;
    }
    return true;
}

// Holds a file descriptor and closes it on every way out.
struct Descriptor
{
    int fd = -1;
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    ~Descriptor() { Close(); }
    bool Close()
    {
        const bool ok = fd < 0 || ::close(fd) == 0;
        fd = -1;
        return ok;
    }
};

// The copy must hold exactly the bytes it was given.
// The new file reads back as written: its length, its new bytes, and the
// kept bytes where they join the new ones, which is where a wrong offset or a
// short copy shows. The kept bytes in between were copied by the kernel and
// are not read a second time: for an MP3 that is its audio.
bool CopyMatches(int copy, int original, const FileRewrite &rewrite)
{
    const qint64 kept = rewrite.keepTo - rewrite.keepFrom;
    struct stat info {};
    if (::fstat(copy, &info) != 0 || info.st_size != rewrite.head.size() + kept + rewrite.tail.size())
        return false;

    std::vector<char> mine(size_t(qMax<qint64>(ChunkSize, qMax(rewrite.head.size(), rewrite.tail.size()))));
    std::vector<char> theirs(static_cast<size_t>(ChunkSize));
    if (!ReadAll(copy, mine.data(), rewrite.head.size(), 0)
        || std::memcmp(mine.data(), rewrite.head.constData(), size_t(rewrite.head.size())) != 0)
        return false;
    const auto keptMatches = [&](qint64 from, qint64 size) {
        return ReadAll(copy, mine.data(), size, rewrite.head.size() + from)
               && ReadAll(original, theirs.data(), size, rewrite.keepFrom + from)
               && std::memcmp(mine.data(), theirs.data(), size_t(size)) == 0;
    };
    constexpr qint64 Edge = 64 * 1024;
    const qint64 edge = qMin(kept, Edge);
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

RewriteResult Failure(int code, const QString &text)
{
    return {false, code, text};
}

} // namespace

bool MayRewrite(const QString &path, QString *why)
{
    const QByteArray name = QFile::encodeName(path);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        *why = SystemError("the file cannot be found");
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *why = QStringLiteral("not a regular file");
        return false;
    }
    if (!(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) || ::access(name.constData(), W_OK) != 0) {
        *why = QStringLiteral("the file is read-only");
        return false;
    }
    if (::access(folder.constData(), W_OK | X_OK) != 0) {
        *why = QStringLiteral("the folder does not allow new files");
        return false;
    }
    return true;
}

RewriteResult RewriteFile(const FileRewrite &rewrite)
{
    QString why;
    if (!MayRewrite(rewrite.path, &why))
        return Failure(TagLibraryError::NotWritable, why);

    const QByteArray name = QFile::encodeName(rewrite.path);
    const QByteArray copyName = name + '~';
    Descriptor original(::open(name.constData(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (original.fd < 0 || ::fstat(original.fd, &info) != 0)
        return Failure(TagLibraryError::CannotRead, SystemError("cannot read the file"));
    if (rewrite.keepFrom < 0 || rewrite.keepTo < rewrite.keepFrom || rewrite.keepTo > info.st_size)
        return Failure(TagLibraryError::CheckFailed, QStringLiteral("the file is shorter than expected"));

    // A "~" file left by an interrupted save is ours to replace; never write
    // through a link someone put there.
    ::unlink(copyName.constData());
    Descriptor copy(::open(copyName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (copy.fd < 0)
        return Failure(TagLibraryError::NotWritable, SystemError("cannot create the new file"));

    const auto abandon = [&](int code, const QString &text) {
        copy.Close();
        ::unlink(copyName.constData());
        return Failure(code, text);
    };

    if (!WriteAll(copy.fd, rewrite.head.constData(), rewrite.head.size()))
        return abandon(TagLibraryError::WriteFailed, SystemError("cannot write the new file"));
    switch (CopyRange(original.fd, rewrite.keepFrom, copy.fd, rewrite.keepTo - rewrite.keepFrom)) {
    case CopyError::Read: return abandon(TagLibraryError::CannotRead, SystemError("cannot read the file"));
    case CopyError::Write: return abandon(TagLibraryError::WriteFailed, SystemError("cannot write the new file"));
    case CopyError::None: break;
    }
    if (!WriteAll(copy.fd, rewrite.tail.constData(), rewrite.tail.size()))
        return abandon(TagLibraryError::WriteFailed, SystemError("cannot write the new file"));

    // Owner and permissions as before. Giving the file to another owner only
    // works for root, and keeping its group only for members; otherwise the
    // new file is simply the user's.
    if (::fchown(copy.fd, info.st_uid, info.st_gid) != 0)
        (void)!::fchown(copy.fd, uid_t(-1), info.st_gid);
    if (::fchmod(copy.fd, info.st_mode & 07777) != 0)
        return abandon(TagLibraryError::WriteFailed, SystemError("cannot set the new file's permissions"));
    if (rewrite.keepModified.isValid()) {
        struct timespec times[2] {};
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = static_cast<time_t>(rewrite.keepModified.toSecsSinceEpoch());
        if (::futimens(copy.fd, times) != 0)
            return abandon(TagLibraryError::WriteFailed, SystemError("cannot set the new file's time"));
    }
    if (::fsync(copy.fd) != 0)
        return abandon(TagLibraryError::WriteFailed, SystemError("cannot flush the new file to disk"));
    if (!copy.Close()) {
        ::unlink(copyName.constData());
        return Failure(TagLibraryError::WriteFailed, SystemError("cannot close the new file"));
    }

    Descriptor check(::open(copyName.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (check.fd < 0 || !CopyMatches(check.fd, original.fd, rewrite)) {
        check.Close();
        ::unlink(copyName.constData());
        return Failure(TagLibraryError::CheckFailed, QStringLiteral("the new file did not read back as written"));
    }
    check.Close();

    if (::rename(copyName.constData(), name.constData()) != 0) {
        const QString text = SystemError("cannot replace the file");
        ::unlink(copyName.constData());
        return Failure(TagLibraryError::WriteFailed, text);
    }
    Descriptor folder(::open(QFile::encodeName(QFileInfo(rewrite.path).absolutePath()).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd >= 0)
        ::fsync(folder.fd); // the rename itself reaches the disk
    return {true, 0, QString()};
}
