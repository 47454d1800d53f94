// SPDX-License-Identifier: MIT
#include "engine/files/filetimes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

bool SetTimes(const QString &path, qint64 accessMs, qint64 modifiedMs)
{
    struct timespec times[2] {};
    times[0].tv_sec = accessMs / 1000;
    times[0].tv_nsec = (accessMs % 1000) * 1000000;
    times[1].tv_sec = modifiedMs / 1000;
    times[1].tv_nsec = (modifiedMs % 1000) * 1000000;
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

struct stat StatOf(const QString &path)
{
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}

} // namespace

class TestFileTimes : public QObject
{
    Q_OBJECT

private slots:
    void restoresToTheWholeSecond();
    void accessTimeIsKept();
    void readOnlyOrMissingFileGivesFalse();

private:
    QString MakeFile(QTemporaryDir &dir, const char *name);
};

QString TestFileTimes::MakeFile(QTemporaryDir &dir, const char *name)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot create a fixture");
    file.write("data");
    return path;
}

void TestFileTimes::restoresToTheWholeSecond()
{
    QTemporaryDir dir;
    const QString path = MakeFile(dir, "song.mp3");
    const QDateTime remembered(QDate(2024, 3, 9), QTime(10, 15, 42, 730));
    QVERIFY(SetTimes(path, remembered.toMSecsSinceEpoch(), remembered.toMSecsSinceEpoch()));

    const QDateTime read = LastModified(path);
    QCOMPARE(read, QDateTime(QDate(2024, 3, 9), QTime(10, 15, 42)));

    // A save moves the time on; the remembered one comes back without its fraction.
    QVERIFY(SetTimes(path, remembered.toMSecsSinceEpoch(), QDateTime::currentMSecsSinceEpoch()));
    QVERIFY(RestoreModifiedTime(path, remembered));
    const struct stat info = StatOf(path);
    QCOMPARE(qint64(info.st_mtim.tv_sec), remembered.toSecsSinceEpoch());
    QCOMPARE(qint64(info.st_mtim.tv_nsec), qint64(0));
    QCOMPARE(QFileInfo(path).lastModified(), QDateTime(QDate(2024, 3, 9), QTime(10, 15, 42)));
}

void TestFileTimes::accessTimeIsKept()
{
    QTemporaryDir dir;
    const QString path = MakeFile(dir, "song.mp3");
    const qint64 access = QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5, 600)).toMSecsSinceEpoch();
    QVERIFY(SetTimes(path, access, access));
    QVERIFY(RestoreModifiedTime(path, QDateTime(QDate(2021, 6, 7), QTime(8, 9, 10))));
    const struct stat info = StatOf(path);
    QCOMPARE(qint64(info.st_atim.tv_sec) * 1000 + info.st_atim.tv_nsec / 1000000, access);
    QCOMPARE(QFile(path).size(), qint64(4)); // opened for writing, never truncated
}

void TestFileTimes::readOnlyOrMissingFileGivesFalse()
{
    QTemporaryDir dir;
    const QString path = MakeFile(dir, "locked.mp3");
    const QDateTime before = LastModified(path);
    // No write bit at all: refused even for root, who could open it anyway.
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(!RestoreModifiedTime(path, QDateTime(QDate(2001, 1, 1), QTime(0, 0))));
    QCOMPARE(LastModified(path), before);

    QVERIFY(!RestoreModifiedTime(dir.filePath(QStringLiteral("missing.mp3")), QDateTime::currentDateTime()));
    QVERIFY(!RestoreModifiedTime(dir.path(), QDateTime::currentDateTime()));
    QVERIFY(!RestoreModifiedTime(MakeFile(dir, "other.mp3"), QDateTime()));
    QVERIFY(!LastModified(dir.filePath(QStringLiteral("missing.mp3"))).isValid());
}

QTEST_GUILESS_MAIN(TestFileTimes)
#include "tst_filetimes.moc"
