#include "editor/tagchange.h"

#include "processing/artconversion.h"
#include "processing/filetimes.h"
#include "shell/briskoerror.h"

#include <QFile>
#include <QFileInfo>

ChangeOutcome ApplyTagChange(TagLibrary &tags, const QString &path, const TagChange &change)
{
    const QFileInfo file(path);
    if (!file.exists())
        return ChangeOutcome::FileMissing;
    if (!RoomToRewrite(path, file.size()))
        return ChangeOutcome::LowDriveSpace;
    if (tags.OpenAudioFile(path) != 1)
        return QFileInfo::exists(path) ? ChangeOutcome::SaveFailed : ChangeOutcome::FileMissing;
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

    // The new file carries the old time before it replaces the old one.
    const QDateTime modified = LastModified(path);
    if (tags.SaveTags(path, modified) != -1) {
        QFile::remove(path + QLatin1Char('~'));
        return QFileInfo::exists(path) ? ChangeOutcome::SaveFailed : ChangeOutcome::FileMissing;
    }
    if (!RestoreModifiedTime(path, modified))
        throw MakeError(ErrorNumber::TimestampFailed);
    return ChangeOutcome::Changed;
}
