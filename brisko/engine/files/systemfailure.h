// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

// A failure worded from the system's reason for the call that just failed
// (errno): what is the English text with %1 for that reason, marked with
// QT_TRANSLATE_NOOP("Engine", ...) where it is written.
Failure SystemFailure(int code, const char *what);
