// SPDX-License-Identifier: MIT
#include "engine/tags/flac/flaccontainer.h"

#include "base/byteorder.h"
#include "base/tagerrors.h"
#include "engine/files/keptrange.h"
#include "engine/files/lockedfile.h"
#include "engine/tags/flac/flacmetadata.h"
#include "engine/tags/flac/flacwriter.h"
#include "engine/tags/tagbytes.h"
#include "engine/tags/vorbis/flacpicture.h"
#include "engine/tags/vorbis/vorbiscomment.h"

namespace {

class FlacTags : public TagContainer
{
public:
    FlacTags(Flac::Metadata metadata, qint64 fileSize, qint64 shareBlock);

    bool HasTag() const override { return commentBlock_ >= 0 || !pictureBlocks_.isEmpty(); }
    Result<void> ReadWhole() const override { return WholeUnless(problem_); }
    QString Field(TagField field) const override { return Vorbis::FieldText(comments_, field); }
    int PictureCount() const override { return int(pictureBlocks_.size()); }
    std::optional<StoredPicture> Picture(int number) const override;
    // Padding is passed over by its length: only the other blocks are read.
    qint64 TagBytes() const override
    {
        qint64 bytes = metadata_.prefix.size() + 4;
        for (const Flac::Block &block : metadata_.blocks)
            bytes += block.type == Flac::Padding ? 0 : 4 + block.body.size();
        return bytes;
    }

    Result<FileRewrite> Render(const TagEdits &edits) const override
    {
        if (!problem_.isEmpty())
            return Failure{TagLibraryError::WouldLoseData, problem_};
        return RenderFlac(metadata_, comments_, fileSize_, edits, shareBlock_);
    }
    qint64 Padding() const override { return FlacPadding(metadata_); }

private:
    const Flac::Metadata metadata_;
    const qint64 fileSize_;
    const qint64 shareBlock_;
    QString problem_;
    int commentBlock_ = -1;
    Vorbis::Comments comments_;
    QList<int> pictureBlocks_;
};

FlacTags::FlacTags(Flac::Metadata metadata, qint64 fileSize, qint64 shareBlock)
    : metadata_(std::move(metadata))
    , fileSize_(fileSize)
    , shareBlock_(shareBlock)
    , problem_(metadata_.problem)
{
    // What can be read is read; the first thing that is wrong keeps the
    // file from being written.
    const auto note = [this](const Failure &failure) {
        if (problem_.isEmpty())
            problem_ = failure.reason;
    };
    for (int i = 0; i < metadata_.blocks.size(); ++i) {
        const Flac::Block &block = metadata_.blocks.at(i);
        if (block.type == Flac::Picture) {
            pictureBlocks_.append(i);
            if (const Result<FlacPicture> picture = ParseFlacPicture(block.body); !picture)
                note(picture.Why());
        } else if (block.type == Flac::Comments && commentBlock_ < 0) {
            commentBlock_ = i;
            Result<Vorbis::Comments> comments = Vorbis::ParseComments(block.body);
            if (comments)
                comments_ = *comments;
            else
                note(comments.Why());
        }
    }
}

std::optional<StoredPicture> FlacTags::Picture(int number) const
{
    if (number < 1 || number > pictureBlocks_.size())
        return std::nullopt;
    const Result<FlacPicture> picture = ParseFlacPicture(metadata_.blocks.at(pictureBlocks_.at(number - 1)).body);
    if (!picture)
        return StoredPicture{{}, 0, false, UnreadablePicture(number, picture.Why().reason)};
    return ToStoredPicture(*picture);
}

} // namespace

Result<std::unique_ptr<TagContainer>> ReadFlacTags(const LockedFile &file)
{
    const qint64 size = file.State().st_size;
    Flac::Metadata metadata = Flac::ReadMetadata(file.Descriptor(), size);
    if (!metadata.reading)
        return metadata.reading.Why();
    return std::unique_ptr<TagContainer>(new FlacTags(std::move(metadata), size, ShareBlock(file.State())));
}

bool IsFlac(const FileStart &start)
{
    return start.stream.startsWith("fLaC");
}

qint64 FlacMetadataBytes(const FileStart &start)
{
    // Only the blocks' headers are read: four bytes each, the last flagged.
    ByteReader reader(start.fd, start.size);
    qint64 at = start.streamAt + 4;
    for (int count = 0; count < Flac::MostBlocks; ++count) {
        const std::optional<QByteArray> header = reader.Read(at, 4);
        if (!header)
            break;
        at += 4 + BigEndian(*header, 1, 3);
        if (uchar(header->at(0)) & 0x80)
            break;
    }
    return qMin(at, start.size);
}
