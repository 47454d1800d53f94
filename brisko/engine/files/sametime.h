// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>

// Whether two file times are the same to the nanosecond: a write within the
// same second still shows in the nanoseconds.
inline bool SameTime(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}
