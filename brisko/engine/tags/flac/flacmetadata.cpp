// SPDX-License-Identifier: MIT
#include "engine/tags/flac/flacmetadata.h"

#include "base/byteorder.h"
#include "base/sharedbytes.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/tags/tagbytes.h"

namespace Flac {

namespace {

constexpr int HeaderSize = 4;

struct Found
{
    int type;
    qint64 at;     // of its body, in the file
    qint64 length;
};

// The block headers from the first after "fLaC" to the one with the
// last-block flag. Stops at the first that cannot be right.
QList<Found> WalkHeaders(ByteReader &reader, qint64 at, Metadata *metadata)
{
    QList<Found> found;
    qint64 total = 0;
    for (bool last = false; !last;) {
        if (found.size() == MostBlocks) {
            metadata->problem = EnglishText("Engine", "more than %1 metadata blocks").arg(MostBlocks);
            break;
        }
        const std::optional<QByteArray> header = reader.Read(at, HeaderSize);
        const qint64 length = header ? BigEndian(*header, 1, 3) : 0;
        if (!header || length > reader.Size() - at - HeaderSize) {
            metadata->problem = EnglishText("Engine", "a metadata block runs past the end of the file");
            break;
        }
        const int type = uchar(header->at(0)) & 0x7F;
        last = uchar(header->at(0)) & 0x80;
        if (type == 127) {
            metadata->problem = EnglishText("Engine", "a metadata block of the invalid type 127");
            break;
        }
        total += HeaderSize + length;
        if (total > MostTagBytes) {
            metadata->problem = EnglishText("Engine", "the metadata is larger than %1 MB").arg(MostTagBytes >> 20);
            break;
        }
        found.append({type, at + HeaderSize, length});
        at += HeaderSize + length;
    }
    metadata->audioStart = at;
    return found;
}

// What keeps the file from being written.
Failure Unwritable(const QString &why)
{
    return Failure{TagLibraryError::WouldLoseData, why};
}

// What a well-formed stream must be, given that its blocks were all found.
Result<void> CheckStructure(const Metadata &metadata, ByteReader &reader)
{
    const QList<Block> &blocks = metadata.blocks;
    if (blocks.isEmpty() || blocks.first().type != StreamInfo || blocks.first().body.size() != 34)
        return Unwritable(EnglishText("Engine", "the first metadata block is not a 34-byte STREAMINFO"));
    int comments = 0;
    for (qsizetype i = 1; i < blocks.size(); ++i) {
        if (blocks.at(i).type == StreamInfo)
            return Unwritable(EnglishText("Engine", "more than one STREAMINFO block"));
        comments += blocks.at(i).type == Comments;
    }
    if (comments > 1)
        return Unwritable(EnglishText("Engine", "more than one comment block"));
    // Frames start with a sync code of 14 bits, 0xFFF8 (fixed block size) or 0xFFF9 (variable).
    const std::optional<QByteArray> sync = reader.Read(metadata.audioStart, 2);
    if (!sync || uchar(sync->at(0)) != 0xFF || (uchar(sync->at(1)) & 0xFE) != 0xF8)
        return Unwritable(EnglishText("Engine", "no audio frame where the audio should begin"));
    return Result<void>::Success();
}

} // namespace

Metadata ReadMetadata(int fd, qint64 fileSize)
{
    Metadata metadata;
    ByteReader reader(fd, fileSize);
    const StreamStart start = FindStreamStart(reader);
    metadata.prefix = start.prefix;
    metadata.problem = start.problem;
    if (metadata.problem.isEmpty() && reader.Read(start.offset, 4) != QByteArray("fLaC"))
        metadata.problem = EnglishText("Engine", "no FLAC stream where one should begin");
    if (!metadata.problem.isEmpty()) {
        metadata.reading = reader.Reading();
        return metadata;
    }

    const qint64 first = start.offset + 4;
    const QList<Found> found = WalkHeaders(reader, first, &metadata);
    // The blocks are read in one piece, which the walk kept within the limit.
    const QByteArray all = reader.Read(first, metadata.audioStart - first).value_or(QByteArray());
    if (all.size() == metadata.audioStart - first) {
        for (const Found &block : found)
            metadata.blocks.append({block.type, SharedSlice(all, block.at - first, block.length)});
    }
    const Result<void> structure = metadata.problem.isEmpty() ? CheckStructure(metadata, reader) : Result<void>();
    if (!structure)
        metadata.problem = structure.Why().reason;
    metadata.reading = reader.Reading();
    return metadata;
}

QByteArray RenderMetadata(const Metadata &metadata)
{
    qint64 size = metadata.prefix.size() + 4;
    for (const Block &block : metadata.blocks)
        size += HeaderSize + block.body.size();
    QByteArray bytes;
    bytes.reserve(size);
    bytes.append(metadata.prefix);
    bytes.append("fLaC");
    for (qsizetype i = 0; i < metadata.blocks.size(); ++i) {
        const Block &block = metadata.blocks.at(i);
        const bool last = i == metadata.blocks.size() - 1;
        bytes.append(char(block.type | (last ? 0x80 : 0)));
        AppendBigEndian(&bytes, quint32(block.body.size()), 3);
        bytes.append(block.body);
    }
    return bytes;
}

} // namespace Flac
