// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>

#include <sys/types.h>

// Room for new copies on a nearly full volume, a player's card. Every copy
// needs its own size and 256,000 bytes more. While it is written a copy counts
// at its whole size, since the free space shows only what is written so far;
// a complete copy waiting in a ReplaceGroup is on the volume beside its
// original, whose space comes back when the copy is put in place.

constexpr qint64 SpaceBeyondCopy = 256000;

// The bytes the user may still write on the volume holding the open file fd;
// -1 when the system does not say.
qint64 VolumeFreeSpace(int fd);

// Whether free() bytes, less what the copies being written on volume will
// still take, hold need bytes. When they do not, the copies waiting in this
// process's groups are put in place and the copies being written are waited
// for, and free is asked again: only what cannot fit after that is refused.
bool MakeRoom(dev_t volume, qint64 need, const std::function<qint64()> &free);

// The room of a new copy of bytes beside the open file fd while it is
// written: taken when MakeRoom finds it (with 256,000 bytes to spare), given
// back when the claim ends, the copy complete or given up.
class RoomClaim
{
public:
    RoomClaim(int fd, dev_t volume, qint64 bytes);
    ~RoomClaim();
    RoomClaim(const RoomClaim &) = delete;
    RoomClaim &operator=(const RoomClaim &) = delete;

    bool Granted() const { return granted_; }

private:
    dev_t volume_;
    qint64 bytes_;
    bool granted_ = false;
};
