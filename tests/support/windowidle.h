// SPDX-License-Identifier: MIT
#pragma once

#include "support/windowprobe.h"

#include <QTest>

// The window reads and converts files on worker threads and shows what they
// found as it comes: a test waits, letting events run, until the operation it
// started has ended, however it ended.
inline bool WaitUntilIdle(frmMain &window, int timeoutMs = 60000)
{
    return QTest::qWaitFor([&window] { return !Probe(window).OperationRunning; }, timeoutMs);
}
