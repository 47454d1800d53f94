#pragma once

#include <QString>

// Where a drive letter names a file's disk, this program names the mounted
// volume that held the file when it was added: a card or a network share
// that has been taken away since is "unavailable".

// The mount point of the volume holding path now; empty when it cannot be
// told. (For the window's thread: it keeps what it found per device.)
QString VolumeOf(const QString &path);
// True when the volume is still mounted at root (an empty root always is).
bool VolumeAvailable(const QString &root);
// "Can't continue", a line break, "Drive: ", the volume and " is unavailable".
QString VolumeUnavailableMessage(const QString &root);
