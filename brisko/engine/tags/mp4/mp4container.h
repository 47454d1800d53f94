// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/filestart.h"
#include "engine/tags/tagcontainer.h"

// The tags of an MP4 file (.m4a, .m4b, .mp4): the items of its
// moov/udta/meta/ilst and the pictures in their covr item.
Result<std::unique_ptr<TagContainer>> ReadMp4Tags(const LockedFile &file);

// An MP4 file is a tree of boxes: the file's own boxes, walked by their
// headers from the start, are sane (each at least a header long, inside the
// file, named in plain letters) up to an ftyp or moov among them, whichever
// box comes first.
bool IsMp4(const FileStart &start);
// The size of its moov box: what reading it takes.
qint64 Mp4MetadataBytes(const FileStart &start);
