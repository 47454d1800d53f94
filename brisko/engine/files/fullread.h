// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

// Reads size bytes at offset of the open file fd into to, however many reads
// that takes. 0 when all were read, else the errno of the read that failed
// (EIO when the file ends first: it is shorter than it was).
int ReadFully(int fd, char *to, qint64 offset, qint64 size);

// Writes size bytes of data at the open file fd's position, however many
// writes that takes; false when one fails (the file system is full, ...).
bool WriteAll(int fd, const char *data, qint64 size);
