#include "batch/batchwalk.h"

#include "intake/folderwalk.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

void Walk(const QString &folder, QSet<QString> *visited, QStringList *files, QStringList *problems);

void AddFile(const QString &path, QSet<QString> *visited, QStringList *files)
{
    const QString key = QStringLiteral("file ") + FileIdentity(path);
    if (!visited->contains(key)) {
        visited->insert(key);
        *files << path;
    }
}

void Walk(const QString &folder, QSet<QString> *visited, QStringList *files, QStringList *problems)
{
    const QString key = FileIdentity(folder);
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
        else if (entry.isFile() && HasMp3Extension(entry.fileName()))
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
