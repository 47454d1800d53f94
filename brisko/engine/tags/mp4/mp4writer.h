// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/files/atomicsave.h"
#include "engine/tags/mp4/mp4boxes.h"
#include "engine/tags/tagedits.h"

// The new file of a sound MP4 file as read: only the ilst items and covr
// data boxes the edits change get new bytes (udta, meta and ilst are made
// where the file has none), the boxes that hold them (covr, ilst, meta, udta,
// moov) grow or shrink with them, and when moov stands before media data
// every chunk offset that points past moov moves by as much. Every other
// box, their order and the media data keep their bytes, but for a free box
// right after ilst: that is padding, sized as padding.h says, for the file
// system's block (ShareBlock) where moov stands before the media data. fd is
// the file, held open by the caller; the bytes on moov's smaller side are
// read from it. The rewrite's check reads the new copy back and compares it
// with the original.
Result<FileRewrite> RenderMp4(const Mp4::File &file, int fd, qint64 fileSize, const TagEdits &edits,
                              qint64 block);

// The bytes of the free box right after ilst, which a save resizes; 0 when there is none.
qint64 Mp4Padding(const Mp4::File &file);
