// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/tags/tagfield.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

// A Vorbis comment list, as FLAC's VORBIS_COMMENT block and the comment
// headers of Ogg Vorbis and Opus store it. Entries are kept as the bytes
// they are: a change replaces only the entries of the field it changes, so
// names keep their letter case and every other entry its bytes and place.
namespace Vorbis {

struct Comments
{
    QByteArray vendor;
    QList<QByteArray> entries; // "NAME=value" each, as stored, in stored order
    QByteArray trailing;       // what follows the last entry: Vorbis' framing bit, Opus' padding

    bool operator==(const Comments &other) const
    {
        return vendor == other.vendor && entries == other.entries && trailing == other.trailing;
    }
};

// The list that starts with the vendor's length in bytes; why not where a
// count or length runs past its end.
Result<Comments> ParseComments(const QByteArray &bytes);
QByteArray RenderComments(const Comments &comments);

// An entry's name in capitals ("TITLE" of "title=x"), as names compare
// without regard to case; empty when it has no "=".
QByteArray EntryName(const QByteArray &entry);
QByteArray EntryValue(const QByteArray &entry);

// The name a field is stored under: COMMENT, or DESCRIPTION in a list that
// has a description and no comment.
QByteArray FieldName(const Comments &comments, TagField field);
// Every name that setting the field may change: a track's number and total.
QSet<QByteArray> FieldNames(const Comments &comments, TagField field);
// The field's first value; a track number with its total as "7/12".
QString FieldText(const Comments &comments, TagField field);
// Every value of the field replaced by text, where the first one stood (at
// the end when there was none); the field is removed when text is empty.
// "7/12" as a track is stored as a number and a total.
void SetField(Comments *comments, TagField field, const QString &text);
// Each of fields set so, for FLAC and Ogg alike; the names that may have
// changed, as the list stood before (see FieldNames).
QSet<QByteArray> SetFields(Comments *comments, const QMap<TagField, QString> &fields);

// Whether two lists are the same but for the entries with these names.
bool SameBesides(const Comments &a, const Comments &b, const QSet<QByteArray> &names);

} // namespace Vorbis
