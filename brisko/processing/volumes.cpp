#include "processing/volumes.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStorageInfo>

#include <sys/stat.h>

QString VolumeOf(const QString &path)
{
    // Finding a mount point reads the whole mount table; the answer for a
    // device stays the same while it is mounted, and an album is one device.
    static QHash<quint64, QString> rootOfDevice;
    const QString folder = QFileInfo(path).absolutePath();
    struct stat info {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0)
        return QString();
    const auto known = rootOfDevice.constFind(quint64(info.st_dev));
    if (known != rootOfDevice.constEnd())
        return known.value();
    const QStorageInfo volume(folder);
    const QString root = volume.isValid() ? volume.rootPath() : QString();
    rootOfDevice.insert(quint64(info.st_dev), root);
    return root;
}

bool VolumeAvailable(const QString &root)
{
    if (root.isEmpty())
        return true;
    // Once a volume is taken away its mount point, if still there, belongs to
    // the volume above it.
    const QStorageInfo volume(root);
    return volume.isValid() && volume.isReady() && volume.rootPath() == root;
}

QString VolumeUnavailableMessage(const QString &root)
{
    return QStringLiteral("Can't continue\nDrive: ") + root + QStringLiteral(" is unavailable");
}
