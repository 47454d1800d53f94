#include "processing/volumes.h"

#include <QFileInfo>
#include <QStorageInfo>

QString VolumeOf(const QString &path)
{
    const QStorageInfo volume(QFileInfo(path).absolutePath());
    return volume.isValid() ? volume.rootPath() : QString();
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
