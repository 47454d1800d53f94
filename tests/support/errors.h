// SPDX-License-Identifier: MIT
#pragma once

#include "base/briskoerror.h"
#include "base/result.h"

#include <functional>

// The error number a call throws, or 0 when it throws none.
inline int ErrorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const BriskoError &error) {
        return error.Number();
    }
    return 0;
}

// The code a result failed with, or 0 when it did not fail.
template <typename T>
int ErrorOf(const Result<T> &result)
{
    return result ? 0 : result.Why().code;
}
