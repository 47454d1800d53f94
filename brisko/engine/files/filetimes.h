// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QString>

// Keeps a rewritten file's place in lists and players sorted by date: read the
// modification time before a save, put it back after.

// The file's last-modified time to the whole second; invalid when it has none.
QDateTime LastModified(const QString &path);

// Sets the file's last-modified time to when, truncated to the whole second,
// leaving its access time as it is. False when the file may not be written
// (no write permission for the user, or no write bit at all even for root)
// or the time cannot be set.
bool RestoreModifiedTime(const QString &path, const QDateTime &when);
