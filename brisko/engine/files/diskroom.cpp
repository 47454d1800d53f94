// SPDX-License-Identifier: MIT
#include "engine/files/diskroom.h"

#include "engine/files/closer.h"
#include "engine/files/replacegroup.h"

#include <QHash>

#include <condition_variable>
#include <mutex>

#include <sys/statvfs.h>

namespace {

std::mutex mutex;
std::condition_variable copyWritten;
QHash<dev_t, qint64> beingWritten; // by volume

// With mutex held by lock. Each turn puts waiting copies in place, waits for
// replaced originals to be closed, or waits for a copy being written to be
// complete (it then waits in its group or is in place already), so the turns
// end.
bool Room(std::unique_lock<std::mutex> &lock, dev_t volume, qint64 need, const std::function<qint64()> &free)
{
    const auto fits = [&] { return free() - beingWritten.value(volume) >= need; };
    for (;;) {
        if (fits())
            return true;
        const bool placed = ReplaceGroup::PutAllInPlace();
        if (WaitUntilClosed() || placed)
            continue;
        // A group finished by its own thread meanwhile may have made room.
        if (beingWritten.value(volume) <= 0)
            return fits();
        copyWritten.wait(lock);
    }
}

} // namespace

qint64 VolumeFreeSpace(int fd)
{
    // fstatvfs() alone: QStorageInfo would read the whole mount table first.
    struct statvfs info {};
    if (::fstatvfs(fd, &info) != 0)
        return -1;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}

bool MakeRoom(dev_t volume, qint64 need, const std::function<qint64()> &free)
{
    // Asked first without the lock: a slow answer holds up no other file.
    const qint64 bytes = free();
    std::unique_lock<std::mutex> lock(mutex);
    return bytes - beingWritten.value(volume) >= need || Room(lock, volume, need, free);
}

RoomClaim::RoomClaim(int fd, dev_t volume, qint64 bytes)
    : volume_(volume)
    , bytes_(bytes)
{
    std::unique_lock<std::mutex> lock(mutex);
    granted_ = Room(lock, volume, bytes + SpaceBeyondCopy, [fd] { return VolumeFreeSpace(fd); });
    if (granted_)
        beingWritten[volume_] += bytes_;
}

RoomClaim::~RoomClaim()
{
    if (!granted_)
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if ((beingWritten[volume_] -= bytes_) <= 0)
            beingWritten.remove(volume_);
    }
    copyWritten.notify_all();
}
