// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

// Out of memory on demand: the next C++ allocation (operator new) of at
// least bytes fails with std::bad_alloc, as when memory runs out, and later
// ones succeed again; 0 turns it off. Allocations through malloc (Qt's
// containers and pictures) are not touched. False where it cannot be done
// (under the sanitizers, which bring their own operator new).
bool FailNextAllocationFrom(std::size_t bytes);
