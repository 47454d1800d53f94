// SPDX-License-Identifier: MIT
#include "engine/tags/id3v2/id3v2frames.h"

#include "base/sharedbytes.h"

#include <QSet>

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/textidentificationframe.h>

namespace Id3v2Frames {


TagLib::ByteVector ToByteVector(const QByteArray &bytes)
{
    return TagLib::ByteVector(bytes.constData(), static_cast<unsigned int>(bytes.size()));
}

QByteArray ToQByteArray(const TagLib::ByteVector &bytes)
{
    return QByteArray(bytes.data(), int(bytes.size()));
}

TagLib::String ToTagString(const QString &text)
{
    return TagLib::String(text.toUtf8().constData(), TagLib::String::UTF8);
}

QString ToQString(const TagLib::String &text)
{
    return QString::fromUtf8(text.toCString(true));
}

// Frames of these kinds are handed to TagLib to be read. Everything else is
// kept as bytes only: TagLib never sees compressed or encrypted frames (a
// small one can inflate to a gigabyte) nor chapters (nested without end).
static bool IsReadFrame(const QByteArray &id)
{
    static const QList<QByteArray> ids = {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TDRC", "TCON",
                                          "COMM", "APIC", "TT2",  "TP1",  "TAL",  "TRK",  "TYE",
                                          "TCO",  "COM",  "PIC"};
    return ids.contains(id);
}

// The frame as its writer meant it: TagLib undoes the unsynchronisation that
// the tag's header announces, and is given the size it can read alone.
FramePointer ParseFrame(const Id3v2::Frame &frame, const Id3v2::Tag &tag)
{
    if (!IsReadFrame(frame.id) || frame.IsCompressed(tag.major) || frame.IsEncrypted(tag.major))
        return nullptr;
    QByteArray tagHeader("ID3", 3);
    tagHeader += char(tag.major);
    tagHeader += '\0';
    tagHeader += char(tag.FramesUnsynchronised() ? 0x80 : 0x00);
    tagHeader += QByteArray(4, '\0');
    TagLib::ID3v2::Header header;
    header.setData(ToByteVector(tagHeader));
    return FramePointer(TagLib::ID3v2::FrameFactory::instance()->createFrame(
        ToByteVector(Id3v2::StandardFrameBytes(frame, tag.major)), &header));
}

QList<QByteArray> FrameIds(TagField field, int major)
{
    const bool v22 = major == 2;
    switch (field) {
    case TagField::Title: return {v22 ? "TT2" : "TIT2"};
    case TagField::Artist: return {v22 ? "TP1" : "TPE1"};
    case TagField::Album: return {v22 ? "TAL" : "TALB"};
    case TagField::Track: return {v22 ? "TRK" : "TRCK"};
    case TagField::Genre: return {v22 ? "TCO" : "TCON"};
    case TagField::Year:
        if (v22)
            return {"TYE"};
        return major == 4 ? QList<QByteArray>{"TDRC", "TYER"} : QList<QByteArray>{"TYER", "TDRC"};
    case TagField::Comment: return {v22 ? "COM" : "COMM"};
    }
    return {};
}

bool IsPictureFrame(const QByteArray &id)
{
    return id == "APIC" || id == "PIC";
}

static TagLib::String::Type EncodingFor(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return TagLib::String::UTF16;
    }
    return TagLib::String::Latin1;
}

// TagLib renders a new frame with a version 2.4 header and no flags; the
// content is the same for both versions, so only the header is made anew,
// the way the tag's other frames are written.
static Id3v2::Frame FrameFromTagLib(const TagLib::ID3v2::Frame &frame, const QByteArray &id, const Id3v2::Tag &tag)
{
    return Id3v2::MakeFrame(id, ToQByteArray(frame.render()).mid(10), tag);
}

Id3v2::Frame TextFrame(const QByteArray &id, const QString &text, const Id3v2::Tag &tag)
{
    TagLib::ID3v2::TextIdentificationFrame frame(ToByteVector(id), EncodingFor(text));
    frame.setText(ToTagString(text));
    return FrameFromTagLib(frame, id, tag);
}

Id3v2::Frame CommentFrame(const QString &language, const QString &description, const QString &text,
                          const Id3v2::Tag &tag)
{
    TagLib::ID3v2::CommentsFrame frame(EncodingFor(description + text));
    frame.setLanguage(ToByteVector(language.toLatin1().leftJustified(3, ' ', true)));
    frame.setDescription(ToTagString(description));
    frame.setText(ToTagString(text));
    return FrameFromTagLib(frame, "COMM", tag);
}

Id3v2::Frame PictureFrame(const QByteArray &jpeg, short type, const PictureLabel &label, const Id3v2::Tag &tag)
{
    TagLib::ID3v2::AttachedPictureFrame frame;
    frame.setTextEncoding(label.encoding);
    frame.setMimeType("image/jpeg");
    frame.setDescription(ToTagString(label.description));
    frame.setType(static_cast<TagLib::ID3v2::AttachedPictureFrame::Type>(qBound(0, int(type), 255)));
    frame.setPicture(ToByteVector(jpeg));
    return FrameFromTagLib(frame, "APIC", tag);
}

// The text encoding byte of a picture frame as stored. TagLib keeps any byte
// in its enum, so a damaged one is read here, and read as Latin-1.
static TagLib::String::Type StoredEncoding(const Id3v2::Frame &frame, int major)
{
    int at = frame.headerSize;
    if (major == 4 && (frame.Flags() & 0x0001))
        at += 4; // the data length indicator comes first
    const int byte = at < frame.bytes.size() ? uchar(frame.bytes.at(at)) : 0;
    return byte <= TagLib::String::UTF8 ? TagLib::String::Type(byte) : TagLib::String::Latin1;
}

// The picture frame without its image data: all TagLib needs to read its
// description, without copying a picture of any size.
static Id3v2::Frame WithoutPictureData(const Id3v2::Frame &frame, const Id3v2::Tag &tag)
{
    const qsizetype dataAt = Id3v2::FindPictureFields(frame, tag).dataAt;
    if (dataAt < 0)
        return frame;
    const QByteArray fields = frame.bytes.mid(frame.headerSize, dataAt - frame.headerSize);
    if (frame.headerSize == 10)
        return Id3v2::MakeFrame(frame.id, fields, tag);
    QByteArray header = frame.id; // version 2.2: a three-byte size
    for (int shift = 16; shift >= 0; shift -= 8)
        header += char((fields.size() >> shift) & 0xFF);
    return {frame.id, header + fields, 6};
}

// The label of the picture that replaces the one at index (-1: a first
// picture, which has none): the old picture's own, unless another picture has
// the same description. ID3v2 allows one picture per description, and readers
// keep only one of two; spaces are added as mutagen adds them to tell such
// pictures apart.
PictureLabel LabelReplacing(const Id3v2::Tag &tag, int index)
{
    PictureLabel label;
    QSet<QString> others;
    for (int i = 0; i < tag.frames.size(); ++i) {
        if (!IsPictureFrame(tag.frames.at(i).id))
            continue;
        const FramePointer parsed = ParseFrame(WithoutPictureData(tag.frames.at(i), tag), tag);
        const auto *picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame *>(parsed.get());
        if (picture && i == index)
            label = {StoredEncoding(tag.frames.at(i), tag.major), ToQString(picture->description())};
        else if (picture)
            others.insert(ToQString(picture->description()));
    }
    while (others.contains(label.description))
        label.description += QLatin1Char(' ');
    return label;
}

QString FrameText(const Id3v2::Frame &frame, const Id3v2::Tag &tag)
{
    const FramePointer parsed = ParseFrame(frame, tag);
    const auto *text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame *>(parsed.get());
    if (!text || text->fieldList().isEmpty())
        return QString();
    // TagLib splits "(17)Rock" into "17" and "Rock"; the first names the genre.
    if (frame.id == "TCON" || frame.id == "TCO")
        return ToQString(text->fieldList().front());
    return ToQString(text->toString());
}

// Which comment is comment number 1, the one shown and edited: the first
// without a description, else the first that is no iTunes machine value
// (iTunNORM, iTunSMPB, ...); -1 when there is none.
int ShownCommentIndex(const Id3v2::Tag &tag)
{
    int described = -1;
    for (int i = 0; i < tag.frames.size(); ++i) {
        const Id3v2::Frame &frame = tag.frames.at(i);
        if (frame.id != "COMM" && frame.id != "COM")
            continue;
        const FramePointer parsed = ParseFrame(frame, tag);
        const auto *comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame *>(parsed.get());
        if (!comment)
            continue;
        if (comment->description().isEmpty())
            return i;
        if (described < 0 && !comment->description().startsWith("iTun"))
            described = i;
    }
    return described;
}

} // namespace Id3v2Frames
