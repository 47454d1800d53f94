// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/filestart.h"
#include "engine/tags/tagcontainer.h"

// The tags of an Ogg Vorbis or Opus file: the fields and pictures of its
// comment header.
Result<std::unique_ptr<TagContainer>> ReadOggTags(const LockedFile &file);

// An Ogg stream begins with "OggS"; an Opus stream's first packet with
// "OpusHead", and every other is read as Vorbis (the reader tells what it
// cannot read).
bool IsOpus(const FileStart &start);
bool IsOggVorbis(const FileStart &start);
// What the pages up to the last header packet declare, with the ID3v2 tag
// in front: what reading the header packets takes.
qint64 OggHeaderBytes(const FileStart &start);
