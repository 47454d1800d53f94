// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/tagcontainer.h"

// The tags of an MP3 file: an ID3v2 tag at its start and an ID3v1 tag at
// its last 128 bytes. The ID3v2 tag is read as bytes before TagLib sees any
// of it (damaged and hostile tags are caught there) and rendered frame by
// frame, so every frame that does not change keeps its bytes. Every file that
// is not told apart as another format is read as one.
Result<std::unique_ptr<TagContainer>> ReadMp3Tags(const LockedFile &file);
