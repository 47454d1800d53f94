// SPDX-License-Identifier: MIT
#pragma once

#include "base/errorlog.h"
#include "support/testfiles.h"

#include <QFileInfo>

// Every test program of a build shares the log beside it, and ctest runs
// several at once: a test looks only at the entries written since it began,
// and finds its own among them wherever they landed.
class ErrorLogTail
{
public:
    ErrorLogTail()
        : start_(QFileInfo(ErrorLogPath()).size())
    {
    }
    // Whether an entry of procedure with message was written since.
    bool Has(const QByteArray &procedure, const QByteArray &message) const
    {
        return TestFiles::Read(ErrorLogPath()).mid(start_).contains("\r\n" + procedure + '\t' + message + "\r\n\r\n");
    }
    QByteArray Added() const { return TestFiles::Read(ErrorLogPath()).mid(start_); }

private:
    qint64 start_;
};
