// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/taglibrary.h"

#include <atomic>

// The memory a file's tags take while it is read: the metadata as read (its
// pictures share its bytes) and, for a conversion, the new metadata, at most
// twice what its format declares. Every worker of the run draws it from one
// budget before the tags are read, so that a library of huge art does not
// need more memory with more jobs; metadata larger than the budget has it
// all. A wait for it ends when stop is set, and the file is refused.
TagLibrary::MemoryHold BatchTagMemory(const std::atomic<bool> &stop);
