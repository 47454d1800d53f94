// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/id3v2/id3v2raw.h"
#include "engine/tags/tagfield.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <taglib/id3v2frame.h>
#include <taglib/tbytevector.h>
#include <taglib/tstring.h>

#include <memory>

// The frames of an ID3v2 tag as TagLib reads and makes them, one at a time:
// TagLib never sees a whole tag, so it cannot drop or rewrite the frames the
// program does not change.
namespace Id3v2Frames {

using FramePointer = std::unique_ptr<TagLib::ID3v2::Frame>;

TagLib::ByteVector ToByteVector(const QByteArray &bytes);
QByteArray ToQByteArray(const TagLib::ByteVector &bytes);
TagLib::String ToTagString(const QString &text);
QString ToQString(const TagLib::String &text);

// The frame as its writer meant it; nullptr for kinds TagLib is not given
// (compressed, encrypted, chapters and every kind the program does not read).
FramePointer ParseFrame(const Id3v2::Frame &frame, const Id3v2::Tag &tag);

// The frames that hold a field in a tag of that version, the one written first.
QList<QByteArray> FrameIds(TagField field, int major);
bool IsPictureFrame(const QByteArray &id);

// New frames written as the tag's other frames are.
Id3v2::Frame TextFrame(const QByteArray &id, const QString &text, const Id3v2::Tag &tag);
Id3v2::Frame CommentFrame(const QString &language, const QString &description, const QString &text,
                          const Id3v2::Tag &tag);

// A picture's description in the text encoding it is stored in.
struct PictureLabel
{
    TagLib::String::Type encoding = TagLib::String::Latin1;
    QString description;
};

Id3v2::Frame PictureFrame(const QByteArray &jpeg, short type, const PictureLabel &label, const Id3v2::Tag &tag);

// The label of the picture that replaces the one at index (-1: a first
// picture, which has none): the old picture's own, unless another picture has
// the same description, when spaces are added as mutagen adds them.
PictureLabel LabelReplacing(const Id3v2::Tag &tag, int index);

// A text frame's text; a genre's first part ("17" of "(17)Rock").
QString FrameText(const Id3v2::Frame &frame, const Id3v2::Tag &tag);

// Which comment is comment number 1, the one shown and edited; -1 when none.
int ShownCommentIndex(const Id3v2::Tag &tag);

} // namespace Id3v2Frames
