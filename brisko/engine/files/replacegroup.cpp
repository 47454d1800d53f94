// SPDX-License-Identifier: MIT
#include "engine/files/replacegroup.h"

#include "base/tagerrors.h"
#include "engine/files/atomicsave.h"
#include "engine/files/savesteps.h"
#include "engine/files/sidefile.h"

#include <QSet>

#include <algorithm>
#include <atomic>
#include <exception>
#include <new>
#include <system_error>
#include <thread>

#include <sys/resource.h>

struct ReplaceGroup::Waiting
{
    std::unique_ptr<SideFile> copy;
    LockedFile original;
};

struct ReplaceGroup::Behind
{
    std::vector<Waiting> files;
    std::vector<Result<int>> outcomes;
    std::atomic<bool> done{false};
    std::thread thread;
};

namespace {

// Every group of this process, for PutAllInPlace.
std::mutex groupsMutex;
std::vector<ReplaceGroup *> groups;

// How many copies this process's groups may hold waiting, and as many again
// on their way to the disk: each holds two files open, its own and its
// original's, and the rest of the program needs some too.
std::size_t OpenCopiesAllowed()
{
    static const std::size_t allowed = [] {
        struct rlimit limit {};
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
            return std::size_t(1) << 16;
        constexpr rlim_t forTheRest = 128;
        return std::size_t(limit.rlim_cur > forTheRest ? (limit.rlim_cur - forTheRest) / 4 : 1);
    }();
    return allowed;
}

// Each copy's flush, all at once: a file system writes the flushes that
// wait together in one commit of its journal (btrfs's log tree, the
// journals of ext4 and XFS), where one after another each waits for its own.
std::vector<Result<void>> FlushTogether(const std::vector<SideFile *> &copies)
{
    std::vector<Result<void>> flushed(copies.size());
    std::vector<std::thread> helpers;
    helpers.reserve(copies.size());
    for (std::size_t i = 1; i < copies.size(); ++i) {
        try {
            helpers.emplace_back([&flushed, &copies, i] { flushed[i] = FlushCopy(*copies[i]); });
        } catch (const std::system_error &) {
            flushed[i] = FlushCopy(*copies[i]); // no thread to be had: flushed here, in turn
        }
    }
    if (!copies.empty())
        flushed[0] = FlushCopy(*copies[0]);
    for (std::thread &helper : helpers)
        helper.join();
    return flushed;
}

} // namespace

ReplaceGroup::ReplaceGroup(int most)
    : most_(most)
{
    const std::lock_guard<std::mutex> lock(groupsMutex);
    groups.push_back(this);
}

ReplaceGroup::~ReplaceGroup()
{
    {
        const std::lock_guard<std::mutex> lock(groupsMutex);
        groups.erase(std::remove(groups.begin(), groups.end(), this), groups.end());
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    LandBehind();
}

Result<int> ReplaceGroup::Add(const FileRewrite &rewrite, LockedFile &&original)
{
    // Its room is held until the copy waits here, where making room for
    // another puts it in place. It is made without the group's lock: another
    // thread may put the waiting copies in place meanwhile.
    const Result<std::unique_ptr<RoomClaim>> room = ClaimRoom(rewrite, original);
    if (!room)
        return room.Why();
    Result<std::unique_ptr<SideFile>> copy = MakeCheckedCopy(rewrite, original);
    if (!copy)
        return copy.Why();
    const int otherNames = int(original.State().st_nlink) - 1;
    const std::lock_guard<std::mutex> lock(mutex_);
    waiting_.push_back(Waiting{std::move(*copy), std::move(original)});
    return otherNames;
}

int ReplaceGroup::Count() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return int(waiting_.size() + (behind_ ? behind_->files.size() : 0) + placed_.size());
}

bool ReplaceGroup::Full() const
{
    std::size_t groupCount = 1;
    {
        const std::lock_guard<std::mutex> lock(groupsMutex);
        groupCount = groups.size();
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    if (waiting_.empty())
        return false;
    // The disk is never idle while copies wait, and the longer it takes, the
    // more copies go together.
    if (!behind_ || behind_->done)
        return true;
    const int most = std::max(1, std::min(most_, int(OpenCopiesAllowed() / groupCount)));
    return int(waiting_.size()) >= most;
}

std::vector<Result<int>> ReplaceGroup::Finish()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    PutWaitingInPlace(false);
    return TakePlaced();
}

std::vector<Result<int>> ReplaceGroup::FinishBehind()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    LandBehind();
    std::vector<Result<int>> outcomes = TakePlaced();
    if (waiting_.empty())
        return outcomes;
    auto behind = std::make_unique<Behind>();
    behind->files.swap(waiting_);
    Behind *started = behind.get();
    try {
        behind->thread = std::thread([started] {
            try {
                started->outcomes = PutInPlaceTogether(started->files, false);
            } catch (const std::exception &) {
                // Out of memory before the renames: LandBehind fails them.
            }
            started->done = true;
        });
    } catch (const std::system_error &) {
        waiting_.swap(behind->files); // no thread to be had: put in place by Finish
        return outcomes;
    }
    behind_ = std::move(behind);
    return outcomes;
}

bool ReplaceGroup::PutAllInPlace()
{
    bool any = false;
    const std::lock_guard<std::mutex> lock(groupsMutex);
    for (ReplaceGroup *group : groups) {
        const std::lock_guard<std::mutex> waitingLock(group->mutex_);
        any = any || !group->waiting_.empty() || group->behind_;
        group->PutWaitingInPlace(true);
    }
    return any;
}

void ReplaceGroup::LandBehind()
{
    if (!behind_)
        return;
    behind_->thread.join();
    std::vector<Result<int>> &outcomes = behind_->outcomes;
    // No outcomes when memory ran out before the renames: the copies go with
    // behind_, their originals as they were.
    if (outcomes.empty())
        outcomes.assign(behind_->files.size(), Failure{TagLibraryError::WriteFailed, QString::fromLatin1(std::bad_alloc().what())});
    placed_.insert(placed_.end(), outcomes.begin(), outcomes.end());
    behind_.reset();
}

std::vector<Result<int>> ReplaceGroup::TakePlaced()
{
    std::vector<Result<int>> outcomes;
    outcomes.swap(placed_);
    return outcomes;
}

void ReplaceGroup::PutWaitingInPlace(bool closeOriginalsNow)
{
    LandBehind();
    const std::vector<Result<int>> outcomes = PutInPlaceTogether(waiting_, closeOriginalsNow);
    placed_.insert(placed_.end(), outcomes.begin(), outcomes.end());
    waiting_.clear();
}

std::vector<Result<int>> ReplaceGroup::PutInPlaceTogether(std::vector<Waiting> &files, bool closeOriginalsNow)
{
    std::vector<Result<int>> placed;
    placed.reserve(files.size());
    QSet<QByteArray> folders;
    std::vector<SideFile *> copies;
    for (Waiting &file : files)
        copies.push_back(file.copy.get());
    const std::vector<Result<void>> flushed = FlushTogether(copies);
    for (std::size_t i = 0; i < files.size(); ++i) {
        Waiting &file = files.at(i);
        // Whatever goes wrong with one file fails that file alone.
        try {
            if (flushed.at(i))
                placed.push_back(PutInPlace(*file.copy, file.original));
            else
                placed.push_back(flushed.at(i).Why());
        } catch (const std::exception &error) {
            placed.push_back(Failure{TagLibraryError::WriteFailed, QString::fromLocal8Bit(error.what())});
        }
        if (placed.back())
            folders.insert(file.copy->Folder());
    }
    for (const QByteArray &folder : folders)
        FlushFolder(folder);
    // The originals' locks go only now, with their renames on disk. Freeing
    // a replaced one need not hold up the next files, unless its space is
    // wanted back.
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!placed.at(i))
            continue;
        if (closeOriginalsNow)
            files.at(i).original.Close();
        else
            files.at(i).original.CloseLater();
    }
    return placed;
}
