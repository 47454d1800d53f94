// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/tags/tagcontainer.h"

#include <QByteArray>

// A picture as FLAC's PICTURE block stores it, and Ogg files in the Base64
// of their METADATA_BLOCK_PICTURE comments.
struct FlacPicture
{
    quint32 type = 3; // front cover
    QByteArray mime;
    QByteArray description; // UTF-8 as a rule, kept as stored all the same
    quint32 width = 0;
    quint32 height = 0;
    quint32 depth = 0;   // bits per pixel
    quint32 colours = 0; // for indexed pictures; 0 for others
    QByteArray data;     // the image, sharing the bytes it was read from
};

// The picture in body; why not, unless its fields add up to its length exactly.
Result<FlacPicture> ParseFlacPicture(const QByteArray &body);

// Why picture number cannot be read, from what its block or comment failed with.
QString UnreadablePicture(int number, const QString &reason);
// The picture as a tag stores it; one whose MIME type is "-->" holds the
// address of a picture outside the file, not an image.
StoredPicture ToStoredPicture(const FlacPicture &picture);
QByteArray RenderFlacPicture(const FlacPicture &picture);

// A JPEG as a picture of that type and description, with its width, height
// and depth from its frame header (0 where it has none), as metaflac
// records them.
FlacPicture JpegPicture(const QByteArray &jpeg, quint32 type, const QByteArray &description);
