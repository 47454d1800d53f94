// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <exception>

// An error with the program's own number, so handlers can tell the known
// kinds (file not found, invalid picture, a cancelled dialog, ...) apart.
class BriskoError : public std::exception
{
public:
    BriskoError(int number, QString description)
        : number_(number)
        , description_(std::move(description))
        , what_(description_.toUtf8())
    {
    }

    int Number() const { return number_; }
    const QString &Description() const { return description_; }
    const char *what() const noexcept override { return what_.constData(); }

private:
    int number_;
    QString description_;
    QByteArray what_;
};

namespace ErrorNumber {
constexpr int InvalidArgument = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int UserInterrupt = 18;
constexpr int FileNotFound = 53;
constexpr int FileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int InvalidPicture = 481;
constexpr int TimestampFailed = 1001;
constexpr int ReadOnlyAtRunTime = 31013;
constexpr int CancelSelected = 32755;
constexpr int PictureUnexpected = 50003;
} // namespace ErrorNumber

// The standard text of an error number ("File not found" for 53, ...).
QString ErrorText(int number);

// The text an error is reported with: a BriskoError's description, "Out of
// memory" when memory ran out, the message of any other.
QString ErrorDescription(const std::exception &error);

// An error with its standard text.
inline BriskoError MakeError(int number)
{
    return BriskoError(number, ErrorText(number));
}
