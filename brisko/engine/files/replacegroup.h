// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/files/lockedfile.h"

#include <memory>
#include <mutex>
#include <vector>

struct FileRewrite;
class SideFile;

// Saves of many files that reach the disk together. One at a time, each save
// waits for the disk twice: for its new copy and for the rename. In a group a
// file's copy is made and checked as RewriteFile makes it and the disk starts
// writing it, while its flush and rename wait, the original still locked,
// until Finish: by then the copies have mostly reached the disk, and each
// folder is flushed once. Every copy is still on disk whole before its rename,
// and renamed only over an original that is still as it was read. A group
// may be put in place on a thread of its own while the caller makes the next
// copies: the waits for the disk then cost the caller nothing.
class ReplaceGroup
{
public:
    explicit ReplaceGroup(int most = 32);
    // Copies not finished are thrown away; their originals stay as they were.
    ~ReplaceGroup();
    ReplaceGroup(const ReplaceGroup &) = delete;
    ReplaceGroup &operator=(const ReplaceGroup &) = delete;

    // RewriteFile up to the flush: the copy waits with the original, whose
    // lock the group now holds (on failure it stays the caller's). Gives the number of the original's other
    // names, or why the copy was not made (the original untouched).
    Result<int> Add(const FileRewrite &rewrite, LockedFile &&original);
    // The files added whose outcomes were not given yet, in place or not.
    int Count() const;
    // Whether the waiting copies should start for the disk: the group before
    // them is there, or as many wait as may.
    bool Full() const;

    // Puts every waiting copy in place: the outcome (as RewriteFile gives it)
    // of each file not given yet, in the order they were added.
    std::vector<Result<int>> Finish();
    // Starts putting the waiting copies in place on a thread of their own,
    // once those started by the last call are in place: gives the outcomes
    // known then, as Finish does. Finish gives the rest.
    std::vector<Result<int>> FinishBehind();

    // Puts the waiting copies of every group of this process in place now,
    // from any thread, and closes their originals at once: a volume too full
    // for the next copy gets the originals' space back, and a lock another
    // program waits for is not held while this one waits too. Finish still
    // gives their outcomes. False when no copy was waiting.
    static bool PutAllInPlace();

private:
    struct Waiting;
    struct Behind;
    static std::vector<Result<int>> PutInPlaceTogether(std::vector<Waiting> &files, bool closeOriginalsNow);
    // With mutex_ held.
    void PutWaitingInPlace(bool closeOriginalsNow);
    void LandBehind();
    std::vector<Result<int>> TakePlaced();

    mutable std::mutex mutex_;
    std::vector<Waiting> waiting_;
    std::unique_ptr<Behind> behind_;  // copies being put in place by a thread of their own
    std::vector<Result<int>> placed_; // outcomes of copies in place not given yet
    int most_;
};
