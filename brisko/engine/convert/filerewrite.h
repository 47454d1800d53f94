// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QString>

#include <functional>

class LockedFile;
class TagLibrary;

// Whether anything is at path (links followed); names that are not UTF-8 included.
bool Exists(const QString &path);

// The bytes the user may still write on the volume holding a file: tests put
// a smaller figure for the file at path in its place; nullptr restores the
// real query.
using FreeSpaceQuery = std::function<qint64(const QString &path)>;
void SetFreeSpaceQuery(FreeSpaceQuery query);
// Whether file, opened and locked from path, may be rewritten: its volume
// must hold its length and 256,000 bytes more, once the saves waiting to be
// put in place have given back their originals' space.
bool RoomToRewrite(const QString &path, const LockedFile &file);

// The steps every change of one file shares, a conversion's or a tag
// change's: the file must be there, its volume must hold a second copy of it
// (its length and 256,000 bytes more), and it is opened, and locked, in tags.
// Fails with FileNotFound for a missing file, NoRoom for a volume without
// that room, else with why the file cannot be opened.
Result<void> OpenForRewrite(TagLibrary &tags, const QString &path);

// Writes the changes collected in tags, the ID3v1 tag's too when asked; the
// new file carries the old one's modification time to the nanosecond before
// it replaces it, so no one ever sees the file with a new time. A save that
// is refused leaves the file as it was.
Result<void> SaveKeepingTime(TagLibrary &tags, const QString &path, bool withId3v1);
