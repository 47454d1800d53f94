// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/filestart.h"
#include "engine/tags/tagcontainer.h"

// The tags of an MP3 file: an ID3v2 tag at its start and an ID3v1 tag at
// its last 128 bytes. The ID3v2 tag is read as bytes before TagLib sees any
// of it (damaged and hostile tags are caught there) and rendered frame by
// frame, so every frame that does not change keeps its bytes.
Result<std::unique_ptr<TagContainer>> ReadMp3Tags(const LockedFile &file);

// An MP3 file begins with an ID3v2 tag, or holds MPEG audio frames within its
// first 64 KB (after junk some programs leave in front of the first frame).
bool IsMp3(const FileStart &start);
// The ID3v2 tag's declared size, what reading it takes; 0 for a tag too
// large to be read, which is refused unread.
qint64 Mp3MetadataBytes(const FileStart &start);
