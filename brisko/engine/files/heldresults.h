// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <deque>
#include <utility>
#include <vector>

// Results told in the order their files were done, where a saved file's
// result waits until its copy is in place or could not be put there (its
// outcome from a ReplaceGroup), and the results after it wait with it.
template <typename Held>
class HeldResults
{
public:
    bool Empty() const { return held_.empty(); }
    void Add(Held held, bool saved) { held_.push_back(Entry{std::move(held), saved}); }

    // outcomes: those of the next saved files, in the order they were added.
    // Each of those files is settled with its outcome, and every result that
    // no longer waits for one is told.
    template <typename Settle, typename Tell>
    void Release(const std::vector<Result<int>> &outcomes, Settle settle, Tell tell)
    {
        auto outcome = outcomes.begin();
        while (!held_.empty() && (!held_.front().saved || outcome != outcomes.end())) {
            Entry entry = std::move(held_.front());
            held_.pop_front();
            if (entry.saved)
                settle(entry.held, *outcome++);
            tell(entry.held);
        }
    }

private:
    struct Entry
    {
        Held held;
        bool saved;
    };
    std::deque<Entry> held_;
};
