#include "engine/tagchange.h"

#include "base/briskoerror.h"
#include "engine/artconversion.h"
#include "engine/filetimes.h"

#include "engine/localpath.h"

#include <sys/stat.h>

ChangeOutcome ApplyTagChange(TagLibrary &tags, const QString &path, const TagChange &change)
{
    struct stat file {};
    if (::stat(BytesFromPath(path).constData(), &file) != 0)
        return ChangeOutcome::FileMissing;
    if (!RoomToRewrite(path, file.st_size))
        return ChangeOutcome::LowDriveSpace;
    const CloseOnExit closeFile(tags);
    if (tags.OpenAudioFile(path) != 1)
        return Exists(path) ? ChangeOutcome::SaveFailed : ChangeOutcome::FileMissing;
    // A file without art gets a front cover: the picture players look for.
    constexpr short FrontCover = 3;
    const short pictureType = tags.PictureCount() > 0 ? tags.GetPictureType(1) : FrontCover;

    for (auto field = change.fields.cbegin(); field != change.fields.cend(); ++field) {
        if (field.key() == TagField::Comment)
            tags.SetId3v2Comment(1, QStringLiteral("eng"), QString(), field.value());
        else
            tags.SetId3v2Field(field.key(), field.value());
        tags.SetId3v1Field(field.key(), field.value());
    }
    if (change.hasPicture && !tags.AddPictureData(change.jpeg, pictureType))
        throw BriskoError(tags.LastErrorCode(), tags.LastErrorText());

    // The new file carries the old time, to the nanosecond, before it
    // replaces the old one.
    if (tags.SaveTags(path, LastModified(path)) != -1)
        return Exists(path) ? ChangeOutcome::SaveFailed : ChangeOutcome::FileMissing;
    return ChangeOutcome::Changed;
}
