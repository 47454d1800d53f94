// SPDX-License-Identifier: MIT
#include "engine/convert/folderart.h"

#include "base/briskoerror.h"
#include "engine/files/localpath.h"
#include "engine/pictures/pictureloader.h"

#include <QStringList>

#include <dirent.h>

namespace {

// Where a name stands among the folder pictures' names (0 the best), or -1.
int Rank(const QByteArray &name)
{
    static const char *const stems[] = {"cover", "folder", "front", "album"};
    static const char *const extensions[] = {".jpg", ".jpeg", ".png"};
    const QByteArray lower = name.toLower();
    int rank = 0;
    for (const char *stem : stems) {
        for (const char *extension : extensions) {
            if (lower == QByteArray(stem) + extension)
                return rank;
            ++rank;
        }
    }
    return -1;
}

// The best named picture of the folder; of names that differ only in case,
// the first in byte order, so that every run takes the same one.
std::optional<QString> Find(const QString &folder)
{
    const QByteArray bytes = BytesFromPath(folder);
    DIR *listing = ::opendir(bytes.constData());
    if (!listing)
        return std::nullopt;
    int bestRank = -1;
    QByteArray best;
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        const int rank = Rank(name);
        if (rank >= 0 && (bestRank < 0 || rank < bestRank || (rank == bestRank && name < best))) {
            bestRank = rank;
            best = name;
        }
    }
    ::closedir(listing);
    if (bestRank < 0)
        return std::nullopt;
    return PathFromBytes(bytes + '/' + best);
}

FolderPicture Read(const QString &path)
{
    Result<QByteArray> data = ReadPictureFile(path);
    if (data && data->isEmpty())
        data = Failure{ErrorNumber::InvalidPicture, ErrorText(ErrorNumber::InvalidPicture)};
    return {path, std::move(data)};
}

} // namespace

std::optional<FolderPicture> FolderArt::For(const QString &musicPath)
{
    const QString folder = FolderOf(musicPath);
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto kept = folders_.begin(); kept != folders_.end(); ++kept) {
        if (kept->path == folder) {
            folders_.splice(folders_.begin(), folders_, kept);
            return folders_.front().picture;
        }
    }
    // Looked for under the lock: the workers on the same folder wait for
    // one reading rather than each making its own.
    const std::optional<QString> found = Find(folder);
    folders_.push_front({folder, found ? std::optional<FolderPicture>(Read(*found)) : std::nullopt});
    const auto bytesOf = [](const Folder &kept) {
        return kept.picture && kept.picture->data ? qint64(kept.picture->data->size()) : 0;
    };
    bytes_ += bytesOf(folders_.front());
    while (folders_.size() > 1 && (folders_.size() > KeptFolders || bytes_ > KeptBytes)) {
        bytes_ -= bytesOf(folders_.back());
        folders_.pop_back();
    }
    return folders_.front().picture;
}
