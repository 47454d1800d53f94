// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

#include <sys/stat.h>

// A mark of the work done so far by the process holding the lock on a file:
// which process it is, its processor time and the bytes it has read and
// written, as /proc shows them. It changes while the holder gets on with its
// work, and stays while the holder sits idle. Empty when no holder is shown.
QByteArray LockHolderWork(const struct stat &file);
