// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/tagcontainer.h"

// The tags of an MP4 file (.m4a, .m4b, .mp4): the items of its
// moov/udta/meta/ilst and the pictures in their covr item.
Result<std::unique_ptr<TagContainer>> ReadMp4Tags(const LockedFile &file);
