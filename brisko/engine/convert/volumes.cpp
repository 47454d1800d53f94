// SPDX-License-Identifier: MIT
#include "engine/convert/volumes.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStorageInfo>
#include <QStringList>

#include <mutex>

#include <sys/stat.h>

namespace {

// The number of the file system holding path, as the kernel tells it now.
bool DeviceOf(const QString &path, quint64 *device)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    *device = quint64(info.st_dev);
    return true;
}

bool IsWithin(const QString &folder, const QString &root)
{
    if (root == QLatin1String("/"))
        return folder.startsWith(u'/');
    return folder == root || folder.startsWith(root + u'/');
}

// A mount point found before still serves a folder when the folder lies
// below it and both are on the same file system now. A card mounted after
// another one was taken away often gets that one's number, at another place.
bool StillServes(const QString &root, const QString &folder, quint64 device)
{
    quint64 rootDevice = 0;
    return IsWithin(folder, root) && DeviceOf(root, &rootDevice) && rootDevice == device;
}

} // namespace

QString VolumeOf(const QString &path)
{
    // Finding a mount point reads the whole mount table: the mount points
    // found are kept by file system number, and checked on every use. The
    // workers that read added files share them; the lock guards only the
    // list, never a look at the disk or the mount table.
    static std::mutex mutex;
    static QHash<quint64, QStringList> rootsOfDevice;
    const QString folder = QFileInfo(path).absolutePath();
    quint64 device = 0;
    if (!DeviceOf(folder, &device))
        return QString();
    QStringList known;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        known = rootsOfDevice.value(device);
    }
    for (const QString &root : std::as_const(known)) {
        if (StillServes(root, folder, device))
            return root;
    }
    const QStorageInfo volume(folder);
    const QString root = volume.isValid() ? volume.rootPath() : QString();
    if (!root.isEmpty()) {
        const std::lock_guard<std::mutex> lock(mutex);
        QStringList &roots = rootsOfDevice[device];
        if (!roots.contains(root))
            roots.append(root);
    }
    return root;
}

bool VolumeAvailable(const QString &root, const QString &path)
{
    if (root.isEmpty())
        return true;
    // Once a volume is taken away its mount point, if still there, belongs to
    // the volume above it.
    const QStorageInfo volume(root);
    if (!volume.isValid() || !volume.isReady() || volume.rootPath() != root)
        return false;
    // Another volume mounted inside it since hides the file that was added.
    const QString folder = QFileInfo(path).absolutePath();
    quint64 rootDevice = 0;
    quint64 folderDevice = 0;
    if (path.isEmpty() || !DeviceOf(folder, &folderDevice))
        return true; // a missing file or folder is told by the work itself
    return DeviceOf(root, &rootDevice) && rootDevice == folderDevice;
}

QString VolumeUnavailableMessage(const QString &root)
{
    return QCoreApplication::translate("Engine", "Can't continue\nDrive: %1 is unavailable").arg(root);
}
