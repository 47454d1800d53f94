// SPDX-License-Identifier: MIT
#include "engine/tags/id3v2/id3v2writer.h"

#include "base/genrefromid.h"
#include "base/textvalue.h"
#include "base/translation.h"
#include "engine/files/samebytes.h"
#include "engine/tags/id3v2/id3v2frames.h"
#include "engine/tags/padding.h"
#include "base/tagerrors.h"
#include "engine/tags/tagbytes.h"

#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>

using namespace Id3v2Frames;

namespace {

// Up to count bytes at offset; none when they cannot be read, which the
// checks below take as a difference.
QByteArray BytesAt(int fd, qint64 offset, qint64 count)
{
    const Result<QByteArray> bytes = ReadUpTo(fd, SizeOfFile(fd), offset, count);
    return bytes ? *bytes : QByteArray();
}

// Where the audio of the file behind fd starts: after its ID3v2 header and
// body, and after a footer only where one really stands there. Read from the
// files themselves, apart from the parsed tag, so that no misreading of the
// tag can move the audio.
qint64 AudioStart(int fd)
{
    const QByteArray header = BytesAt(fd, 0, Id3v2::HeaderSize);
    const qint64 body = Id3v2::BodyEnd(header);
    if (body == 0)
        return 0;
    return body + (Id3v2::FooterFollows(header, BytesAt(fd, body, Id3v2::FooterSize)) ? Id3v2::FooterSize : 0);
}

// The new file keeps every byte after the tag: its tag ends where the kept
// bytes begin, they begin where the original's tag ended, they are the
// original's to the last byte, and only an ID3v1 tag is ever put in place of
// the original's last bytes. Its tags read back as they were rendered.
Result<void> AudioKept(const FileRewrite &rewrite, qint64 originalSize, int copy, int original)
{
    const qint64 kept = rewrite.keepTo - rewrite.keepFrom;
    const bool sameEnd = rewrite.keepTo == originalSize
                         || (rewrite.keepTo == originalSize - 128 && rewrite.tail.size() == 128
                             && rewrite.tail.startsWith("TAG") && BytesAt(original, rewrite.keepTo, 3) == "TAG");
    if (AudioStart(original) != rewrite.keepFrom || AudioStart(copy) != rewrite.head.size() || !sameEnd
        || !SameBytes(copy, rewrite.head.size(), original, rewrite.keepFrom, kept))
        return CopyRefused(EnglishText("Engine", "the audio would not stay as it was"));
    if (BytesAt(copy, 0, rewrite.head.size()) != rewrite.head
        || BytesAt(copy, rewrite.head.size() + kept, rewrite.tail.size()) != rewrite.tail)
        return CopyRefused(EnglishText("Engine", "the new tag does not read back as written"));
    return {};
}

// The byte ranges of an ID3v1 tag's fields.
struct Range
{
    int from;
    int to;
};

Range Id3v1Range(TagField field)
{
    switch (field) {
    case TagField::Title: return {3, 33};
    case TagField::Artist: return {33, 63};
    case TagField::Album: return {63, 93};
    case TagField::Year: return {93, 97};
    case TagField::Comment:
    case TagField::Track: return {97, 127};
    case TagField::Genre: return {127, 128};
    }
    return {0, 0};
}

} // namespace

qint64 TagBytesWithoutPadding(const Id3v2::Tag &tag)
{
    qint64 needed = Id3v2::HeaderSize + tag.trailing.size();
    for (const Id3v2::Frame &frame : tag.frames)
        needed += frame.bytes.size();
    return needed;
}

Id3v2Writer::Id3v2Writer(const Id3v2::Tag &tag, bool tagAtEnd, const QByteArray &id3v1, qint64 fileSize,
                         qint64 block)
    : tag_(tag)
    , tagAtEnd_(tagAtEnd)
    , id3v1_(id3v1)
    , fileSize_(fileSize)
    , block_(block)
{
}

Result<Id3v2::Tag> Id3v2Writer::EditedTag(const TagEdits &edits) const
{
    if (tagAtEnd_) {
        return Failure{TagLibraryError::WouldLoseData,
                       EnglishText("Engine", "the file has an ID3v2 tag at its end, which would be left behind")};
    }
    Id3v2::Tag tag = tag_;
    if (!tag.present) {
        tag.present = true;
        tag.major = 3;
    } else if (!tag.writable) {
        return Failure{TagLibraryError::WouldLoseData, tag.problem};
    }

    if (tag.major == 2) {
        // Version 2.2 cannot be written any more: the same frames as 2.3.
        const Result<Id3v2::Tag> v23 = Id3v2::ConvertTo23(tag);
        if (!v23)
            return v23.Why();
        tag = *v23;
    }

    const auto replace = [&tag](int index, const std::optional<Id3v2::Frame> &frame) {
        if (index >= 0 && frame)
            tag.frames[index] = *frame;
        else if (index >= 0)
            tag.frames.removeAt(index);
        else if (frame)
            tag.frames.append(*frame);
    };
    const auto firstIndex = [&tag](const QByteArray &id) {
        for (int i = 0; i < tag.frames.size(); ++i) {
            if (tag.frames.at(i).id == id)
                return i;
        }
        return -1;
    };

    for (auto change = edits.fields.cbegin(); change != edits.fields.cend(); ++change) {
        if (change.key() == TagField::Comment)
            continue;
        // Each frame that holds the field takes the new value: a year kept in
        // both TYER and TDRC (as some taggers write 2.3 tags) is then the same
        // year to readers that prefer either.
        const QList<QByteArray> ids = FrameIds(change.key(), tag.major);
        const auto frameFor = [&](const QByteArray &id) {
            return change.value().isEmpty() ? std::nullopt
                                            : std::optional<Id3v2::Frame>(TextFrame(id, change.value(), tag));
        };
        bool held = false;
        for (const QByteArray &id : ids) {
            const int index = firstIndex(id);
            if (index >= 0) {
                replace(index, frameFor(id));
                held = true;
            }
        }
        if (!held)
            replace(-1, frameFor(ids.constFirst()));
    }
    if (edits.fields.contains(TagField::Comment)) {
        const QString comment = edits.fields.value(TagField::Comment);
        std::optional<Id3v2::Frame> frame;
        if (!comment.isEmpty())
            frame = CommentFrame(QStringLiteral("eng"), QString(), comment, tag);
        replace(ShownCommentIndex(tag), frame);
    }
    // The frame index of picture number in the tag as edited so far.
    const auto pictureIndex = [&tag](int number) {
        for (int i = 0; i < tag.frames.size(); ++i) {
            if (IsPictureFrame(tag.frames.at(i).id) && --number == 0)
                return i;
        }
        return -1;
    };
    for (auto later = edits.laterPictures.cbegin(); later != edits.laterPictures.cend(); ++later) {
        const int index = pictureIndex(later.key());
        replace(index, PictureFrame(later->jpeg, later->type, LabelReplacing(tag, index), tag));
    }
    if (edits.frontPicture > 1) {
        const int from = pictureIndex(edits.frontPicture);
        const int to = pictureIndex(1);
        if (from >= 0)
            tag.frames.move(from, to);
    }
    if (edits.firstPicture) {
        const int first = pictureIndex(1);
        replace(first, PictureFrame(edits.firstPicture->jpeg, edits.firstPicture->type, LabelReplacing(tag, first), tag));
    }
    return tag;
}

Result<void> Id3v2Writer::PrepareId3v2(const TagEdits &edits, FileRewrite *rewrite) const
{
    const Result<Id3v2::Tag> edited = EditedTag(edits);
    if (!edited)
        return edited.Why();
    // A tag is no use in a file with nothing after it: that is no MP3.
    const qint64 oldSize = tag_.present ? tag_.size : 0;
    if (fileSize_ - oldSize - id3v1_.size() <= 0) {
        return Failure{TagLibraryError::NoAudio, EnglishText("Engine", "the file holds no audio")};
    }

    const qint64 needed = TagBytesWithoutPadding(*edited);
    const QByteArray rendered = Id3v2::Render(*edited, needed + ChoosePadding(needed, oldSize, block_));
    const Id3v2::Tag check = Id3v2::Parse(rendered, rendered.size());
    if (check.frames != edited->frames || check.trailing != edited->trailing) {
        return Failure{TagLibraryError::CheckFailed, EnglishText("Engine", "the new tag does not read back as written")};
    }

    rewrite->head = rendered;
    rewrite->keepFrom = oldSize;
    return Result<void>::Success();
}

Result<void> Id3v2Writer::PrepareId3v1(const QMap<TagField, QString> &changes, FileRewrite *rewrite) const
{
    TagLib::ByteVectorStream stream(ToByteVector(id3v1_));
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    TagLib::ID3v1::Tag *tag = file.ID3v1Tag();
    if (!tag) {
        return Failure{TagLibraryError::TagUnreadable, EnglishText("Engine", "the ID3v1 tag cannot be read")};
    }
    for (auto change = changes.cbegin(); change != changes.cend(); ++change) {
        const QString &text = change.value();
        switch (change.key()) {
        case TagField::Title: tag->setTitle(ToTagString(text)); break;
        case TagField::Artist: tag->setArtist(ToTagString(text)); break;
        case TagField::Album: tag->setAlbum(ToTagString(text)); break;
        case TagField::Comment: tag->setComment(ToTagString(text)); break;
        case TagField::Track: tag->setTrack(static_cast<unsigned>(qBound(0, int(RoundToInt32(TextValue(text))), 255))); break;
        case TagField::Year: tag->setYear(static_cast<unsigned>(qMax(0, int(RoundToInt32(TextValue(text)))))); break;
        case TagField::Genre: {
            const int named = GenreTable().indexOf(GenreFromID(text));
            tag->setGenreNumber(named >= 0 ? unsigned(named) : 255u);
            break;
        }
        }
    }
    // Only the bytes of the changed fields are taken from the new rendering.
    const QByteArray rendered = ToQByteArray(tag->render());
    QByteArray updated = id3v1_;
    for (const TagField field : changes.keys()) {
        const Range range = Id3v1Range(field);
        updated.replace(range.from, range.to - range.from, rendered.mid(range.from, range.to - range.from));
    }

    rewrite->keepTo = fileSize_ - 128;
    rewrite->tail = updated;
    return Result<void>::Success();
}

Result<FileRewrite> Id3v2Writer::Render(const TagEdits &edits) const
{
    FileRewrite rewrite;
    rewrite.keepTo = fileSize_;
    Result<void> prepared;
    if (edits.HasTagChanges())
        prepared = PrepareId3v2(edits, &rewrite);
    // A file without an ID3v1 tag does not get one.
    if (prepared && !edits.id3v1.isEmpty() && !id3v1_.isEmpty())
        prepared = PrepareId3v1(edits.id3v1, &rewrite);
    if (!prepared)
        return prepared.Why();
    rewrite.check = [plan = rewrite, size = fileSize_](int copy, int original) {
        return AudioKept(plan, size, copy, original);
    };
    return rewrite;
}
