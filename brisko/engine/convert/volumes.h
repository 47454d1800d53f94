// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Where a drive letter names a file's disk, this program names the mounted
// volume that held the file when it was added: a card or a network share
// that has been taken away since is "unavailable".

// The mount point of the volume holding path now; empty when it cannot be
// told. (For the window's thread: it keeps the mount points it found.)
QString VolumeOf(const QString &path);
// True when a volume is still mounted at root and is still the one holding
// the folder of path (an empty root always is). Asked anew on every call: a
// volume taken away and another put in its place are told apart.
bool VolumeAvailable(const QString &root, const QString &path);
// "Can't continue", a line break, "Drive: ", the volume and " is unavailable".
QString VolumeUnavailableMessage(const QString &root);
