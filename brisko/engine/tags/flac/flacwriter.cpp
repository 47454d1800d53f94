// SPDX-License-Identifier: MIT
#include "engine/tags/flac/flacwriter.h"

#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/files/samebytes.h"
#include "engine/tags/padding.h"
#include "engine/tags/tagbytes.h"
#include "engine/tags/vorbis/flacpicture.h"

#include <numeric>

using Flac::Block;

namespace {

// The blocks as they are to be written, and where each came from: its index
// among the original's blocks, or -1 for a block that is new or changed.
struct Plan
{
    Flac::Metadata edited;
    QList<int> origin;
};

int NthOfType(const QList<Block> &blocks, int type, int number)
{
    for (int i = 0; i < blocks.size(); ++i) {
        if (blocks.at(i).type == type && --number == 0)
            return i;
    }
    return -1;
}

qint64 BlocksSize(const QList<Block> &blocks)
{
    return std::accumulate(blocks.cbegin(), blocks.cend(), qint64(0),
                           [](qint64 sum, const Block &block) { return sum + 4 + block.body.size(); });
}

// A block in place of the one at index, or a new one after the last block
// that is not padding (index -1).
void Put(Plan *plan, int index, const Block &block)
{
    QList<Block> &blocks = plan->edited.blocks;
    if (index < 0) {
        index = int(blocks.size());
        while (index > 1 && blocks.at(index - 1).type == Flac::Padding)
            --index;
        blocks.insert(index, block);
        plan->origin.insert(index, -1);
        return;
    }
    blocks[index] = block;
    plan->origin[index] = -1;
}

void PutPicture(Plan *plan, int number, const TagEdits::Picture &picture)
{
    const int index = NthOfType(plan->edited.blocks, Flac::Picture, number);
    // The picture keeps its description, as stored.
    const QByteArray description =
        index < 0 ? QByteArray() : ParseFlacPicture(plan->edited.blocks.at(index).body).Value().description;
    Put(plan, index, {Flac::Picture, RenderFlacPicture(JpegPicture(picture.jpeg, quint32(picture.type), description))});
}

int LastPadding(const QList<Block> &blocks)
{
    for (int i = int(blocks.size()) - 1; i >= 0; --i) {
        if (blocks.at(i).type == Flac::Padding)
            return i;
    }
    return -1;
}

// The bytes of every padding block, headers included.
qint64 PaddingBytes(const QList<Block> &blocks)
{
    qint64 bytes = 0;
    for (const Block &block : blocks)
        bytes += block.type == Flac::Padding ? 4 + block.body.size() : 0;
    return bytes;
}

// The file's padding in one block, sized as padding.h says: its last
// padding block, or a new one at the end; none where none is to be left.
// Other padding blocks go, their bytes counted in. Its first bytes stay as
// they were.
void PlacePadding(Plan *plan, qint64 audioStart, qint64 block)
{
    constexpr qint64 Header = 4;
    QList<Block> &blocks = plan->edited.blocks;
    const qint64 padded = PaddingBytes(blocks);
    const qint64 unpadded = plan->edited.prefix.size() + 4 + BlocksSize(blocks) - padded;
    const qint64 padding = ChoosePadding(unpadded, audioStart, block, Header);
    int index = LastPadding(blocks);
    if (padding == padded && (index < 0 || Header + blocks.at(index).body.size() == padded))
        return;
    for (int i = index - 1; i >= 0; --i) {
        if (blocks.at(i).type == Flac::Padding) {
            blocks.removeAt(i);
            plan->origin.removeAt(i);
            --index;
        }
    }
    if (padding == 0) {
        blocks.removeAt(index);
        plan->origin.removeAt(index);
        return;
    }
    QByteArray body = index >= 0 ? blocks.at(index).body.left(padding - Header) : QByteArray();
    body.append(QByteArray(padding - Header - body.size(), '\0'));
    if (index >= 0) {
        Put(plan, index, {Flac::Padding, body});
    } else {
        blocks.append({Flac::Padding, body});
        plan->origin.append(-1);
    }
}

Vorbis::Comments CommentsOf(const Flac::Metadata &metadata)
{
    const int index = NthOfType(metadata.blocks, Flac::Comments, 1);
    if (index < 0)
        return Vorbis::Comments();
    Result<Vorbis::Comments> comments = Vorbis::ParseComments(metadata.blocks.at(index).body);
    return comments ? *comments : Vorbis::Comments();
}

// The new copy read back from its own bytes: the blocks as planned, every
// block that was not to change as the original holds it, no comment but the
// changed fields' different, and the audio frames the same to the last byte.
// theirs: the original's metadata as read when its tags were, from the same
// locked file; reading it again would hold its pictures twice.
Result<void> CheckCopy(int copy, int original, const Flac::Metadata &theirs, const Plan &plan,
                       const QSet<QByteArray> &changedNames)
{
    const QString differs = EnglishText("Engine", "the new metadata does not read back as written");
    const Flac::Metadata mine = Flac::ReadMetadata(copy, SizeOfFile(copy));
    if (!mine.problem.isEmpty() || !theirs.problem.isEmpty() || mine.prefix != theirs.prefix
        || mine.blocks != plan.edited.blocks)
        return CopyRefused(differs);
    for (int i = 0; i < plan.origin.size(); ++i) {
        const int from = plan.origin.at(i);
        if (from >= 0 && (from >= theirs.blocks.size() || !(theirs.blocks.at(from) == mine.blocks.at(i))))
            return CopyRefused(differs);
    }
    if (NthOfType(theirs.blocks, Flac::Comments, 1) >= 0
        && !Vorbis::SameBesides(CommentsOf(theirs), CommentsOf(mine), changedNames))
        return CopyRefused(differs);
    if (!SameBytesToEnd(copy, mine.audioStart, original, theirs.audioStart))
        return CopyRefused(EnglishText("Engine", "the audio would not stay as it was"));
    return {};
}

} // namespace

qint64 FlacPadding(const Flac::Metadata &metadata)
{
    return PaddingBytes(metadata.blocks);
}

Result<FileRewrite> RenderFlac(const Flac::Metadata &metadata, const Vorbis::Comments &comments, qint64 fileSize,
                               const TagEdits &edits, qint64 shareBlock)
{
    Plan plan{metadata, QList<int>(metadata.blocks.size())};
    std::iota(plan.origin.begin(), plan.origin.end(), 0);

    QSet<QByteArray> changedNames;
    if (!edits.fields.isEmpty()) {
        const int index = NthOfType(metadata.blocks, Flac::Comments, 1);
        Vorbis::Comments edited = comments;
        if (index < 0)
            edited.vendor = "Brisko";
        changedNames = Vorbis::SetFields(&edited, edits.fields);
        if (index >= 0 || !edited.entries.isEmpty())
            Put(&plan, index, {Flac::Comments, Vorbis::RenderComments(edited)});
    }
    for (auto later = edits.laterPictures.cbegin(); later != edits.laterPictures.cend(); ++later)
        PutPicture(&plan, later.key(), *later);
    if (edits.frontPicture > 1) {
        const int from = NthOfType(plan.edited.blocks, Flac::Picture, edits.frontPicture);
        const int to = NthOfType(plan.edited.blocks, Flac::Picture, 1);
        if (from >= 0) {
            plan.edited.blocks.move(from, to);
            plan.origin.move(from, to);
        }
    }
    if (edits.firstPicture)
        PutPicture(&plan, 1, *edits.firstPicture);
    PlacePadding(&plan, metadata.audioStart, shareBlock);
    for (const Block &block : std::as_const(plan.edited.blocks)) {
        if (block.body.size() > Flac::MostBlockBytes)
            return Failure{TagLibraryError::WouldLoseData,
                           EnglishText("Engine", "a metadata block would be larger than FLAC allows (16 MB)")};
    }

    FileRewrite rewrite;
    rewrite.head = Flac::RenderMetadata(plan.edited);
    rewrite.keepFrom = metadata.audioStart;
    rewrite.keepTo = fileSize;
    // The metadata is shared, not copied: its blocks are implicitly shared.
    rewrite.check = [metadata, plan, changedNames](int copy, int original) {
        return CheckCopy(copy, original, metadata, plan, changedNames);
    };
    return rewrite;
}
