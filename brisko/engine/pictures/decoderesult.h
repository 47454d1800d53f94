// SPDX-License-Identifier: MIT
#pragma once

// How a decoder's run ended; its error text says why when it failed.
enum class DecodeResult {
    Ok,
    Invalid,     // not a picture of its kind, damaged, cut short or beyond the limits
    OutOfMemory, // more than it was allowed to take
    Stopped,     // a stop request was answered
};
