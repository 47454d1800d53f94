// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>

#include <functional>

// Asked now and then while a picture is decoded or waits for memory: true
// means the user asked to stop (the window's "Stop", brisko-batch's Ctrl-C),
// and the work gives up at once with error 18, "User interrupt occurred",
// leaving the file as it was. Asked on the worker's thread, so it
// only reads a flag that another thread sets.
using StopCheck = std::function<bool()>;

// Asks a StopCheck at most every Interval milliseconds however often it is
// polled, so a decoder can poll it for every row; once it said stop, stop it is.
class StopPoll
{
public:
    static constexpr qint64 Interval = 40;

    explicit StopPoll(const StopCheck &check)
        : check_(check)
    {
    }

    bool Stopped()
    {
        if (stopped_ || !check_)
            return stopped_;
        if (clock_.isValid() && clock_.elapsed() < Interval)
            return false;
        clock_.start();
        stopped_ = check_();
        return stopped_;
    }

private:
    const StopCheck &check_;
    QElapsedTimer clock_;
    bool stopped_ = false;
};
