// SPDX-License-Identifier: MIT
#include "base/errorlog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

QString ErrorLogPath()
{
    return ErrorLogPathFor(QCoreApplication::applicationDirPath());
}

QString ErrorLogPathFor(const QString &programFolder)
{
    // A build keeps its log beside itself, where its developer looks. Any
    // other copy shares its folder with every user and the package manager
    // (brisko-batch may be installed without the window, and root may write
    // /usr/bin): its log goes to the user's own data folder.
    const bool build = QFileInfo::exists(programFolder + QStringLiteral("/../CMakeCache.txt"));
    QString folder = programFolder;
    if (!build || folder.isEmpty() || !QFileInfo(folder).isWritable()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/Brisko");
        QDir().mkpath(folder);
    }
    return QDir(folder).filePath(ErrorLogFileName);
}

void LogError(const QString &procedure, const QString &message)
{
    AppendErrorEntry(ErrorLogPath(), procedure, message);
}

void AppendErrorEntry(const QString &logPath, const QString &procedure, const QString &message)
{
    QFileInfo existing(logPath);
    if (existing.exists() && existing.size() > ErrorLogSizeLimit)
        QFile::remove(logPath);

    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    const QString entry = locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(now.time(), QLocale::LongFormat) + QStringLiteral("\r\n")
        + procedure + QLatin1Char('\t') + message + QStringLiteral("\r\n\r\n");

    // One write, so an entry is cut short only when the disk is full.
    QFile log(logPath);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(entry.toUtf8());
}

