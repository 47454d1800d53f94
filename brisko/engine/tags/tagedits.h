// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/tagfield.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>

// The changes a save writes into a file's tags, collected until then.
struct TagEdits
{
    struct Picture
    {
        QByteArray jpeg;
        short type = 3; // the picture type it is stored with
    };
    // The seven fields of the file's tag; an empty text removes the field.
    QMap<TagField, QString> fields;
    // Replaces the picture that is first once frontPicture has moved.
    std::optional<Picture> firstPicture;
    QMap<int, Picture> laterPictures; // by their stored numbers, 2 and on, each keeping its type
    // The fields of an ID3v1 tag, written only where the file has one.
    QMap<TagField, QString> id3v1;
    // The tags are written anew even with nothing else to change, so that
    // their padding is made small.
    bool shrinkPadding = false;
    // The stored number of a picture to move ahead of the others (0 or 1:
    // none); only the order of the pictures changes, not their bytes.
    int frontPicture = 0;

    bool HasTagChanges() const
    {
        return !fields.isEmpty() || firstPicture || !laterPictures.isEmpty() || shrinkPadding || frontPicture > 1;
    }
    // Where picture number (as stored) stands once frontPicture has moved.
    int NumberAfterMove(int number) const
    {
        if (frontPicture <= 1 || number > frontPicture)
            return number;
        return number == frontPicture ? 1 : number + 1;
    }
};
