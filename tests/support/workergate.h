// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <mutex>

// Holds the first worker that passes until the test opens it, so a test can
// press "Stop" (or look at the window) while a known file is in hand. Pass()
// runs on a worker thread and touches nothing but the gate.
class WorkerGate
{
public:
    void Pass()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (entered_)
            return;
        entered_ = true;
        changed_.wait(lock, [this] { return open_; });
    }
    bool Entered()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return entered_;
    }
    void Open()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    ~WorkerGate() { Open(); }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool open_ = false;
};
