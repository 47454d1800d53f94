// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// File names on Linux are bytes, and not every name is UTF-8 (a Latin-1 name
// copied from an old player, a damaged one). Such a name keeps each byte that
// is not part of valid UTF-8 as a lone U+DC80..U+DCFF in the text, the way
// Python's "surrogateescape" does, so it can be opened, saved and reported
// again with exactly its own bytes. Valid UTF-8 reads as Qt reads it.
QString PathFromBytes(const QByteArray &bytes);
QByteArray BytesFromPath(const QString &path);

// Whether the name holds such escaped bytes: it cannot be shown as it is.
bool HasEscapedBytes(const QString &path);

// The path for people to read: escaped bytes as \xNN, a backslash as \\.
// Valid UTF-8 names without backslashes read as they are.
QString ReadablePath(const QString &path);

// The folder part of a path ("." for a bare name), with no file system look-up.
QString FolderOf(const QString &path);
// The same for a name's bytes.
QByteArray FolderOfName(const QByteArray &name);
