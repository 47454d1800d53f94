// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/tagcontainer.h"

// The tags of an Ogg Vorbis or Opus file: the fields and pictures of its
// comment header.
Result<std::unique_ptr<TagContainer>> ReadOggTags(const LockedFile &file);
