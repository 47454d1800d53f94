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
// and renamed only over an original that is still as it was read.
class ReplaceGroup
{
public:
    explicit ReplaceGroup(int most = 8);
    // Copies not finished are thrown away; their originals stay as they were.
    ~ReplaceGroup();
    ReplaceGroup(const ReplaceGroup &) = delete;
    ReplaceGroup &operator=(const ReplaceGroup &) = delete;

    // RewriteFile up to the flush: the copy waits with the original, whose
    // lock the group now holds (on failure it stays the caller's). Gives the number of the original's other
    // names, or why the copy was not made (the original untouched).
    Result<int> Add(const FileRewrite &rewrite, LockedFile &&original);
    // The files added since the last Finish, in place already or not.
    int Count() const;
    bool Full() const { return Count() >= most_; }

    // Puts every waiting copy in place: each file's outcome (as RewriteFile
    // gives it) in the order they were added.
    std::vector<Result<int>> Finish();

    // Puts the waiting copies of every group of this process in place now,
    // from any thread, and closes their originals at once: a volume too full
    // for the next copy gets the originals' space back, and a lock another
    // program waits for is not held while this one waits too. Finish still
    // gives their outcomes. False when no copy was waiting.
    static bool PutAllInPlace();

private:
    struct Waiting;
    // With mutex_ held.
    void PutWaitingInPlace(bool closeOriginalsNow);

    mutable std::mutex mutex_;
    std::vector<Waiting> waiting_;
    std::vector<Result<int>> placed_; // outcomes of copies put in place before Finish
    int most_;
};
