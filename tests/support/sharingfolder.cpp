// SPDX-License-Identifier: MIT
#include "support/sharingfolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <unistd.h>

namespace {

// Empty when the program succeeded, else what it said.
QString Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    const bool ran = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    return ran && process.exitCode() == 0 ? QString() : program + u' ' + QString::fromLocal8Bit(process.readAllStandardError());
}

// Why no btrfs could be mounted on path, or nothing.
QString MountBtrfs(const QString &path)
{
    if (::geteuid() != 0)
        return QStringLiteral("no btrfs or XFS folder: name one in BRISKO_COW_DIR, or run as root to mount one");
    QFile image(path + QStringLiteral(".img"));
    if (!QDir().mkpath(path) || !image.open(QIODevice::WriteOnly) || !image.resize(256 << 20))
        return QStringLiteral("no image file for a btrfs could be made");
    image.close();
    const QString why = Run(QStringLiteral("mkfs.btrfs"), {QStringLiteral("-qf"), image.fileName()});
    return why.isEmpty() ? Run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"), image.fileName(), path}) : why;
}

} // namespace

SharingFolder::~SharingFolder()
{
    if (mounted_)
        Run(QStringLiteral("umount"), {path_});
}

QString SharingFolder::Path(QString *why)
{
    if (path_.isEmpty() && none_.isEmpty()) {
        const QString mountPoint = scratch_ + QStringLiteral("/btrfs");
        none_ = MountBtrfs(mountPoint);
        mounted_ = none_.isEmpty();
        path_ = mounted_ ? mountPoint : QString();
    }
    *why = none_;
    return path_;
}
