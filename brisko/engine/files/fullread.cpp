// SPDX-License-Identifier: MIT
#include "engine/files/fullread.h"

#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/files/systemfailure.h"

#include <cerrno>

#include <unistd.h>

Result<void> ReadFully(int fd, char *to, qint64 offset, qint64 size)
{
    while (size > 0) {
        const ssize_t now = ::pread(fd, to, size_t(size), offset);
        if (now < 0 && errno == EINTR)
            continue;
        if (now <= 0) {
            if (now == 0)
                errno = EIO;
            return SystemFailure(TagLibraryError::CannotRead, QT_TRANSLATE_NOOP("Engine", "cannot read the file: %1"));
        }
        to += now;
        offset += now;
        size -= now;
    }
    return {};
}

Result<void> WriteAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return SystemFailure(TagLibraryError::WriteFailed,
                                 QT_TRANSLATE_NOOP("Engine", "cannot write the new file: %1"));
        }
        data += written;
        size -= written;
    }
    return {};
}
