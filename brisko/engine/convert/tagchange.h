// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/taglibrary.h"

#include <QByteArray>
#include <QMap>
#include <QString>

// One change the user asked for in the picture and tag dialog, the same for
// every chosen file: the fields to write (a field left out is kept as each
// file has it; an empty text empties it) and, when there is one, the new
// picture as a finished JPEG.
struct TagChange
{
    QMap<TagField, QString> fields;
    bool hasPicture = false;
    QByteArray jpeg;
};

// What became of one file.
enum class ChangeOutcome {
    Changed = 0,
    SaveFailed = 1,    // the file is as it was
    LowDriveSpace = 2, // less free than the file's length and 256,000 bytes
    FileMissing = 3,
};

// Writes the change into one music file: the fields into both tags (an ID3v1
// tag only where the file has one; a track number alone keeps the total
// the file stores), the picture in place of picture 1 with
// that picture's type, in one complete rewrite that carries the file's old
// modification time to the nanosecond, or why the file was left as it was
// (see ChangeOutcomeOf). tags.OtherNamesOfSaved() then tells how many other
// hard links of the file keep the old content.
Result<void> ApplyTagChange(TagLibrary &tags, const QString &path, const TagChange &change);
// What became of the file, from what ApplyTagChange answered.
ChangeOutcome ChangeOutcomeOf(const Result<void> &applied);
