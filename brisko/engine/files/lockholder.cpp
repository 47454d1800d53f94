// SPDX-License-Identifier: MIT
#include "engine/files/lockholder.h"

#include <QFile>
#include <QList>

#include <sys/sysmacros.h>

namespace {

QByteArray ReadProc(const QByteArray &path)
{
    // Files of /proc tell their size only by being read to the end.
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The process holding the lock on file, from /proc/locks lines such as
// "1: FLOCK  ADVISORY  WRITE 4242 00:2d:1234 0 EOF" (device numbers in
// hexadecimal); 0 when none is shown. Lines of waiters carry "->".
QByteArray HolderOf(const struct stat &file)
{
    const QByteArray device = QByteArray::number(major(file.st_dev), 16).rightJustified(2, '0') + ':'
                              + QByteArray::number(minor(file.st_dev), 16).rightJustified(2, '0') + ':'
                              + QByteArray::number(quint64(file.st_ino));
    for (const QByteArray &line : ReadProc("/proc/locks").split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields.at(1) != "->" && fields.at(5) == device)
            return fields.at(4);
    }
    return QByteArray();
}

} // namespace

QByteArray LockHolderWork(const struct stat &file)
{
    const QByteArray pid = HolderOf(file);
    if (pid.isEmpty() || pid.toLongLong() <= 0)
        return QByteArray();
    // The processor time (fields 14 and 15, after the name in parentheses)
    // and, where this user may read it, the bytes read and written.
    const QByteArray stat = ReadProc("/proc/" + pid + "/stat");
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return QByteArray();
    QByteArray work = pid + ' ' + fields.at(11) + ' ' + fields.at(12);
    for (const QByteArray &line : ReadProc("/proc/" + pid + "/io").split('\n')) {
        if (line.startsWith("rchar:") || line.startsWith("wchar:"))
            work += ' ' + line.mid(6).trimmed();
    }
    return work;
}
