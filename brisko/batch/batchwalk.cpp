// SPDX-License-Identifier: MIT
#include "batch/batchwalk.h"

#include "engine/files/localpath.h"
#include "engine/tags/tagformats.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>

namespace {

using Identity = QPair<quint64, quint64>;

struct Walk
{
    QList<BatchFile> files;
    QHash<Identity, qsizetype> fileAt; // where a file's first name went
    QSet<Identity> folders;
    QStringList *problems;

    void AddFile(const QString &path, const struct stat &info);
    void Folder(const QString &folder);
};

Identity IdentityOf(const struct stat &info)
{
    return {quint64(info.st_dev), quint64(info.st_ino)};
}

bool Look(const QString &path, struct stat *info)
{
    return ::stat(BytesFromPath(path).constData(), info) == 0;
}

bool IsSymbolicLink(const QString &path)
{
    struct stat info {};
    return ::lstat(BytesFromPath(path).constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

void Walk::AddFile(const QString &path, const struct stat &info)
{
    const Identity identity = IdentityOf(info);
    const auto found = fileAt.constFind(identity);
    if (found == fileAt.cend()) {
        fileAt.insert(identity, files.size());
        files.append({path, {}, int(info.st_nlink)});
        return;
    }
    // A symbolic link is no name of the file: it shows whatever file its
    // target is, the new one after the conversion.
    BatchFile &file = files[*found];
    if (path == file.path || IsSymbolicLink(path))
        return;
    if (IsSymbolicLink(file.path))
        file.path = path;
    else if (!file.otherNames.contains(path))
        file.otherNames.append(path);
}

// The folder's names, as the bytes they are, in order.
QStringList Names(const QString &folder, bool *readable)
{
    QStringList names;
    DIR *dir = ::opendir(BytesFromPath(folder).constData());
    *readable = dir != nullptr;
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(PathFromBytes(name));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

void Walk::Folder(const QString &folder)
{
    struct stat info {};
    if (!Look(folder, &info) || folders.contains(IdentityOf(info)))
        return;
    folders.insert(IdentityOf(info));
    bool readable = false;
    const QStringList names = Names(folder, &readable);
    if (!readable) {
        *problems << QCoreApplication::translate("Batch", "%1: cannot be read").arg(ReadablePath(folder));
        return;
    }
    QStringList subfolders;
    for (const QString &name : names) {
        const QString path = folder == QStringLiteral("/") ? u'/' + name : folder + u'/' + name;
        if (!Look(path, &info))
            continue;
        if (S_ISDIR(info.st_mode))
            subfolders << path;
        else if (S_ISREG(info.st_mode) && HasMusicExtension(name))
            AddFile(path, info);
    }
    for (const QString &sub : std::as_const(subfolders))
        Folder(sub);
}

QString CleanPath(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

QList<BatchFile> CollectMusicFiles(const QStringList &paths, QStringList *problems)
{
    Walk walk;
    walk.problems = problems;
    for (const QString &path : paths) {
        struct stat info {};
        const QString shown = ReadablePath(path);
        if (!Look(path, &info))
            *problems << QCoreApplication::translate("Batch", "%1: no such file or folder").arg(shown);
        else if (S_ISDIR(info.st_mode))
            walk.Folder(CleanPath(path));
        else if (S_ISREG(info.st_mode))
            walk.AddFile(path, info);
        else // a pipe, a device or a socket: only looked at, never opened
            *problems << QCoreApplication::translate("Batch", "%1: not a regular file or folder").arg(shown);
    }
    return walk.files;
}
