// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/files/atomicsave.h"
#include "engine/tags/ogg/oggstream.h"
#include "engine/tags/tagedits.h"

// The new file of a sound Ogg file as read from fd: only the comment packet
// (and an Ogg FLAC PICTURE block that changes) is rendered again, the header
// pages (with Vorbis' setup packet or FLAC's other blocks, which share them)
// laid out anew, on as many pages as before where it fits them. Every audio
// page is checked first; where the header's page count changed, the audio
// pages get new sequence numbers and CRCs and nothing else, made page by
// page as the new file is written. An Opus comment header's padding is sized
// as padding.h says, for the file system's block (ShareBlock), and so that
// the pages keep their count. Every audio packet and granule position, and
// the bytes after the last page, stay as they were. The rewrite's check
// reads the new copy back and compares it with the original.
// descriptions: the one stored with each picture, in the pictures' order, as read.
Result<FileRewrite> RenderOgg(const Ogg::Stream &stream, int fd, qint64 fileSize, const TagEdits &edits,
                              const QList<QByteArray> &descriptions, qint64 shareBlock);

// The bytes of an Opus comment header's padding, which a save resizes; 0 for Vorbis and FLAC.
qint64 OggPadding(const Ogg::Stream &stream);
