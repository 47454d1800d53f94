// SPDX-License-Identifier: MIT
#pragma once

class frmMain;

// One long operation of the main window, from its start to its end however
// it ends: finished, stopped, or left by an error. While it lives the window
// is busy: OperationRunning is set and, with BusyLook, the inputs are
// disabled. Once the last of the operations alive is gone the window is idle
// again; each one going takes away the wait panel and the percent bar.
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
    const bool busy_;
};
