// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QtGlobal>

// Reads size bytes at offset of the open file fd into to, however many reads
// that takes; fails with CannotRead and the system's reason for the read that
// failed ("Input/output error" when the file ends first: it is shorter than
// it was).
Result<void> ReadFully(int fd, char *to, qint64 offset, qint64 size);

// Writes size bytes of data at the open file fd's position, however many
// writes that takes; fails with WriteFailed and the system's reason when one
// fails (the file system is full, ...).
Result<void> WriteAll(int fd, const char *data, qint64 size);
