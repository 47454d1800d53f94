// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/files/diskroom.h"
#include "engine/files/sidefile.h"

#include <QString>

#include <memory>

struct FileRewrite;
class LockedFile;

// The two steps of a rewrite, so that several files can take the second
// together (ReplaceGroup).

// The room of the new file on the original's volume, held while it is made
// and until it waits in a group or is in place; NoRoom when the volume has
// none even after the waiting copies are put in place.
Result<std::unique_ptr<RoomClaim>> ClaimRoom(const FileRewrite &rewrite, const LockedFile &original);

// The complete new file beside the original: written, read back, checked by
// its format, given the original's owner, attributes and times; its way to
// the disk begun, not waited for.
Result<std::unique_ptr<SideFile>> MakeCheckedCopy(const FileRewrite &rewrite, const LockedFile &original);

// Waits until the copy's bytes, and what its file system needs to find
// them, are on disk.
Result<void> FlushCopy(const SideFile &copy);

// Renames the flushed copy over the original's name when the original is
// still as it was read. Gives the number of the original's other names. The
// rename reaches the disk with FlushFolder(copy.Folder()).
Result<int> PutInPlace(SideFile &copy, const LockedFile &original);
