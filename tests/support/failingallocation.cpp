// SPDX-License-Identifier: MIT
#include "support/failingallocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRISKO_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BRISKO_SANITIZED 1
#endif

namespace {
std::atomic<std::size_t> failFrom{0};
} // namespace

#ifndef BRISKO_SANITIZED

// The program's operator new, replaced for the whole test program; memory
// comes from malloc, as the standard one's does, so the standard delete
// frees it.
void *operator new(std::size_t size)
{
    std::size_t limit = failFrom.load();
    if (limit != 0 && size >= limit && failFrom.compare_exchange_strong(limit, 0))
        throw std::bad_alloc();
    if (void *memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void *operator new[](std::size_t size)
{
    return ::operator new(size);
}

bool FailNextAllocationFrom(std::size_t bytes)
{
    failFrom = bytes;
    return true;
}

#else

bool FailNextAllocationFrom(std::size_t)
{
    return false;
}

#endif
