// SPDX-License-Identifier: MIT
#include "engine/convert/filerewrite.h"

#include "base/translation.h"
#include "engine/files/diskroom.h"
#include "engine/files/localpath.h"
#include "engine/files/lockedfile.h"
#include "engine/tags/taglibrary.h"

namespace {

FreeSpaceQuery &FreeSpace()
{
    static FreeSpaceQuery query;
    return query;
}

} // namespace

bool Exists(const QString &path)
{
    struct stat info {};
    return ::stat(BytesFromPath(path).constData(), &info) == 0;
}

void SetFreeSpaceQuery(FreeSpaceQuery query)
{
    FreeSpace() = std::move(query);
}

bool RoomToRewrite(const QString &path, const LockedFile &file)
{
    const struct stat &info = file.State();
    return MakeRoom(info.st_dev, qint64(info.st_size) + SpaceBeyondCopy, [&path, &file] {
        return FreeSpace() ? FreeSpace()(path) : VolumeFreeSpace(file.Descriptor());
    });
}

Result<void> OpenForRewrite(TagLibrary &tags, const QString &path)
{
    const Result<void> open = tags.Open(path);
    if (!open) {
        // A file that went away between finding its name and opening it is missing too.
        const bool gone = open.Why().code == TagLibraryError::FileNotFound || !Exists(path);
        return gone ? Failure{TagLibraryError::FileNotFound, open.Why().reason} : open.Why();
    }
    // Its length as it was locked: what the second copy will take.
    if (!RoomToRewrite(path, tags.OpenFile())) {
        tags.CloseAudioFile();
        return Failure{TagLibraryError::NoRoom,
                       EnglishText("Engine", "not enough free space for the new file and 256,000 bytes more")};
    }
    return Result<void>::Success();
}

Result<void> SaveKeepingTime(TagLibrary &tags, const QString &path, bool withId3v1)
{
    // The opened file's own second: the save then keeps its time to the nanosecond.
    const QDateTime modified = QDateTime::fromSecsSinceEpoch(tags.OpenState().st_mtim.tv_sec);
    return tags.Save(path, modified, withId3v1 ? TagLibrary::SavedTags::Both : TagLibrary::SavedTags::Main);
}
