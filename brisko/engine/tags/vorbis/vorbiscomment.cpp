// SPDX-License-Identifier: MIT
#include "engine/tags/vorbis/vorbiscomment.h"

#include "base/sharedbytes.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/tags/vorbis/tagbytes.h"

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
        *value = LittleEndian32(bytes, at);
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
    count = LittleEndian32(bytes, at);
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
    AppendLittleEndian32(&bytes, quint32(comments.vendor.size()));
    bytes.append(comments.vendor);
    AppendLittleEndian32(&bytes, quint32(comments.entries.size()));
    for (const QByteArray &entry : comments.entries) {
        AppendLittleEndian32(&bytes, quint32(entry.size()));
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

QString FieldText(const Comments &comments, TagField field)
{
    const int first = FirstNamed(comments, FieldName(comments, field));
    return first < 0 ? QString() : QString::fromUtf8(EntryValue(comments.entries.at(first)));
}

void SetField(Comments *comments, TagField field, const QString &text)
{
    const QByteArray name = FieldName(*comments, field);
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

bool SameBesides(const Comments &a, const Comments &b, const QSet<QByteArray> &names)
{
    return a.vendor == b.vendor && a.trailing == b.trailing && EntriesBesides(a, names) == EntriesBesides(b, names);
}

} // namespace Vorbis
