// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/tagcontainer.h"
#include "engine/tags/vorbis/vorbiscomment.h"

// The pictures of an Ogg file's comments: METADATA_BLOCK_PICTURE entries,
// the Base64 of a FLAC picture block, and the older COVERART, the Base64 of
// the image alone (its type unknown: taken as the front cover).
namespace OggPictures {

// The names the picture entries go by, and the MIME type of a COVERART.
extern const QSet<QByteArray> Names;

// The entries that hold pictures, in stored order.
QList<int> PictureEntries(const Vorbis::Comments &comments);

// The picture of such an entry, and the description stored with it; why
// not where its Base64 is not strict or its picture's fields do not add up.
Result<StoredPicture> ReadPicture(const QByteArray &entry, QByteArray *description);

// Picture number (from 1) made the JPEG, in its place and form (a COVERART
// stays one, its MIME type becoming a JPEG's), or a new picture entry at the
// end where there is no such picture. A picture block keeps description,
// the one ReadPicture gave.
void PutPicture(Vorbis::Comments *comments, int number, const TagEdits::Picture &picture,
                const QByteArray &description);

} // namespace OggPictures
