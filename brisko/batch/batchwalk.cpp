#include "batch/batchwalk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sys/stat.h>

namespace {

// Device and inode: one folder or file however it is reached.
QString FileKey(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QString();
    return QString::number(quint64(info.st_dev)) + u':' + QString::number(quint64(info.st_ino));
}

void Walk(const QString &folder, QSet<QString> *visited, QStringList *files, QStringList *problems);

void AddFile(const QString &path, QSet<QString> *visited, QStringList *files)
{
    const QString key = QStringLiteral("file ") + FileKey(path);
    if (!visited->contains(key)) {
        visited->insert(key);
        *files << path;
    }
}

void Walk(const QString &folder, QSet<QString> *visited, QStringList *files, QStringList *problems)
{
    const QString key = FileKey(folder);
    if (key.isEmpty() || visited->contains(key))
        return;
    visited->insert(key);
    const QDir dir(folder);
    if (!dir.isReadable()) {
        *problems << folder + QStringLiteral(": cannot be read");
        return;
    }
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    QStringList folders;
    for (const QFileInfo &entry : entries) {
        if (entry.isDir())
            folders << entry.filePath();
        else if (entry.isFile() && entry.fileName().endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive))
            AddFile(entry.filePath(), visited, files);
    }
    for (const QString &sub : std::as_const(folders))
        Walk(sub, visited, files, problems);
}

} // namespace

QStringList CollectMp3Files(const QStringList &paths, QStringList *problems)
{
    QStringList files;
    QSet<QString> visited;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir())
            Walk(QDir::cleanPath(path), &visited, &files, problems);
        else if (info.isFile())
            AddFile(path, &visited, &files);
        else
            *problems << path + QStringLiteral(": no such file or folder");
    }
    return files;
}
