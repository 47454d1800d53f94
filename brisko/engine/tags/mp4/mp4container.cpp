// SPDX-License-Identifier: MIT
#include "engine/tags/mp4/mp4container.h"

#include "base/byteorder.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/files/keptrange.h"
#include "engine/files/lockedfile.h"
#include "engine/tags/mp4/mp4boxes.h"
#include "engine/tags/mp4/mp4items.h"
#include "engine/tags/mp4/mp4writer.h"
#include "engine/tags/tagbytes.h"

#include <algorithm>

namespace {

class Mp4Tags : public TagContainer
{
public:
    // fd: the file, held open by the caller while the tags are used; the
    // bytes beside moov are read from it when the tags are rendered.
    Mp4Tags(Mp4::File file, int fd, qint64 fileSize, qint64 block)
        : file_(std::move(file)), fd_(fd), fileSize_(fileSize), block_(block)
    {
    }

    bool HasTag() const override { return file_.ilst >= 0; }
    Result<void> ReadWhole() const override { return WholeUnless(file_.problem); }
    QString Field(TagField field) const override { return Mp4::FieldText(file_, field); }
    int PictureCount() const override { return int(Mp4::PictureBoxes(file_).size()); }
    std::optional<StoredPicture> Picture(int number) const override { return Mp4::Picture(file_, number); }
    qint64 TagBytes() const override { return file_.ilst >= 0 ? file_.tree.at(file_.ilst).size : 0; }

    Result<FileRewrite> Render(const TagEdits &edits) const override
    {
        if (!file_.problem.isEmpty())
            return Failure{TagLibraryError::WouldLoseData, file_.problem};
        // covr stores no picture types: every picture is a front cover, and
        // none is moved ahead of another.
        if (edits.frontPicture > 1)
            return Failure{TagLibraryError::WouldLoseData,
                           EnglishText("Engine", "the pictures of an M4A file keep their order")};
        return RenderMp4(file_, fd_, fileSize_, edits, block_);
    }
    qint64 Padding() const override { return Mp4Padding(file_); }

private:
    const Mp4::File file_;
    const int fd_;
    const qint64 fileSize_;
    const qint64 block_;
};

} // namespace

Result<std::unique_ptr<TagContainer>> ReadMp4Tags(const LockedFile &file)
{
    const qint64 size = file.State().st_size;
    Mp4::File read = Mp4::ReadFile(file.Descriptor(), size);
    if (!read.reading)
        return read.reading.Why();
    return std::unique_ptr<TagContainer>(new Mp4Tags(std::move(read), file.Descriptor(), size, ShareBlock(file.State())));
}

namespace {

// The file's own boxes from its start, as far as their headers are sane;
// found() is asked of each and ends the walk when it answers true.
template <typename Found>
void WalkSaneBoxes(const FileStart &start, Found found)
{
    ByteReader reader(start.fd, start.size);
    qint64 at = 0;
    for (int count = 0; count < Mp4::MostBoxes && at + 8 <= start.size; ++count) {
        const std::optional<QByteArray> header = reader.Read(at, qMin<qint64>(16, start.size - at));
        if (!header)
            return;
        const QByteArray type = header->mid(4, 4);
        if (!std::all_of(type.cbegin(), type.cend(), [](char c) { return c >= 0x20 && c <= 0x7E; }))
            return;
        qint64 size = BigEndian(*header, 0, 4);
        int headerSize = 8;
        if (size == 1) {
            if (header->size() < 16)
                return;
            size = qint64(qMin<quint64>(BigEndian64(*header, 8), quint64(start.size)));
            headerSize = 16;
        } else if (size == 0) {
            size = start.size - at; // to the end of the file
        }
        if (size < headerSize || size > start.size - at)
            return;
        if (found(BigEndian(type, 0, 4), size))
            return;
        at += size;
    }
}

} // namespace

bool IsMp4(const FileStart &start)
{
    bool mp4 = false;
    WalkSaneBoxes(start, [&mp4](quint32 type, qint64) {
        mp4 = type == Mp4::Fourcc("ftyp") || type == Mp4::Fourcc("moov");
        return mp4;
    });
    return mp4;
}

qint64 Mp4MetadataBytes(const FileStart &start)
{
    qint64 moov = 0;
    WalkSaneBoxes(start, [&moov](quint32 type, qint64 size) {
        if (type == Mp4::Fourcc("moov"))
            moov = size;
        return moov > 0;
    });
    return moov;
}
