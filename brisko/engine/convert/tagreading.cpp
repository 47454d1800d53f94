// SPDX-License-Identifier: MIT
#include "engine/convert/tagreading.h"

#include "base/errorlog.h"
#include "base/genrefromid.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/pictures/pictureloader.h"
#include "engine/tags/taglibrary.h"

namespace {

// The seven fields, each read by field(); the comment by comment().
template <typename Field, typename Comment>
void ReadFields(TagFields *fields, Field field, Comment comment)
{
    fields->Title = field(TagField::Title);
    fields->Artist = field(TagField::Artist);
    fields->Album = field(TagField::Album);
    fields->Track = field(TagField::Track);
    fields->Genre = field(TagField::Genre);
    fields->Year = field(TagField::Year);
    fields->Comment = comment();
}

} // namespace

bool GetTags(TagLibrary &tags, const QString &path, TagFields *fields, QByteArray *picture,
             bool *hasPicture)
{
    const CloseOnExit closeFile(tags);
    if (tags.OpenAudioFile(path) != 1) {
        LogError(QStringLiteral("GetTags"), path + QStringLiteral(": ") + tags.LastErrorText());
        return false;
    }
    bool usedV2 = tags.HasTag();
    if (usedV2) {
        ReadFields(
            fields, [&tags](TagField f) { return tags.Field(f); },
            [&tags] { return tags.Field(TagField::Comment); });
        if (tags.PictureCount() > 0 && tags.PictureData(1, picture))
            *hasPicture = true;
    }
    for (;;) {
        if (tags.HasId3v1Tag() && !usedV2)
            ReadFields(
                fields, [&tags](TagField f) { return tags.Id3v1Field(f); },
                [&tags] { return tags.Id3v1Field(TagField::Comment); });
        const int code = tags.LastErrorCode();
        if (code == 0)
            break;
        if (code == 208 && usedV2) {
            usedV2 = false; // the ID3v1 fields replace what the damaged tag gave
            continue;
        }
        if (code != 208)
            LogError(QStringLiteral("GetTags"), tags.LastErrorText());
        break;
    }
    fields->Genre = GenreFromID(fields->Genre);
    return true;
}

MeasuredPicture MeasurePicture(const QByteArray &data)
{
    const Result<QSize> size = DeclaredPictureSize(data);
    if (!size)
        return MeasuredPicture();
    return {true, *size, DetectPictureFormat(data) == PictureFormat::Png};
}

Result<Image> PreviewPicture(const QByteArray &data, QSize size, QSize box)
{
    // Twice the box keeps the picture sharp on dense screens.
    const QSize wanted = size.scaled(box * 2, Qt::KeepAspectRatio);
    if (wanted.width() < size.width() && wanted.width() > 0 && wanted.height() > 0)
        return ScaledPicture(data, wanted);
    return ScaledPicture(data, size);
}
