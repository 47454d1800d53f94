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

Result<ReadTags> GetTags(TagLibrary &tags, const QString &path)
{
    const CloseOnExit closeFile(tags);
    const Result<void> open = tags.Open(path);
    if (!open) {
        LogError(QStringLiteral("GetTags"), path + QStringLiteral(": ") + open.Why().reason);
        return open.Why();
    }
    ReadTags read;
    read.whole = tags.TagReadWhole();
    const bool usedV2 = tags.HasTag();
    if (usedV2) {
        ReadFields(
            &read.fields, [&tags](TagField f) { return tags.Field(f); },
            [&tags] { return tags.Field(TagField::Comment); });
        if (tags.PictureCount() > 0) {
            const Result<QByteArray> picture = tags.PictureData(1);
            if (picture) {
                read.picture = *picture;
                read.hasPicture = true;
            } else {
                read.whole = picture.Why();
            }
        }
    }
    // The ID3v1 fields replace what a damaged tag gave.
    const bool tagUnreadable = !read.whole && read.whole.Why().code == TagLibraryError::TagUnreadable;
    if (tags.HasId3v1Tag() && (!usedV2 || tagUnreadable))
        ReadFields(
            &read.fields, [&tags](TagField f) { return tags.Id3v1Field(f); },
            [&tags] { return tags.Id3v1Field(TagField::Comment); });
    if (!read.whole && !tagUnreadable)
        LogError(QStringLiteral("GetTags"), read.whole.Why().reason);
    read.fields.Genre = GenreFromID(read.fields.Genre);
    return read;
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
