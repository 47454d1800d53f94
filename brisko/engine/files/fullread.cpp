// SPDX-License-Identifier: MIT
#include "engine/files/fullread.h"

#include <cerrno>

#include <unistd.h>

int ReadFully(int fd, char *to, qint64 offset, qint64 size)
{
    while (size > 0) {
        const ssize_t now = ::pread(fd, to, size_t(size), offset);
        if (now < 0 && errno == EINTR)
            continue;
        if (now <= 0)
            return now < 0 ? errno : EIO;
        to += now;
        offset += now;
        size -= now;
    }
    return 0;
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
