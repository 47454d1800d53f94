// SPDX-License-Identifier: MIT
#pragma once

#include "support/windowprobe.h"

#include <QTest>

// The preview is read on a worker: it shows the row asked for once that is
// done.
inline bool WaitForPreview(const frmMain &window, int timeoutMs = 60000)
{
    return QTest::qWaitFor([&window] { return !Probe(window).preview->Pending(); }, timeoutMs);
}

// The window reads and converts files on worker threads and shows what they
// found as it comes: a test waits, letting events run, until the operation it
// started has ended, however it ended, and its preview is shown.
inline bool WaitUntilIdle(const frmMain &window, int timeoutMs = 60000)
{
    return QTest::qWaitFor([&window] { return !Probe(window).OperationRunning; }, timeoutMs)
        && WaitForPreview(window, timeoutMs);
}
