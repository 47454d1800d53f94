// SPDX-License-Identifier: MIT
#include "base/briskoerror.h"

#include "base/translation.h"

#include <new>

QString ErrorText(int number)
{
    switch (number) {
    case ErrorNumber::InvalidArgument: return EnglishText("Engine", "Invalid procedure call or argument");
    case ErrorNumber::Overflow: return EnglishText("Engine", "Overflow");
    case ErrorNumber::OutOfMemory: return EnglishText("Engine", "Out of memory");
    case ErrorNumber::UserInterrupt: return EnglishText("Engine", "User interrupt occurred");
    case ErrorNumber::FileNotFound: return EnglishText("Engine", "File not found");
    case ErrorNumber::FileAccess: return EnglishText("Engine", "Path/File access error");
    case ErrorNumber::PathNotFound: return EnglishText("Engine", "Path not found");
    case ErrorNumber::InvalidPicture: return EnglishText("Engine", "Invalid picture");
    case ErrorNumber::TimestampFailed: return EnglishText("Engine", "File Timestamp Failed");
    case ErrorNumber::ReadOnlyAtRunTime: return EnglishText("Engine", "Property is read-only at run time.");
    case ErrorNumber::CancelSelected: return EnglishText("Engine", "Cancel was selected");
    case ErrorNumber::PictureUnexpected: return EnglishText("Engine", "Unexpected error");
    default: return EnglishText("Engine", "Application-defined or object-defined error");
    }
}

QString ErrorDescription(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const BriskoError *>(&error))
        return own->Description();
    if (dynamic_cast<const std::bad_alloc *>(&error))
        return ErrorText(ErrorNumber::OutOfMemory);
    return QString::fromLocal8Bit(error.what());
}
