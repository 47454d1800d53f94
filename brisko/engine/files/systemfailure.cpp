// SPDX-License-Identifier: MIT
#include "engine/files/systemfailure.h"

#include "base/translation.h"

#include <cerrno>
#include <cstring>

Failure SystemFailure(int code, const char *what)
{
    // Read before anything else can change it.
    const int error = errno;
    return Failure{code, EnglishText("Engine", what).arg(QString::fromLocal8Bit(std::strerror(error)))};
}
