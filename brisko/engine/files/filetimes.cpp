// SPDX-License-Identifier: MIT
#include "engine/files/filetimes.h"

#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/files/localpath.h"
#include "engine/files/systemfailure.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Read straight from the file system in universal time: no time zone is
// looked up, which the C library does not do safely from several threads.
QDateTime LastModified(const QString &path)
{
    struct stat info {};
    if (::stat(BytesFromPath(path).constData(), &info) != 0)
        return QDateTime();
    return QDateTime::fromSecsSinceEpoch(qint64(info.st_mtim.tv_sec), Qt::UTC);
}

Result<void> RestoreModifiedTime(const QString &path, const QDateTime &when)
{
    const auto notWritten = [] {
        return SystemFailure(TagLibraryError::WriteFailed,
                             QT_TRANSLATE_NOOP("Engine", "cannot set the new file's time: %1"));
    };
    if (!when.isValid()) {
        errno = EINVAL;
        return notWritten();
    }
    const QByteArray name = BytesFromPath(path);

    struct stat info {};
    if (::stat(name.constData(), &info) != 0)
        return SystemFailure(TagLibraryError::NotWritable, QT_TRANSLATE_NOOP("Engine", "the file cannot be found: %1"));
    if (!S_ISREG(info.st_mode))
        return Failure{TagLibraryError::NotWritable, EnglishText("Engine", "not a regular file")};
    if (!(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        return Failure{TagLibraryError::NotWritable, EnglishText("Engine", "the file is read-only")};

    const int fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return Failure{TagLibraryError::NotWritable, EnglishText("Engine", "the file is read-only")};
    struct timespec times[2] {};
    times[0].tv_nsec = UTIME_OMIT; // access time stays as it is
    times[1].tv_sec = static_cast<time_t>(when.toSecsSinceEpoch());
    times[1].tv_nsec = 0;
    const Result<void> done = ::futimens(fd, times) == 0 ? Result<void>() : notWritten();
    if (::close(fd) != 0 && done)
        return notWritten();
    return done;
}
