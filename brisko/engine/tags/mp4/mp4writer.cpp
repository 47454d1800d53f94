// SPDX-License-Identifier: MIT
#include "engine/tags/mp4/mp4writer.h"

#include "base/byteorder.h"
#include "base/sharedbytes.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/files/samebytes.h"
#include "engine/tags/mp4/mp4items.h"
#include "engine/tags/padding.h"
#include "engine/tags/tagbytes.h"

#include <QSet>

#include <algorithm>

using namespace Mp4;

namespace {

constexpr quint32 Covr = Fourcc("covr");
constexpr quint32 Hdlr = Fourcc("hdlr");
constexpr quint32 Co64 = Fourcc("co64");
constexpr quint32 Free = Fourcc("free");

// moov's bytes from..to replaced by bytes, inside the box owner (an index
// in tree): its size and the sizes of the boxes holding it follow.
struct Splice
{
    qint64 from;
    qint64 to;
    QByteArray bytes;
    int owner;
};

// The tag boxes made where the file has none, from the first one missing
// down: ilst alone, meta and ilst, or udta, meta and ilst.
enum class Made { Nothing, Ilst, Meta, Udta };

// What the edits change, for the render and for its check.
struct Change
{
    QList<Splice> splices;
    QSet<quint32> items;  // the names of the ilst items replaced, removed or added
    QMap<int, QByteArray> pictures; // the covr data boxes replaced or added, by number: their JPEGs
    Made made = Made::Nothing;
    bool padding = false; // the free box after ilst resized or removed
};

// The index in tree of the free box right after ilst, the padding that
// iTunes and mutagen leave in meta; -1 when there is none.
int PaddingBox(const File &file)
{
    if (file.ilst < 0)
        return -1;
    const qint64 end = file.tree.at(file.ilst).End();
    for (const int index : file.Children(file.meta)) {
        if (file.tree.at(index).at == end)
            return file.tree.at(index).type == Free && file.tree.at(index).header == 8 ? index : -1;
    }
    return -1;
}

// The free box after ilst sized as padding.h says. The audio moves only
// where moov stands before it; where it would move by other than whole
// blocks, and ilst has no free box after it, one is made there.
void PlacePadding(const File &file, qint64 fileSize, qint64 block, Change *change)
{
    const int index = PaddingBox(file);
    qint64 growth = 0;
    for (const Splice &splice : std::as_const(change->splices))
        growth += splice.bytes.size() - (splice.to - splice.from);
    const bool audioMoves = fileSize - file.MoovEnd() >= file.MoovStart();
    if (index < 0 && (file.ilst < 0 || !audioMoves || growth == 0))
        return;
    const qint64 old = index >= 0 ? file.tree.at(index).size : 0;
    const qint64 unpadded = file.MoovEnd() + growth - old;
    const qint64 padding = ChoosePadding(unpadded, file.MoovEnd(), audioMoves ? block : 1, 8);
    if (padding == old)
        return;
    const qint64 at = index >= 0 ? file.tree.at(index).at : file.tree.at(file.ilst).End();
    const qint64 end = index >= 0 ? file.tree.at(index).End() : at;
    change->splices.append({at, end, padding > 0 ? RenderBox(Free, QByteArray(padding - 8, '\0')) : QByteArray(),
                            file.meta});
    change->padding = true;
}

Failure WouldLose(const QString &reason)
{
    return Failure{TagLibraryError::WouldLoseData, reason};
}

// New items go at the end of ilst, in a new ilst, meta and udta where the
// file has none: a meta box has a full box's version and flags, and the
// handler that marks its items as iTunes' (mdir).
void PlaceNewItems(const File &file, const QByteArray &items, Change *change)
{
    const auto insert = [change](int owner, qint64 at, const QByteArray &bytes, Made made) {
        change->splices.append({at, at, bytes, owner});
        change->made = made;
    };
    if (file.ilst >= 0)
        return insert(file.ilst, file.tree.at(file.ilst).End(), items, Made::Nothing);
    const QByteArray ilst = RenderBox(Fourcc("ilst"), items);
    if (file.meta >= 0)
        return insert(file.meta, file.tree.at(file.meta).End(), ilst, Made::Ilst);
    const QByteArray handler = RenderBox(Hdlr, QByteArray(8, '\0') + "mdirappl" + QByteArray(9, '\0'));
    const QByteArray meta = RenderBox(Fourcc("meta"), QByteArray(4, '\0') + handler + ilst);
    if (file.udta >= 0) {
        // After udta's last box, before the four zero bytes that may end it.
        const QList<int> children = file.Children(file.udta);
        const Box &udta = file.tree.at(file.udta);
        const qint64 end = children.isEmpty() ? udta.at + udta.header : file.tree.at(children.last()).End();
        return insert(file.udta, end, meta, Made::Meta);
    }
    insert(0, file.tree.first().End(), RenderBox(Fourcc("udta"), meta), Made::Udta);
}

Result<Change> PlanEdits(const File &file, const TagEdits &edits)
{
    Change change;
    QByteArray added;
    for (auto edit = edits.fields.cbegin(); edit != edits.fields.cend(); ++edit) {
        const QList<quint32> names = ItemNames(edit.key());
        QByteArray item;
        if (!edit.value().isEmpty()) {
            const Result<QByteArray> rendered = RenderItem(edit.key(), edit.value());
            if (!rendered)
                return rendered.Why();
            item = *rendered;
        }
        // The first of the field's items is replaced in its place, the others go.
        bool placed = false;
        for (const int index : file.items) {
            const Box &box = file.tree.at(index);
            if (names.contains(box.type)) {
                change.splices.append({box.at, box.End(), placed ? QByteArray() : item, file.ilst});
                placed = true;
            }
        }
        if (!placed)
            added += item;
        for (const quint32 name : names)
            change.items.insert(name);
    }

    QMap<int, QByteArray> pictures;
    for (auto later = edits.laterPictures.cbegin(); later != edits.laterPictures.cend(); ++later)
        pictures.insert(later.key(), later->jpeg);
    if (edits.firstPicture)
        pictures.insert(1, edits.firstPicture->jpeg);
    const QList<int> stored = PictureBoxes(file);
    for (auto picture = pictures.cbegin(); picture != pictures.cend(); ++picture) {
        const int number = picture.key();
        const QByteArray data = RenderData(JpegData, *picture);
        if (number <= stored.size()) {
            const Box &box = file.tree.at(stored.at(number - 1));
            change.splices.append({box.at, box.End(), data, file.covr});
        } else if (number != 1) {
            continue; // only pictures the file has are replaced
        } else if (file.covr >= 0) {
            const qint64 end = file.tree.at(file.covr).End();
            change.splices.append({end, end, data, file.covr});
        } else {
            added += RenderBox(Covr, data);
            change.items.insert(Covr);
            continue;
        }
        change.pictures.insert(number, *picture);
    }
    if (!added.isEmpty())
        PlaceNewItems(file, added, &change);
    return change;
}

// The size fields of the boxes that grow or shrink, and the chunk offsets
// past moov, which move by as much as moov does. Gives that move.
Result<qint64> PlanSizesAndOffsets(const File &file, qint64 fileSize, Change *change)
{
    QList<qint64> growth(file.tree.size(), 0);
    for (const Splice &splice : std::as_const(change->splices)) {
        for (int box = splice.owner; box >= 0; box = file.tree.at(box).parent)
            growth[box] += splice.bytes.size() - (splice.to - splice.from);
    }
    for (int i = 0; i < file.tree.size(); ++i) {
        const Box &box = file.tree.at(i);
        const qint64 size = box.size + growth.at(i);
        if (growth.at(i) == 0 || box.toEnd)
            continue;
        QByteArray field;
        if (box.header == 16)
            AppendBigEndian64(&field, quint64(size));
        else if (size <= 0xFFFFFFFFLL)
            AppendBigEndian(&field, quint32(size), 4);
        else
            return WouldLose(EnglishText("Engine", "the %1 box would be larger than 4 GB")
                                 .arg(QString::fromLatin1(TypeName(box.type))));
        const qint64 at = box.at + (box.header == 16 ? 8 : 0);
        change->splices.append({at, at + field.size(), field, i});
    }

    const qint64 moved = growth.first();
    if (moved == 0)
        return moved;
    if (file.fragmented && file.MoovEnd() < fileSize)
        return WouldLose(EnglishText("Engine", "the file is fragmented (moof, mfra or mvex boxes), and the "
                                               "offsets of its fragments would have to move"));
    if (file.indexAcrossMoov)
        return WouldLose(EnglishText("Engine", "a sidx box before the moov box indexes bytes after it, which "
                                               "would move"));
    for (const int index : file.chunkOffsets) {
        const Box &box = file.tree.at(index);
        QByteArray entries;
        for (const quint64 offset : ChunkOffsets(file, index)) {
            const quint64 now = offset >= quint64(file.MoovEnd()) ? quint64(qint64(offset) + moved) : offset;
            if (box.type == Co64)
                AppendBigEndian64(&entries, now);
            else if (now <= 0xFFFFFFFFu)
                AppendBigEndian(&entries, quint32(now), 4);
            else
                return WouldLose(EnglishText("Engine", "a chunk offset would not fit in its 32 bits"));
        }
        if (!entries.isEmpty())
            change->splices.append({box.End() - entries.size(), box.End(), entries, index});
    }
    return moved;
}

QByteArray Apply(const QByteArray &moov, QList<Splice> splices)
{
    // In the order planned where two insert at one place: new items go at
    // the end of ilst, before a free box made after it.
    std::stable_sort(splices.begin(), splices.end(),
              [](const Splice &a, const Splice &b) { return a.from != b.from ? a.from < b.from : a.to < b.to; });
    QByteArray bytes;
    qint64 at = 0;
    for (const Splice &splice : std::as_const(splices)) {
        bytes.append(SharedSlice(moov, at, splice.from - at));
        bytes.append(splice.bytes);
        at = splice.to;
    }
    bytes.append(SharedSlice(moov, at, moov.size() - at));
    return bytes;
}

// The boxes of moov as the check compares them, one entry a box: type and
// header length, and the bytes of those that hold no boxes read here; chunk
// offsets past from counted back by moved. Left out: the items and pictures
// the edits change, and the tag boxes they made.
QList<QByteArray> Outline(const File &file, const Change &change, qint64 from, qint64 moved)
{
    QList<QByteArray> outline;
    qint64 skipTo = -1;
    int picture = 0;
    for (int i = 0; i < file.tree.size(); ++i) {
        const Box &box = file.tree.at(i);
        const bool madeMeta = i == file.meta || (i > 0 && box.parent == file.meta && box.type == Hdlr);
        const bool made = (i == file.udta && change.made == Made::Udta)
                          || (i == file.ilst && change.made != Made::Nothing) || (madeMeta && change.made >= Made::Meta)
                          || (change.padding && i == PaddingBox(file));
        if (box.at < skipTo || made || (i > 0 && box.parent == file.covr && change.pictures.contains(++picture)))
            continue;
        if (i > 0 && box.parent == file.ilst && change.items.contains(box.type)) {
            skipTo = box.End();
            continue;
        }
        QByteArray entry = TypeName(box.type) + char(box.header);
        if (file.chunkOffsets.contains(i)) {
            for (const quint64 offset : ChunkOffsets(file, i))
                AppendBigEndian64(&entry, offset >= quint64(from) ? quint64(qint64(offset) - moved) : offset);
        } else if (!box.holds) {
            entry += SharedSlice(file.moovBytes, box.at, box.size);
        } else if (i == file.meta && file.metaVersion) {
            entry += file.moovBytes.mid(box.at + box.header, 4); // its version and flags
        }
        outline.append(entry);
    }
    return outline;
}

// The new copy read back from its own bytes: moov as planned; every byte
// before and after moov as the original holds it; every box in moov that the
// edits leave alone as in the original, in the same order, with its chunk
// offsets moved; and each changed field and picture as asked.
Result<void> CheckCopy(int copy, int original, const Change &change, const QByteArray &moov, qint64 moved,
                       const TagEdits &edits)
{
    const QString differs = EnglishText("Engine", "the new moov box does not read back as written");
    const File mine = ReadFile(copy, SizeOfFile(copy));
    const File theirs = ReadFile(original, SizeOfFile(original));
    if (!mine.problem.isEmpty() || !theirs.problem.isEmpty() || mine.MoovStart() != theirs.MoovStart()
        || mine.moovBytes != moov)
        return CopyRefused(differs);
    if (!SameBytes(copy, 0, original, 0, mine.MoovStart())
        || !SameBytesToEnd(copy, mine.MoovEnd(), original, theirs.MoovEnd()))
        return CopyRefused(EnglishText("Engine", "the audio would not stay as it was"));
    if (Outline(theirs, change, theirs.MoovEnd(), 0) != Outline(mine, change, mine.MoovEnd(), moved))
        return CopyRefused(differs);
    for (auto edit = edits.fields.cbegin(); edit != edits.fields.cend(); ++edit) {
        const QList<quint32> names = ItemNames(edit.key());
        QList<QByteArray> found;
        for (const int index : mine.items) {
            if (names.contains(mine.tree.at(index).type))
                found.append(SharedSlice(mine.moovBytes, mine.tree.at(index).at, mine.tree.at(index).size));
        }
        if (found != (edit.value().isEmpty() ? QList<QByteArray>() : QList<QByteArray>{*RenderItem(edit.key(), *edit)}))
            return CopyRefused(differs);
    }
    for (auto asked = change.pictures.cbegin(); asked != change.pictures.cend(); ++asked) {
        const std::optional<StoredPicture> picture = Picture(mine, asked.key());
        if (!picture || picture->data != *asked)
            return CopyRefused(differs);
    }
    return {};
}

} // namespace

qint64 Mp4Padding(const File &file)
{
    const int index = PaddingBox(file);
    return index >= 0 ? file.tree.at(index).size : 0;
}

Result<FileRewrite> RenderMp4(const File &file, int fd, qint64 fileSize, const TagEdits &edits, qint64 block)
{
    Result<Change> change = PlanEdits(file, edits);
    if (!change)
        return change.Why();
    PlacePadding(file, fileSize, block, &*change);
    const Result<qint64> moved = PlanSizesAndOffsets(file, fileSize, &*change);
    if (!moved)
        return moved.Why();
    const QByteArray moov = Apply(file.moovBytes, change->splices);

    // The smaller side of moov is read and written anew; the other is kept.
    FileRewrite rewrite;
    const qint64 before = file.MoovStart();
    const qint64 after = fileSize - file.MoovEnd();
    if (qMin(before, after) > MostTagBytes)
        return WouldLose(
            EnglishText("Engine", "the moov box has more than %1 MB of data on each side").arg(MostTagBytes >> 20));
    ByteReader reader(fd, fileSize);
    const std::optional<QByteArray> side =
        before <= after ? reader.Read(0, before) : reader.Read(file.MoovEnd(), after);
    if (!side)
        return reader.Reading().Why();
    if (before <= after) {
        rewrite.head = *side + moov;
        rewrite.keepFrom = file.MoovEnd();
        rewrite.keepTo = fileSize;
    } else {
        rewrite.keepTo = before;
        rewrite.tail = moov + *side;
    }
    rewrite.check = [change = *change, moov, moved = *moved, edits](int copy, int original) {
        return CheckCopy(copy, original, change, moov, moved, edits);
    };
    return rewrite;
}
