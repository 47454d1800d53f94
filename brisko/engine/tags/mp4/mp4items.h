// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/tags/mp4/mp4boxes.h"
#include "engine/tags/tagcontainer.h"
#include "engine/tags/tagfield.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The items of an MP4 file's ilst as the seven fields and the pictures: each
// item is a box named for its field ("\xA9nam" the title, "trkn" the track)
// holding data boxes, and covr holds one data box a picture.
namespace Mp4 {

// The data box's type of a JPEG picture, and of UTF-8 text.
constexpr quint32 JpegData = 13;
constexpr quint32 TextData = 1;

// The item names a field is read from; the first is the one it is written
// as (a genre is written as text, "\xA9gen", in place of a "gnre" number).
QList<quint32> ItemNames(TagField field);

// The field's text: the first value of its first item ("7/12" of a track
// number, the name of a genre number), empty when the file has none.
QString FieldText(const File &file, TagField field);

// The indexes in tree of the data boxes in covr: picture n is the n-th.
QList<int> PictureBoxes(const File &file);
std::optional<StoredPicture> Picture(const File &file, int number);

// A box with this type and body.
QByteArray RenderBox(quint32 type, const QByteArray &body);
QByteArray RenderData(quint32 dataType, const QByteArray &payload);
// Whether text fits the field, else why not (a track number is a number and
// a total, each up to 65535).
Result<void> ItemFits(TagField field, const QString &text);
// The item that holds text as field's value, or why the text does not fit
// the field (a track number is a number and a total, each up to 65535).
Result<QByteArray> RenderItem(TagField field, const QString &text);

} // namespace Mp4
