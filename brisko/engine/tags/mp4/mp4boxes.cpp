// SPDX-License-Identifier: MIT
#include "engine/tags/mp4/mp4boxes.h"

#include "base/byteorder.h"
#include "base/sharedbytes.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/tags/tagbytes.h"

namespace Mp4 {

namespace {

constexpr quint32 Moov = Fourcc("moov");
constexpr quint32 Udta = Fourcc("udta");
constexpr quint32 Meta = Fourcc("meta");
constexpr quint32 Ilst = Fourcc("ilst");
constexpr quint32 Covr = Fourcc("covr");
constexpr quint32 Data = Fourcc("data");
constexpr quint32 Stco = Fourcc("stco");
constexpr quint32 Co64 = Fourcc("co64");
constexpr quint32 Hdlr = Fourcc("hdlr");
constexpr quint32 Sidx = Fourcc("sidx");

// What keeps the file from being written.
Failure Unwritable(const QString &why)
{
    return Failure{TagLibraryError::WouldLoseData, why};
}

// The first thing wrong keeps the file from being written.
void Note(File *file, const Result<void> &found)
{
    if (!found && file->problem.isEmpty())
        file->problem = found.Why().reason;
}

// A box's type for a reason, its control characters as "?".
QString Name(quint32 type)
{
    QString name = QString::fromLatin1(TypeName(type));
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u'?';
    }
    return name;
}

// A box's header at the start of bytes (8 or 16 of them), for a box at
// `at` that may take up to room bytes; why not where it cannot be one (a
// size past room is left for the caller to tell). shownAt: its place in the
// file, for the reason.
Result<void> ParseHeader(const QByteArray &bytes, qint64 room, qint64 at, qint64 shownAt, Box *box)
{
    box->at = at;
    box->type = BigEndian(bytes, 4, 4);
    const quint32 size = BigEndian(bytes, 0, 4);
    box->size = size;
    if (size == 1) {
        if (bytes.size() < 16)
            return Unwritable(EnglishText("Engine", "the box at byte %1 is cut off in its header").arg(shownAt));
        box->header = 16;
        const quint64 large = BigEndian64(bytes, 8);
        box->size = large > quint64(room) ? room + 1 : qint64(large);
    } else if (size == 0) {
        box->toEnd = true;
        box->size = room;
    }
    if (box->size < box->header)
        return Unwritable(EnglishText("Engine", "the box at byte %1 is smaller than its header").arg(shownAt));
    return Result<void>::Success();
}

// The file's own boxes by their headers, up to its end.
Result<void> WalkFile(ByteReader &reader, File *file)
{
    for (qint64 at = 0; at < reader.Size();) {
        if (file->boxes.size() == MostBoxes)
            return Unwritable(EnglishText("Engine", "more than %1 boxes").arg(MostBoxes));
        const qint64 room = reader.Size() - at;
        const std::optional<QByteArray> header = reader.Read(at, qMin<qint64>(room, 16));
        if (header && (header->startsWith("APETAGEX") || (header->startsWith("TAG") && room == 128)))
            return Unwritable(
                EnglishText("Engine", "the file ends in an APE or ID3v1 tag, which MP4 files do not hold"));
        if (!header || room < 8)
            return Unwritable(EnglishText("Engine", "the file ends in %1 bytes that are not a box").arg(room));
        Box box;
        const Result<void> parsed = ParseHeader(*header, room, at, at, &box);
        if (!parsed)
            return parsed;
        if (box.size > room)
            return Unwritable(EnglishText("Engine", "the %1 box at byte %2 runs past the end of the file")
                                  .arg(Name(box.type))
                                  .arg(at));
        file->boxes.append(box);
        at += box.size;
    }
    return Result<void>::Success();
}

bool IsContainer(const File &file, quint32 type, int parent)
{
    static const QList<quint32> containers = {Fourcc("trak"), Fourcc("mdia"), Fourcc("minf"), Fourcc("stbl"),
                                              Fourcc("edts"), Fourcc("dinf"), Fourcc("mvex"), Udta};
    if (type == Meta)
        return parent == file.udta; // the meta of moov/udta, a full box
    return containers.contains(type) || parent == file.ilst || (type == Ilst && parent == file.meta);
}

// Notes where a box of the tags is; why not when there is a second one.
Result<void> NoteTagBox(File *file, int index)
{
    const Box &box = file->tree.at(index);
    const auto once = [&](int *slot) -> Result<void> {
        if (*slot >= 0)
            return Unwritable(EnglishText("Engine", "the file holds more than one %1 box").arg(Name(box.type)));
        *slot = index;
        return Result<void>::Success();
    };
    if (box.type == Udta && box.parent == 0)
        return once(&file->udta);
    if (box.type == Meta && box.parent == file->udta && file->udta >= 0)
        return once(&file->meta);
    if (box.type == Ilst && box.parent == file->meta && file->meta >= 0)
        return once(&file->ilst);
    if (box.parent == file->ilst && file->ilst >= 0) {
        file->items.append(index);
        return box.type == Covr ? once(&file->covr) : Result<void>::Success();
    }
    if (box.parent == file->covr && file->covr >= 0 && box.type != Data)
        return Unwritable(EnglishText("Engine", "the cover art holds a %1 box where only data boxes belong")
                              .arg(Name(box.type)));
    if (box.type == Data && file->ilst >= 0 && file->tree.at(box.parent).parent == file->ilst
        && box.size < box.header + 8)
        return Unwritable(EnglishText("Engine", "a data box at byte %1 is too short").arg(file->MoovStart() + box.at));
    return Result<void>::Success();
}

// A chunk offset table holds as many offsets as it says, and each of them
// points into the file but not into moov, which is the part that moves.
Result<void> CheckChunkOffsets(const File &file, int index)
{
    const Box &box = file.tree.at(index);
    const int width = box.type == Co64 ? 8 : 4;
    const qint64 body = box.size - box.header;
    const qint64 count = body >= 8 ? BigEndian(file.moovBytes, box.at + box.header + 4, 4) : -1;
    if (count < 0 || body != 8 + count * width)
        return Unwritable(EnglishText("Engine", "the %1 box at byte %2 does not hold as many offsets as it says")
                              .arg(Name(box.type))
                              .arg(file.MoovStart() + box.at));
    for (const quint64 offset : ChunkOffsets(file, index)) {
        if (offset >= quint64(file.MoovStart()) && offset < quint64(file.MoovEnd()))
            return Unwritable(EnglishText("Engine", "a chunk offset points into the moov box"));
        if (offset >= quint64(file.size))
            return Unwritable(EnglishText("Engine", "a chunk offset points past the end of the file"));
    }
    return Result<void>::Success();
}

// The boxes inside moov, one after the other, with a stack of the boxes
// that hold the place reached, never by recursion. Gives why a box cannot
// be read; what is wrong with a box that can be read is noted, and the
// walk goes on, so that what can be read is read.
Result<void> WalkMoov(File *file)
{
    const QByteArray &bytes = file->moovBytes;
    Box moov = file->boxes.at(file->moov);
    moov.at = 0;
    moov.holds = true;
    file->tree.append(moov);
    QList<int> open{0};
    for (qint64 at = moov.header; !open.isEmpty();) {
        const Box &holder = file->tree.at(open.last());
        const qint64 room = holder.End() - at;
        if (room == 0) {
            at = holder.End();
            open.removeLast();
            continue;
        }
        // QuickTime may end a udta with four zero bytes.
        if (room == 4 && holder.type == Udta && BigEndian(bytes, at, 4) == 0) {
            at += 4;
            continue;
        }
        if (room < 8)
            return Unwritable(
                EnglishText("Engine", "%1 bytes at byte %2 are not a box").arg(room).arg(file->MoovStart() + at));
        if (file->tree.size() == MostBoxes)
            return Unwritable(EnglishText("Engine", "more than %1 boxes").arg(MostBoxes));
        if (open.size() == MostDepth)
            return Unwritable(EnglishText("Engine", "boxes are nested more than %1 deep").arg(MostDepth));
        Box box;
        const qint64 shownAt = file->MoovStart() + at;
        const Result<void> parsed =
            ParseHeader(SharedSlice(bytes, at, qMin<qint64>(room, 16)), room, at, shownAt, &box);
        if (!parsed)
            return parsed;
        if (box.toEnd)
            return Unwritable(EnglishText("Engine", "the box at byte %1 declares no size").arg(shownAt));
        if (box.size > room)
            return Unwritable(EnglishText("Engine", "the %1 box at byte %2 is larger than the box that holds it")
                               .arg(Name(box.type))
                               .arg(shownAt));
        box.parent = open.last();
        file->tree.append(box);
        const int index = int(file->tree.size() - 1);
        Note(file, NoteTagBox(file, index));
        file->fragmented = file->fragmented || box.type == Fourcc("mvex");
        if (box.type == Stco || box.type == Co64) {
            file->chunkOffsets.append(index);
            Note(file, CheckChunkOffsets(*file, index));
        }
        at += box.size;
        if (IsContainer(*file, box.type, box.parent)) {
            // QuickTime's meta holds its boxes at once, its handler first;
            // ISO's after four bytes of version and flags.
            if (box.type == Meta)
                file->metaVersion = box.size < box.header + 8 || BigEndian(bytes, box.at + box.header + 4, 4) != Hdlr;
            const int fullBox = box.type == Meta && file->metaVersion ? 4 : 0;
            if (box.size < box.header + fullBox)
                return Unwritable(
                    EnglishText("Engine", "the meta box at byte %1 is too short").arg(file->MoovStart() + box.at));
            file->tree[index].holds = true;
            open.append(index);
            at = box.at + box.header + fullBox;
        }
    }
    return Result<void>::Success();
}

// Where the bytes that a sidx box indexes end: they begin first_offset
// after the box and run for the sizes of its references. Past the end of the
// file where the box cannot be read.
qint64 IndexedEnd(ByteReader &reader, const Box &sidx)
{
    constexpr qint64 Largest = 12 * 65535 + 48; // as many references as its 16-bit count allows
    const std::optional<QByteArray> bytes = reader.Read(sidx.at, qMin(sidx.size, Largest));
    const qint64 unknown = reader.Size() + 1;
    const qint64 wide = bytes && bytes->size() > sidx.header && bytes->at(sidx.header) != 0 ? 8 : 4;
    qint64 at = sidx.header + 12 + wide; // version and flags, reference_ID, timescale, earliest time
    if (!bytes || bytes->size() < at + wide + 4)
        return unknown;
    const quint64 first = wide == 8 ? BigEndian64(*bytes, at) : BigEndian(*bytes, at, 4);
    const qint64 count = BigEndian(*bytes, at + wide + 2, 2);
    at += wide + 4;
    if (first > quint64(reader.Size()) || bytes->size() < at + 12 * count)
        return unknown;
    qint64 end = sidx.End() + qint64(first);
    for (qint64 reference = 0; reference < count; ++reference)
        end += BigEndian(*bytes, at + 12 * reference, 4) & 0x7FFFFFFF;
    return end;
}

// Finds moov among the file's boxes and reads it.
Result<void> ReadMoov(ByteReader &reader, File *file)
{
    for (int i = 0; i < file->boxes.size(); ++i) {
        const quint32 type = file->boxes.at(i).type;
        if (type == Moov) {
            if (file->moov >= 0)
                return Unwritable(EnglishText("Engine", "the file holds more than one %1 box").arg(Name(Moov)));
            file->moov = i;
        }
        const bool fragment = type == Fourcc("moof") || type == Fourcc("mfra");
        file->fragmented = file->fragmented || fragment;
    }
    if (file->moov < 0)
        return Unwritable(EnglishText("Engine", "the file holds no moov box"));
    const Box &moov = file->boxes.at(file->moov);
    for (int i = 0; i < file->moov; ++i) {
        if (file->boxes.at(i).type == Sidx)
            file->indexAcrossMoov = file->indexAcrossMoov || IndexedEnd(reader, file->boxes.at(i)) > moov.at;
    }
    if (moov.size > MostTagBytes)
        return Unwritable(EnglishText("Engine", "the moov box is larger than %1 MB").arg(MostTagBytes >> 20));
    file->moovBytes = reader.Read(moov.at, moov.size).value_or(QByteArray());
    if (file->moovBytes.size() != moov.size)
        return Unwritable(EnglishText("Engine", "the moov box cannot be read"));
    return WalkMoov(file);
}

} // namespace

QByteArray TypeName(quint32 type)
{
    QByteArray name;
    AppendBigEndian(&name, type, 4);
    return name;
}

QByteArray File::Body(int index) const
{
    const Box &box = tree.at(index);
    const qint64 start = box.at + box.header + (box.type == Meta && metaVersion ? 4 : 0);
    return SharedSlice(moovBytes, start, box.End() - start);
}

QList<int> File::Children(int index) const
{
    QList<int> children;
    for (int i = index + 1; i < tree.size() && tree.at(i).at < tree.at(index).End(); ++i) {
        if (tree.at(i).parent == index)
            children.append(i);
    }
    return children;
}

File ReadFile(int fd, qint64 fileSize)
{
    File file;
    file.size = fileSize;
    ByteReader reader(fd, fileSize);
    Note(&file, WalkFile(reader, &file));
    // A moov before the damage is read too.
    Note(&file, ReadMoov(reader, &file));
    file.reading = reader.Reading();
    return file;
}

QList<quint64> ChunkOffsets(const File &file, int index)
{
    const Box &box = file.tree.at(index);
    const int width = box.type == Co64 ? 8 : 4;
    QList<quint64> offsets;
    for (qint64 at = box.at + box.header + 8; at + width <= box.End(); at += width)
        offsets.append(width == 8 ? BigEndian64(file.moovBytes, at) : BigEndian(file.moovBytes, at, 4));
    return offsets;
}

} // namespace Mp4
