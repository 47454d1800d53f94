// SPDX-License-Identifier: MIT
#include "engine/tags/id3v2/id3v2container.h"

#include "base/sharedbytes.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/files/keptrange.h"
#include "engine/files/lockedfile.h"
#include "engine/tags/id3v2/id3v2frames.h"
#include "engine/tags/id3v2/id3v2raw.h"
#include "engine/tags/id3v2/id3v2writer.h"
#include "engine/tags/id3v2/mpegframes.h"
#include "engine/tags/tagbytes.h"

#include <QMap>

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>

#include <algorithm>

using namespace Id3v2Frames;

namespace {

class Mp3Tags : public TagContainer
{
public:
    Mp3Tags(Id3v2::Tag tag, QByteArray id3v1, bool tagAtEnd, qint64 fileSize, qint64 block)
        : tag_(std::move(tag))
        , id3v1_(std::move(id3v1))
        , tagAtEnd_(tagAtEnd)
        , fileSize_(fileSize)
        , block_(block)
    {
        ReadFields();
    }

    bool HasTag() const override { return tag_.present; }

    Result<void> ReadWhole() const override
    {
        if (tag_.present && !tag_.IsComplete())
            return WholeUnless(tag_.problem);
        return WholeUnless(tagAtEnd_ ? EnglishText("Engine", "an ID3v2 tag at the end of the file") : QString());
    }

    QString Field(TagField field) const override { return fields_.value(field); }
    int PictureCount() const override { return int(pictureFrames_.size()); }
    std::optional<StoredPicture> Picture(int number) const override;
    qint64 TagBytes() const override { return tag_.present ? tag_.size : 0; }

    Result<FileRewrite> Render(const TagEdits &edits) const override
    {
        return Id3v2Writer(tag_, tagAtEnd_, id3v1_, fileSize_, block_).Render(edits);
    }
    qint64 Padding() const override { return tag_.present ? tag_.size - TagBytesWithoutPadding(tag_) : 0; }

    bool HasId3v1() const override { return !id3v1_.isEmpty(); }
    QString Id3v1Field(TagField field) const override;

private:
    void ReadFields();

    const Id3v2::Tag tag_;
    const QByteArray id3v1_;
    const bool tagAtEnd_;
    const qint64 fileSize_;
    const qint64 block_;
    QMap<TagField, QString> fields_;
    QList<int> pictureFrames_;
    mutable std::optional<StoredPicture> firstPicture_; // read once, asked for twice in a conversion
};

void Mp3Tags::ReadFields()
{
    for (const TagField field : {TagField::Title, TagField::Artist, TagField::Album, TagField::Track,
                                 TagField::Genre, TagField::Year}) {
        for (const QByteArray &id : FrameIds(field, tag_.major)) {
            const auto found = std::find_if(tag_.frames.cbegin(), tag_.frames.cend(),
                                            [&id](const Id3v2::Frame &frame) { return frame.id == id; });
            if (found != tag_.frames.cend()) {
                fields_.insert(field, FrameText(*found, tag_));
                break;
            }
        }
    }

    const int comment = ShownCommentIndex(tag_);
    if (comment >= 0) {
        const FramePointer parsed = ParseFrame(tag_.frames.at(comment), tag_);
        if (const auto *frame = dynamic_cast<const TagLib::ID3v2::CommentsFrame *>(parsed.get()))
            fields_.insert(TagField::Comment, ToQString(frame->text()));
    }

    for (int i = 0; i < tag_.frames.size(); ++i) {
        if (IsPictureFrame(tag_.frames.at(i).id))
            pictureFrames_.append(i);
    }
}

std::optional<StoredPicture> Mp3Tags::Picture(int number) const
{
    if (number < 1 || number > pictureFrames_.size())
        return std::nullopt;
    if (number == 1 && firstPicture_)
        return firstPicture_;
    StoredPicture picture;
    const Id3v2::Frame &stored = tag_.frames.at(pictureFrames_.at(number - 1));
    const Id3v2::PictureFields fields = Id3v2::FindPictureFields(stored, tag_);
    // Stored plainly, the picture is shared with the tag, not copied.
    if (fields.dataAt >= 0) {
        picture.readable = true;
        picture.type = short(uchar(stored.bytes.at(fields.typeAt)));
        picture.data = SharedSlice(stored.bytes, fields.dataAt, stored.bytes.size() - fields.dataAt);
    } else if (const FramePointer parsed = ParseFrame(stored, tag_);
               const auto *frame = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame *>(parsed.get())) {
        picture.readable = true;
        // TagLib reads the type byte as a signed char: 128-255 come out negative.
        picture.type = short(uchar(frame->type()));
        picture.data = ToQByteArray(frame->picture());
    } else {
        picture.problem = EnglishText("Engine", "picture %1 cannot be read (a compressed, encrypted or damaged frame)")
                              .arg(number);
    }
    if (number == 1)
        firstPicture_ = picture;
    return picture;
}

QString Mp3Tags::Id3v1Field(TagField field) const
{
    if (id3v1_.isEmpty())
        return QString();
    TagLib::ByteVectorStream stream(ToByteVector(id3v1_));
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    const TagLib::ID3v1::Tag *tag = file.ID3v1Tag();
    if (!tag)
        return QString();
    switch (field) {
    case TagField::Title: return ToQString(tag->title());
    case TagField::Artist: return ToQString(tag->artist());
    case TagField::Album: return ToQString(tag->album());
    case TagField::Comment: return ToQString(tag->comment());
    case TagField::Track: return tag->track() ? QString::number(tag->track()) : QString();
    case TagField::Year: return tag->year() ? QString::number(tag->year()) : QString();
    case TagField::Genre: return QString::number(tag->genreNumber());
    }
    return QString();
}

} // namespace

Result<std::unique_ptr<TagContainer>> ReadMp3Tags(const LockedFile &file)
{
    const int fd = file.Descriptor();
    const qint64 size = file.State().st_size;
    const Result<QByteArray> start = ReadUpTo(fd, size, 0, Id3v2::HeaderSize);
    if (!start)
        return start.Why();
    const qint64 declared = Id3v2::DeclaredSize(*start);
    // A tag too large to hold is refused before it is read.
    const bool readable = declared > 0 && declared <= Id3v2::MostTagBytes + Id3v2::FooterSize;
    const Result<QByteArray> tagBytes = readable ? ReadUpTo(fd, size, 0, qMin(declared, size)) : start;
    if (!tagBytes)
        return tagBytes.Why();
    const qint64 tailSize = qMin<qint64>(size, 128 + Id3v2::FooterSize);
    const Result<QByteArray> tail = ReadUpTo(fd, size, size - tailSize, tailSize);
    if (!tail)
        return tail.Why();

    Id3v2::Tag tag = Id3v2::Parse(*tagBytes, size);
    QByteArray id3v1;
    if (tail->size() >= 128 && tail->right(128).startsWith("TAG") && size - 128 >= tag.size)
        id3v1 = tail->right(128);
    const bool tagAtEnd = size > tag.size + Id3v2::FooterSize && Id3v2::HasTagAtEnd(*tail);
    return std::unique_ptr<TagContainer>(new Mp3Tags(std::move(tag), std::move(id3v1), tagAtEnd, size, ShareBlock(file.State())));
}

bool IsMp3(const FileStart &start)
{
    return Id3v2::BodyEnd(start.head) > 0 || MpegFrames::FirstRun(start.head, start.size) >= 0;
}

qint64 Mp3MetadataBytes(const FileStart &start)
{
    const qint64 tag = Id3v2::DeclaredSize(start.head);
    return tag > Id3v2::MostTagBytes + Id3v2::FooterSize ? 0 : tag;
}
