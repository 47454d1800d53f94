// SPDX-License-Identifier: MIT
#include "window/operationguard.h"

#include "window/frmmain.h"
#include "window/widgets/derezovivavo.h"

OperationGuard::OperationGuard(frmMain &window, Look look)
    : window_(window)
    , busy_(look == BusyLook)
{
    ++window_.operations_;
    window_.OperationRunning = true;
    // An operation inside another one leaves the outer one's look alone.
    if (busy_ && window_.busyOperations_++ == 0)
        window_.EnableControls(false);
}

OperationGuard::~OperationGuard()
{
    // Chained operations (a folder read, then its files added) may end in
    // any order: the window is idle once the last of them is gone.
    if (--window_.operations_ == 0)
        window_.OperationRunning = false;
    if (busy_ && --window_.busyOperations_ == 0)
        window_.EnableControls(true);
    window_.ShowWaitPanel(false);
    window_.ProgressBar->hide();
}
