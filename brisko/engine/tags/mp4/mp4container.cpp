// SPDX-License-Identifier: MIT
#include "engine/tags/mp4/mp4container.h"

#include "base/tagerrors.h"
#include "engine/files/lockedfile.h"
#include "engine/tags/mp4/mp4boxes.h"
#include "engine/tags/mp4/mp4items.h"
#include "engine/tags/mp4/mp4writer.h"
#include "engine/tags/vorbis/tagbytes.h"

namespace {

class Mp4Tags : public TagContainer
{
public:
    // fd: the file, held open by the caller while the tags are used; the
    // bytes beside moov are read from it when the tags are rendered.
    Mp4Tags(Mp4::File file, int fd, qint64 fileSize) : file_(std::move(file)), fd_(fd), fileSize_(fileSize) {}

    bool HasTag() const override { return file_.ilst >= 0; }
    QString Problem() const override { return file_.problem; }
    QString Field(TagField field) const override { return Mp4::FieldText(file_, field); }
    int PictureCount() const override { return int(Mp4::PictureBoxes(file_).size()); }
    std::optional<StoredPicture> Picture(int number) const override { return Mp4::Picture(file_, number); }

    Result<FileRewrite> Render(const TagEdits &edits) const override
    {
        if (!file_.problem.isEmpty())
            return Failure{TagLibraryError::WouldLoseData, file_.problem};
        return RenderMp4(file_, fd_, fileSize_, edits);
    }

private:
    const Mp4::File file_;
    const int fd_;
    const qint64 fileSize_;
};

} // namespace

Result<std::unique_ptr<TagContainer>> ReadMp4Tags(const LockedFile &file)
{
    const qint64 size = file.State().st_size;
    Mp4::File read = Mp4::ReadFile(file.Descriptor(), size);
    if (read.readError != 0)
        return ReadFailure(read.readError);
    return std::unique_ptr<TagContainer>(new Mp4Tags(std::move(read), file.Descriptor(), size));
}
