// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class TagLibrary;

// The steps every change of one file shares, a conversion's or a tag
// change's: the file must be there, its volume must hold a second copy of it
// (its length and 256,000 bytes more), and it is opened, and locked, in tags.
enum class OpenStep { Ready, FileMissing, LowDriveSpace, CannotOpen };
OpenStep OpenForRewrite(TagLibrary &tags, const QString &path);

// Writes the changes collected in tags, the ID3v1 tag's too when asked; the
// new file carries the old one's modification time to the nanosecond before
// it replaces it, so no one ever sees the file with a new time. False when
// the save was refused (tags tells why); the file is then as it was.
bool SaveKeepingTime(TagLibrary &tags, const QString &path, bool withId3v1);
