// SPDX-License-Identifier: MIT
#include "engine/convert/tagchange.h"

#include "base/briskoerror.h"
#include "engine/convert/artconversion.h"
#include "engine/convert/filerewrite.h"

ChangeOutcome ApplyTagChange(TagLibrary &tags, const QString &path, const TagChange &change)
{
    const CloseOnExit closeFile(tags);
    switch (OpenForRewrite(tags, path)) {
    case OpenStep::FileMissing: return ChangeOutcome::FileMissing;
    case OpenStep::LowDriveSpace: return ChangeOutcome::LowDriveSpace;
    case OpenStep::CannotOpen: return ChangeOutcome::SaveFailed;
    case OpenStep::Ready: break;
    }
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

    if (!SaveKeepingTime(tags, path, true))
        return Exists(path) ? ChangeOutcome::SaveFailed : ChangeOutcome::FileMissing;
    return ChangeOutcome::Changed;
}
