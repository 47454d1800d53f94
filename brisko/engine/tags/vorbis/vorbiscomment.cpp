// SPDX-License-Identifier: MIT
#include "engine/tags/vorbis/vorbiscomment.h"

#include "base/byteorder.h"
#include "base/sharedbytes.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/tags/tagbytes.h"

#include <QRegularExpression>

namespace Vorbis {

namespace {

Failure DoesNotFit()
{
    return Failure{TagLibraryError::TagUnreadable,
                   EnglishText("Engine", "the comment list's counts and lengths do not fit its size")};
}

QByteArray StoredName(TagField field)
{
    switch (field) {
    case TagField::Title: return "TITLE";
    case TagField::Artist: return "ARTIST";
    case TagField::Album: return "ALBUM";
    case TagField::Track: return "TRACKNUMBER";
    case TagField::Genre: return "GENRE";
    case TagField::Year: return "DATE";
    case TagField::Comment: return "COMMENT";
    }
    return QByteArray();
}

int FirstNamed(const Comments &comments, const QByteArray &name)
{
    for (int i = 0; i < comments.entries.size(); ++i) {
        if (EntryName(comments.entries.at(i)) == name)
            return i;
    }
    return -1;
}

// A track's total is stored beside its number, under either name.
const QByteArray TotalNames[] = {"TRACKTOTAL", "TOTALTRACKS"};

int FirstTotal(const Comments &comments)
{
    for (const QByteArray &name : TotalNames) {
        if (const int first = FirstNamed(comments, name); first >= 0)
            return first;
    }
    return -1;
}

// Every entry named name replaced by one with text where the first stood, or
// added at the end; none when text is empty.
void Replace(Comments *comments, const QByteArray &name, const QString &text)
{
    int first = FirstNamed(*comments, name);
    // The first entry's name keeps its letter case.
    const QByteArray entry = (first < 0 ? name : comments->entries.at(first).left(name.size())) + '=' + text.toUtf8();
    if (first < 0) {
        first = int(comments->entries.size());
        comments->entries.append(entry);
    }
    comments->entries[first] = entry;
    for (int i = int(comments->entries.size()) - 1; i >= 0; --i) {
        if (EntryName(comments->entries.at(i)) == name && (i != first || text.isEmpty()))
            comments->entries.removeAt(i);
    }
}

// "7/12" goes in as TRACKNUMBER=7 and a total of 12 (in the total's entry
// that is there, else TRACKTOTAL, as kid3 writes it); any other text is the
// number alone, without a total.
void SetTrack(Comments *comments, const QString &text)
{
    if (text == FieldText(*comments, TagField::Track))
        return; // however it is stored, it stays so
    static const QRegularExpression numberAndTotal(QStringLiteral("^\\s*(\\d+)\\s*/\\s*(\\d+)\\s*$"));
    const QRegularExpressionMatch split = numberAndTotal.match(text);
    const int total = FirstTotal(*comments);
    const QByteArray totalName = total < 0 ? TotalNames[0] : EntryName(comments->entries.at(total));
    for (const QByteArray &name : TotalNames) {
        if (name != totalName || !split.hasMatch())
            Replace(comments, name, QString());
    }
    Replace(comments, StoredName(TagField::Track), split.hasMatch() ? split.captured(1) : text);
    if (split.hasMatch())
        Replace(comments, totalName, split.captured(2));
}

QList<QByteArray> EntriesBesides(const Comments &comments, const QSet<QByteArray> &names)
{
    QList<QByteArray> kept;
    for (const QByteArray &entry : comments.entries) {
        if (!names.contains(EntryName(entry)))
            kept.append(entry);
    }
    return kept;
}

} // namespace

Result<Comments> ParseComments(const QByteArray &bytes)
{
    // Every length is checked against what is left before it is used, in
    // 64 bits, so that no declared length can wrap round or allocate.
    const qint64 size = bytes.size();
    qint64 at = 0;
    const auto length = [&](qint64 *value) {
        if (size - at < 4)
            return false;
        *value = LittleEndian(bytes, at, 4);
        at += 4;
        return *value <= size - at;
    };
    Comments comments;
    qint64 vendor = 0;
    if (!length(&vendor))
        return DoesNotFit();
    comments.vendor = SharedSlice(bytes, at, vendor);
    at += vendor;
    qint64 count = 0;
    if (size - at < 4)
        return DoesNotFit();
    count = LittleEndian(bytes, at, 4);
    at += 4;
    if (count > (size - at) / 4)
        return DoesNotFit();
    // Real lists hold dozens; each entry costs memory beside its bytes.
    constexpr qint64 MostEntries = 65536;
    if (count > MostEntries)
        return Failure{TagLibraryError::TagUnreadable,
                       EnglishText("Engine", "more than %1 comments").arg(MostEntries)};
    comments.entries.reserve(count);
    for (qint64 i = 0; i < count; ++i) {
        qint64 entry = 0;
        if (!length(&entry))
            return DoesNotFit();
        comments.entries.append(SharedSlice(bytes, at, entry));
        at += entry;
    }
    comments.trailing = SharedSlice(bytes, at, size - at);
    return comments;
}

QByteArray RenderComments(const Comments &comments)
{
    qint64 size = 8 + comments.vendor.size() + comments.trailing.size();
    for (const QByteArray &entry : comments.entries)
        size += 4 + entry.size();
    QByteArray bytes;
    bytes.reserve(size);
    AppendLittleEndian(&bytes, quint32(comments.vendor.size()), 4);
    bytes.append(comments.vendor);
    AppendLittleEndian(&bytes, quint32(comments.entries.size()), 4);
    for (const QByteArray &entry : comments.entries) {
        AppendLittleEndian(&bytes, quint32(entry.size()), 4);
        bytes.append(entry);
    }
    bytes.append(comments.trailing);
    return bytes;
}

QByteArray EntryName(const QByteArray &entry)
{
    const qsizetype equals = entry.indexOf('=');
    return equals < 0 ? QByteArray() : entry.left(equals).toUpper();
}

QByteArray EntryValue(const QByteArray &entry)
{
    const qsizetype equals = entry.indexOf('=');
    return equals < 0 ? QByteArray() : SharedSlice(entry, equals + 1, entry.size() - equals - 1);
}

QByteArray FieldName(const Comments &comments, TagField field)
{
    if (field == TagField::Comment && FirstNamed(comments, "COMMENT") < 0 && FirstNamed(comments, "DESCRIPTION") >= 0)
        return "DESCRIPTION";
    return StoredName(field);
}

QSet<QByteArray> FieldNames(const Comments &comments, TagField field)
{
    if (field == TagField::Track)
        return {StoredName(field), TotalNames[0], TotalNames[1]};
    return {FieldName(comments, field)};
}

QString FieldText(const Comments &comments, TagField field)
{
    const int first = FirstNamed(comments, FieldName(comments, field));
    const QString text = first < 0 ? QString() : QString::fromUtf8(EntryValue(comments.entries.at(first)));
    // A number stored with its total reads as MP3 and M4A files show it.
    const int total = field == TagField::Track && !text.contains(u'/') ? FirstTotal(comments) : -1;
    const QByteArray totalText = total < 0 ? QByteArray() : EntryValue(comments.entries.at(total));
    return totalText.isEmpty() ? text : text + u'/' + QString::fromUtf8(totalText);
}

void SetField(Comments *comments, TagField field, const QString &text)
{
    if (field == TagField::Track)
        SetTrack(comments, text);
    else
        Replace(comments, FieldName(*comments, field), text);
}

QSet<QByteArray> SetFields(Comments *comments, const QMap<TagField, QString> &fields)
{
    const Comments before = *comments;
    QSet<QByteArray> names;
    for (auto field = fields.cbegin(); field != fields.cend(); ++field) {
        names.unite(FieldNames(before, field.key()));
        SetField(comments, field.key(), field.value());
    }
    return names;
}

bool SameBesides(const Comments &a, const Comments &b, const QSet<QByteArray> &names)
{
    return a.vendor == b.vendor && a.trailing == b.trailing && EntriesBesides(a, names) == EntriesBesides(b, names);
}

} // namespace Vorbis
