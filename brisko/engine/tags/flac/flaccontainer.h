// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/filestart.h"
#include "engine/tags/tagcontainer.h"

// The tags of a FLAC file: the fields of its comment block and the pictures
// of its PICTURE blocks (an ID3v2 tag in front of it is kept, not read).
Result<std::unique_ptr<TagContainer>> ReadFlacTags(const LockedFile &file);

// A FLAC stream begins with "fLaC".
bool IsFlac(const FileStart &start);
// What its metadata blocks declare, with the ID3v2 tag in front: what
// reading them takes.
qint64 FlacMetadataBytes(const FileStart &start);
