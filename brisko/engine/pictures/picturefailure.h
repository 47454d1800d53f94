// SPDX-License-Identifier: MIT
#pragma once

#include "base/briskoerror.h"
#include "base/result.h"

// How work on a picture fails, by the codes callers tell cases by: 481 for a
// picture that is not of its kind, damaged, cut short or beyond the limits;
// 50003 when it would take more memory than it was allowed; 18 when a stop
// request was answered. The reason says why, for people to read.
inline Failure PictureRefused(const QString &reason)
{
    return {ErrorNumber::InvalidPicture, reason};
}

inline Failure PictureOutOfMemory(const QString &reason)
{
    return {ErrorNumber::PictureUnexpected, reason};
}

inline Failure PictureStopped()
{
    return {ErrorNumber::UserInterrupt, ErrorText(ErrorNumber::UserInterrupt)};
}

// A failure with its code's standard text ("Unexpected error" for 50003, ...).
inline Failure StandardFailure(int code)
{
    return {code, ErrorText(code)};
}
