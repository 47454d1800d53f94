// SPDX-License-Identifier: MIT
#include "window/operationguard.h"

#include "window/frmmain.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/listinputlock.h"
#include "window/widgets/tracklist.h"

OperationGuard::OperationGuard(frmMain &window, Look look)
    : window_(window)
    , wasRunning_(window.OperationRunning)
{
    window_.OperationRunning = true;
    // An operation inside another one leaves the outer one's look alone.
    if (look == BusyLook && !ListInputLocked(window_.lvwMain())) {
        window_.EnableControls(false);
        madeBusy_ = true;
    }
}

OperationGuard::~OperationGuard()
{
    window_.OperationRunning = wasRunning_;
    if (madeBusy_)
        window_.EnableControls(true);
    window_.ShowWaitPanel(false);
    window_.ProgressBar->hide();
}
