// SPDX-License-Identifier: MIT
#include "engine/filerewrite.h"

#include "engine/artconversion.h"
#include "engine/filetimes.h"
#include "engine/localpath.h"
#include "engine/taglibrary.h"

#include <sys/stat.h>

OpenStep OpenForRewrite(TagLibrary &tags, const QString &path)
{
    struct stat file {};
    if (::stat(BytesFromPath(path).constData(), &file) != 0)
        return OpenStep::FileMissing;
    if (!RoomToRewrite(path, file.st_size))
        return OpenStep::LowDriveSpace;
    if (tags.OpenAudioFile(path) == 1)
        return OpenStep::Ready;
    return Exists(path) ? OpenStep::CannotOpen : OpenStep::FileMissing;
}

bool SaveKeepingTime(TagLibrary &tags, const QString &path, bool withId3v1)
{
    const QDateTime modified = LastModified(path);
    return (withId3v1 ? tags.SaveTags(path, modified) : tags.SaveId3v2Tag(path, modified)) == -1;
}
