// SPDX-License-Identifier: MIT
#include "engine/files/filetimes.h"

#include "engine/files/localpath.h"

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

bool RestoreModifiedTime(const QString &path, const QDateTime &when)
{
    if (!when.isValid())
        return false;
    const QByteArray name = BytesFromPath(path);

    struct stat info {};
    if (::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode)
        || !(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
        return false;

    const int fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct timespec times[2] {};
    times[0].tv_nsec = UTIME_OMIT; // access time stays as it is
    times[1].tv_sec = static_cast<time_t>(when.toSecsSinceEpoch());
    times[1].tv_nsec = 0;
    const bool done = ::futimens(fd, times) == 0;
    return ::close(fd) == 0 && done;
}
