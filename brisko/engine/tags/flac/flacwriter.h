// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/files/atomicsave.h"
#include "engine/tags/flac/flacmetadata.h"
#include "engine/tags/tagedits.h"
#include "engine/tags/vorbis/vorbiscomment.h"

// The new file of a sound FLAC file as read (metadata and its parsed comment
// block): only the blocks the edits change get a new length and body, a new
// block goes after the last one that is not padding, and the padding takes
// up the change in size where it can, so that the audio stays where it was.
// Every other block, their order and every audio frame keep their bytes.
// The rewrite's check reads the new copy back and compares it with the
// original.
Result<FileRewrite> RenderFlac(const Flac::Metadata &metadata, const Vorbis::Comments &comments, qint64 fileSize,
                               const TagEdits &edits);
