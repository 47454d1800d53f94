// SPDX-License-Identifier: MIT
#include "engine/files/fileattributes.h"

#include "base/tagerrors.h"
#include "base/translation.h"

#include <QByteArray>
#include <QList>

#include <cerrno>

#include <sys/xattr.h>
#include <unistd.h>

namespace {

// The attribute names of a file, or nullopt-like false when they cannot be
// listed because the file system keeps none.
bool ListNames(int fd, QList<QByteArray> *names)
{
    names->clear();
    for (;;) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP;
        QByteArray buffer(size, '\0');
        const ssize_t got = ::flistxattr(fd, buffer.data(), size_t(buffer.size()));
        if (got < 0 && errno == ERANGE)
            continue; // it grew meanwhile
        if (got < 0)
            return false;
        for (const QByteArray &name : buffer.left(got).split('\0')) {
            if (!name.isEmpty())
                names->append(name);
        }
        return true;
    }
}

bool Value(int fd, const QByteArray &name, QByteArray *value)
{
    for (;;) {
        const ssize_t size = ::fgetxattr(fd, name.constData(), nullptr, 0);
        if (size < 0)
            return false;
        value->resize(size);
        const ssize_t got = ::fgetxattr(fd, name.constData(), value->data(), size_t(value->size()));
        if (got < 0 && errno == ERANGE)
            continue;
        if (got < 0)
            return false;
        value->resize(got);
        return true;
    }
}

QString Name(const QByteArray &name)
{
    return QString::fromUtf8(name);
}

// Refused rather than saved without it.
Failure WouldLose(const QString &what)
{
    return Failure{TagLibraryError::WouldLoseData, what};
}

} // namespace

Result<void> CopyOwner(int to, const struct stat &original)
{
    // Only root may give a file away; a member of the file's group may at
    // least keep the group.
    if (::fchown(to, original.st_uid, original.st_gid) != 0)
        (void)!::fchown(to, uid_t(-1), original.st_gid);
    struct stat now {};
    if (::fstat(to, &now) != 0)
        return WouldLose(EnglishText("Engine", "cannot look at the new file"));
    if (now.st_uid != original.st_uid)
        return WouldLose(EnglishText("Engine", "the file belongs to another user (%1), and a new file made now "
                                               "would belong to this one: left as it is")
                             .arg(original.st_uid));
    if (now.st_gid != original.st_gid)
        return WouldLose(
            EnglishText("Engine", "the file's group (%1) cannot be kept: left as it is").arg(original.st_gid));
    return {};
}

Result<void> CopyPermissions(int to, const struct stat &original)
{
    const mode_t wanted = original.st_mode & 07777;
    struct stat now {};
    if (::fchmod(to, wanted) != 0 || ::fstat(to, &now) != 0 || (now.st_mode & 07777) != wanted)
        return WouldLose(EnglishText("Engine", "the file's permissions (%1) cannot be kept")
                             .arg(wanted, 4, 8, QLatin1Char('0')));
    return {};
}

Result<void> CopyExtendedAttributes(int from, int to)
{
    QList<QByteArray> names;
    if (!ListNames(from, &names))
        return WouldLose(EnglishText("Engine", "the file's extended attributes cannot be read"));
    for (const QByteArray &name : std::as_const(names)) {
        QByteArray value;
        if (!Value(from, name, &value))
            return WouldLose(EnglishText("Engine", "the extended attribute %1 cannot be read").arg(Name(name)));
        if (::fsetxattr(to, name.constData(), value.constData(), size_t(value.size()), 0) == 0)
            continue;
        // Not allowed to set it (a security label given by policy): fine
        // when the new file already carries the same value.
        QByteArray own;
        if (!Value(to, name, &own) || own != value)
            return WouldLose(EnglishText("Engine", "the extended attribute %1 cannot be kept").arg(Name(name)));
    }

    // What the new file got from its folder (an inherited ACL) and the
    // original did not have goes again, where it may.
    QList<QByteArray> inherited;
    if (!ListNames(to, &inherited))
        return {};
    for (const QByteArray &name : std::as_const(inherited)) {
        if (names.contains(name) || ::fremovexattr(to, name.constData()) == 0)
            continue;
        if (!name.startsWith("security."))
            return WouldLose(
                EnglishText("Engine", "the extended attribute %1 cannot be removed from the new file").arg(Name(name)));
    }
    return {};
}
