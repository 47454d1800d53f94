// SPDX-License-Identifier: MIT
#pragma once

#include "base/briskoerror.h"

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
