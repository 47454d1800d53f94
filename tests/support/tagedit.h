// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/taglibrary.h"

#include <QCryptographicHash>
#include <QStringList>

// The container tests' edits given as text, and the digests their mutagen scripts print.
namespace TagEdit {

inline QString Digest(const QByteArray &bytes) // the first eight hex digits of the MD5
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().left(8));
}

// Edits as "Title=New;Track=7/12;picture;picture2" (jpeg as picture 1 or 2)
// made in the open file and saved; the save's result.
inline short EditAndSave(TagLibrary &tags, const QString &path, const QString &edits, const QByteArray &jpeg)
{
    const QStringList fields = QStringLiteral("Title Artist Album Track Genre Year Comment").split(u' '); // as TagField
    for (const QString &edit : edits.split(u';', Qt::SkipEmptyParts)) {
        if (edit == QLatin1String("picture"))
            tags.AddPictureData(jpeg, 3);
        else if (edit == QLatin1String("picture2"))
            tags.ReplacePictureData(2, jpeg);
        else
            tags.SetId3v2Field(TagField(fields.indexOf(edit.section(u'=', 0, 0))), edit.section(u'=', 1));
    }
    return tags.SaveId3v2Tag(path);
}

} // namespace TagEdit
