// SPDX-License-Identifier: MIT
#pragma once

#include "base/errorlog.h"
#include "support/testfiles.h"

#include <QFile>


// Every test program of a build shares the log beside it, and ctest runs
// several at once: a test looks only at the entries written since it began,
// and finds its own among them wherever they landed. It starts the log
// afresh: one that earlier tests left near its limit would be removed by the
// test's own next entries, and its first ones with it. (ctest never runs two
// tests that read the log at once.)
class ErrorLogTail
{
public:
    ErrorLogTail()
    {
        QFile::remove(ErrorLogPath());
        const QByteArray log = TestFiles::Read(ErrorLogPath());
        start_ = log.size();
        head_ = log.left(HeadBytes);
    }
    // Whether an entry of procedure with message was written since.
    bool Has(const QByteArray &procedure, const QByteArray &message) const
    {
        return Added().contains("\r\n" + procedure + '\t' + message + "\r\n\r\n");
    }
    // A log that grew past its limit is removed by whichever program writes
    // next, maybe another test; a new log, told by its first entry, holds
    // only entries written since.
    QByteArray Added() const
    {
        const QByteArray log = TestFiles::Read(ErrorLogPath());
        return log.size() >= start_ && log.startsWith(head_) ? log.mid(start_) : log;
    }

private:
    static constexpr int HeadBytes = 200;
    qint64 start_ = 0;
    QByteArray head_;
};
