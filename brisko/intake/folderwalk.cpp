#include "intake/folderwalk.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <sys/stat.h>

QString FileIdentity(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QString();
    return QString::number(quint64(info.st_dev)) + u':' + QString::number(quint64(info.st_ino));
}

bool HasMp3Extension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot >= 0 && QStringView(name).mid(dot + 1).compare(u"mp3", Qt::CaseInsensitive) == 0;
}

bool WalkMp3Tree(const QString &root, const std::function<bool()> &keepGoing, QStringList *files)
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
            if (HasMp3Extension(name))
                *files << folder.filePath(name);
            if (!keepGoing())
                return false;
        }
        if (!keepGoing())
            return false;
    }
    return true;
}
