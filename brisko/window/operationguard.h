// SPDX-License-Identifier: MIT
#pragma once

class frmMain;

// One long operation of the main window, from its start to its end however
// it ends: finished, stopped, or left by an error. While it lives the window
// is busy: OperationRunning is set and, with BusyLook, the inputs are
// disabled. When it goes, the flag and the look are as they were before it
// began, and the wait panel and the percent bar it may have shown are gone.
class OperationGuard
{
public:
    enum Look { KeepLook, BusyLook };

    explicit OperationGuard(frmMain &window, Look look = KeepLook);
    ~OperationGuard();
    OperationGuard(const OperationGuard &) = delete;
    OperationGuard &operator=(const OperationGuard &) = delete;

private:
    frmMain &window_;
    bool wasRunning_;
    bool madeBusy_ = false;
};
