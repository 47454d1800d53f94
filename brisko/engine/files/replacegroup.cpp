// SPDX-License-Identifier: MIT
#include "engine/files/replacegroup.h"

#include "base/tagerrors.h"
#include "engine/files/atomicsave.h"
#include "engine/files/savesteps.h"
#include "engine/files/sidefile.h"

#include <QSet>

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>

struct ReplaceGroup::Waiting
{
    std::unique_ptr<SideFile> copy;
    LockedFile original;
};

namespace {

// Every group of this process, for PutAllInPlace.
std::mutex groupsMutex;
std::vector<ReplaceGroup *> groups;

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
    const std::lock_guard<std::mutex> lock(groupsMutex);
    groups.erase(std::remove(groups.begin(), groups.end(), this), groups.end());
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
    return int(waiting_.size() + placed_.size());
}

std::vector<Result<int>> ReplaceGroup::Finish()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    PutWaitingInPlace(false);
    std::vector<Result<int>> outcomes;
    outcomes.swap(placed_);
    return outcomes;
}

bool ReplaceGroup::PutAllInPlace()
{
    bool any = false;
    const std::lock_guard<std::mutex> lock(groupsMutex);
    for (ReplaceGroup *group : groups) {
        const std::lock_guard<std::mutex> waitingLock(group->mutex_);
        any = any || !group->waiting_.empty();
        group->PutWaitingInPlace(true);
    }
    return any;
}

void ReplaceGroup::PutWaitingInPlace(bool closeOriginalsNow)
{
    const std::size_t first = placed_.size();
    placed_.reserve(first + waiting_.size());
    QSet<QByteArray> folders;
    std::vector<SideFile *> copies;
    for (Waiting &file : waiting_)
        copies.push_back(file.copy.get());
    const std::vector<Result<void>> flushed = FlushTogether(copies);
    for (std::size_t i = 0; i < waiting_.size(); ++i) {
        Waiting &file = waiting_.at(i);
        // Whatever goes wrong with one file fails that file alone.
        try {
            if (flushed.at(i))
                placed_.push_back(PutInPlace(*file.copy, file.original));
            else
                placed_.push_back(flushed.at(i).Why());
        } catch (const std::exception &error) {
            placed_.push_back(Failure{TagLibraryError::WriteFailed, QString::fromLocal8Bit(error.what())});
        }
        if (placed_.back())
            folders.insert(file.copy->Folder());
    }
    for (const QByteArray &folder : folders)
        FlushFolder(folder);
    // The originals' locks go only now, with their renames on disk. Freeing
    // a replaced one need not hold up the next files, unless its space is
    // wanted back.
    for (std::size_t i = 0; i < waiting_.size(); ++i) {
        if (!placed_.at(first + i))
            continue;
        if (closeOriginalsNow)
            waiting_.at(i).original.Close();
        else
            waiting_.at(i).original.CloseLater();
    }
    waiting_.clear();
}
