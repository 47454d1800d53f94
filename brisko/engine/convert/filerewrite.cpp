// SPDX-License-Identifier: MIT
#include "engine/convert/filerewrite.h"

#include "engine/convert/artconversion.h"
#include "engine/files/filetimes.h"
#include "engine/files/localpath.h"
#include "engine/tags/id3v2/taglibrary.h"

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
