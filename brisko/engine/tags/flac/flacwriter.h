// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/files/atomicsave.h"
#include "engine/tags/flac/flacmetadata.h"
#include "engine/tags/tagedits.h"
#include "engine/tags/vorbis/vorbiscomment.h"

// The new file of a sound FLAC file as read (metadata and its parsed comment
// block): only the blocks the edits change get a new length and body, a new
// block goes after the last one that is not padding, and the last padding
// block (or a new one at the end) is sized as padding.h says, for the file
// system's block (ShareBlock). Every other block, their order and every
// audio frame keep their bytes. The rewrite's check reads the new copy back
// and compares it with the original.
Result<FileRewrite> RenderFlac(const Flac::Metadata &metadata, const Vorbis::Comments &comments, qint64 fileSize,
                               const TagEdits &edits, qint64 shareBlock);

// The bytes of the padding blocks, headers included, that a save merges
// into one and resizes; 0 when there are none.
qint64 FlacPadding(const Flac::Metadata &metadata);
