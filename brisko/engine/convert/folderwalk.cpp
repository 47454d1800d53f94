// SPDX-License-Identifier: MIT
#include "engine/convert/folderwalk.h"

#include "engine/files/localpath.h"
#include "engine/tags/tagformats.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

QString FileIdentity(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QString();
    return QString::number(quint64(info.st_dev)) + u':' + QString::number(quint64(info.st_ino));
}

namespace {

// Qt lists a name that is not UTF-8 with U+FFFD in it, as a file that does
// not exist, and leaves it out: count such music files from the bytes.
int CountUnshowableMusicFiles(const QString &folder)
{
    int count = 0;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return 0;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = PathFromBytes(QByteArray(entry->d_name));
        struct stat info {};
        if (HasEscapedBytes(name) && HasMusicExtension(name)
            && ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode))
            ++count;
    }
    ::closedir(dir);
    return count;
}

} // namespace

bool IsUnshowableName(const QString &path)
{
    return path.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(path);
}

QString LeftOutMessage(int count)
{
    if (count == 1)
        return QCoreApplication::translate("Engine",
                                           "1 file was left out: its name is not valid UTF-8, which Brisko "
                                           "cannot show.\r\nbrisko-batch converts such files from a terminal.");
    return QCoreApplication::translate("Engine",
                                       "%1 files were left out: their names are not valid UTF-8, which Brisko "
                                       "cannot show.\r\nbrisko-batch converts such files from a terminal.")
        .arg(count);
}

bool WalkMusicTree(const QString &root, const std::function<bool()> &keepGoing, QStringList *files,
                   int *unshowable)
{
    // Hidden entries count; pipes, sockets and devices are no music files
    // (opening a pipe would wait forever), nor are links that lead nowhere.
    constexpr QDir::Filters AlsoHidden = QDir::Hidden;
    constexpr QDir::SortFlags ByName = QDir::Name | QDir::IgnoreCase;

    QStringList folders{QDir::cleanPath(root)};
    QSet<QString> seen{FileIdentity(folders.first())};
    for (qsizetype p = 0; p < folders.size(); ++p) {
        const QDir folder(folders.at(p));
        const QStringList subfolders = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | AlsoHidden, ByName);
        for (const QString &name : subfolders) {
            const QString path = folder.filePath(name);
            const QString identity = FileIdentity(path);
            if (!identity.isEmpty() && !seen.contains(identity)) {
                seen.insert(identity);
                folders << path;
            }
            if (!keepGoing())
                return false;
        }
        if (!keepGoing())
            return false;
    }

    for (const QString &path : std::as_const(folders)) {
        const QDir folder(path);
        for (const QString &name : folder.entryList(QDir::Files | AlsoHidden, ByName)) {
            if (HasMusicExtension(name))
                *files << folder.filePath(name);
            if (!keepGoing())
                return false;
        }
        if (unshowable)
            *unshowable += CountUnshowableMusicFiles(path);
        if (!keepGoing())
            return false;
    }
    return true;
}
