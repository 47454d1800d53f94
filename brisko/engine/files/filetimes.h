// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QDateTime>
#include <QString>

// Keeps a rewritten file's place in lists and players sorted by date: read the
// modification time before a save, put it back after.

// The file's last-modified time to the whole second; invalid when it has none.
QDateTime LastModified(const QString &path);

// Sets the file's last-modified time to when, truncated to the whole second,
// leaving its access time as it is. Fails with NotWritable when the file may
// not be written (no write permission for the user, or no write bit at all
// even for root), with WriteFailed when the time cannot be set.
Result<void> RestoreModifiedTime(const QString &path, const QDateTime &when);
