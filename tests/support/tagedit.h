// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/taglibrary.h"

#include <QCryptographicHash>
#include <QHash>
#include <QProcess>
#include <QString>

// What the container tests share: edits given as text, the outside tools
// that read the results, and the digests the mutagen scripts print.
namespace TagEdit {

// A tool's standard output, then its errors; exitCode gets its exit code
// (-1 when it did not run or crashed).
inline QByteArray Run(const QString &tool, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput() + process.readAllStandardError();
}

// The first eight hex digits of the bytes' MD5.
inline QString Digest(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().left(8));
}

// Edits as "Title=New;Track=7/12;picture;picture2" (jpeg as picture 1 or
// 2) made in the open file and saved; the save's result.
inline short EditAndSave(TagLibrary &tags, const QString &path, const QString &edits, const QByteArray &jpeg)
{
    static const QHash<QString, TagField> fields = {
        {QStringLiteral("Title"), TagField::Title}, {QStringLiteral("Artist"), TagField::Artist},
        {QStringLiteral("Album"), TagField::Album}, {QStringLiteral("Track"), TagField::Track},
        {QStringLiteral("Genre"), TagField::Genre}, {QStringLiteral("Year"), TagField::Year},
        {QStringLiteral("Comment"), TagField::Comment}};
    for (const QString &edit : edits.split(u';', Qt::SkipEmptyParts)) {
        if (edit == QLatin1String("picture"))
            tags.AddPictureData(jpeg, 3);
        else if (edit == QLatin1String("picture2"))
            tags.ReplacePictureData(2, jpeg);
        else
            tags.SetId3v2Field(fields.value(edit.section(u'=', 0, 0)), edit.section(u'=', 1));
    }
    return tags.SaveId3v2Tag(path);
}

} // namespace TagEdit
