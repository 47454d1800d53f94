// SPDX-License-Identifier: MIT
#include "base/briskoerror.h"

#include <new>

QString ErrorText(int number)
{
    switch (number) {
    case ErrorNumber::InvalidArgument: return QStringLiteral("Invalid procedure call or argument");
    case ErrorNumber::Overflow: return QStringLiteral("Overflow");
    case ErrorNumber::OutOfMemory: return QStringLiteral("Out of memory");
    case ErrorNumber::UserInterrupt: return QStringLiteral("User interrupt occurred");
    case ErrorNumber::FileNotFound: return QStringLiteral("File not found");
    case ErrorNumber::FileAccess: return QStringLiteral("Path/File access error");
    case ErrorNumber::PathNotFound: return QStringLiteral("Path not found");
    case ErrorNumber::InvalidPicture: return QStringLiteral("Invalid picture");
    case ErrorNumber::TimestampFailed: return QStringLiteral("File Timestamp Failed");
    case ErrorNumber::ReadOnlyAtRunTime: return QStringLiteral("Property is read-only at run time.");
    case ErrorNumber::CancelSelected: return QStringLiteral("Cancel was selected");
    case ErrorNumber::PictureUnexpected: return QStringLiteral("Unexpected error");
    default: return QStringLiteral("Application-defined or object-defined error");
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
