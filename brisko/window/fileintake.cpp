// SPDX-License-Identifier: MIT
#include "window/fileintake.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/convert/tagreading.h"
#include "engine/convert/volumes.h"
#include "engine/pictures/pictureproblem.h"
#include "engine/tags/taglibrary.h"
#include "window/backgroundjobs.h"
#include "window/widgets/tracklist.h"

#include <QFileInfo>

#include <memory>

namespace {

AddedFile ReadAddedFile(TagLibrary &tags, const QString &path, QSize previewBox, PreviewTurn &turn)
{
    AddedFile read;
    const Result<ReadTags> tagsRead = GetTags(tags, path);
    const bool readable = tagsRead.Ok();
    const ReadTags found = readable ? *tagsRead : ReadTags();
    const TagFields &fields = found.fields;
    const QByteArray &picture = found.picture;
    const bool hasPicture = found.hasPicture;
    const MeasuredPicture measured = hasPicture ? MeasureLogged(picture, path, "GetFileInfo") : MeasuredPicture();
    read.row.Path = path;
    read.row.FileName = QFileInfo(path).fileName();
    read.row.Tags = fields;
    read.row.OriginalSize = SizeText(measured.size.width(), measured.size.height());
    read.volume = VolumeOf(path);
    if (hasPicture && !measured.valid)
        read.problem = PictureProblem(picture);
    // A tag that cannot be read whole keeps the file from being converted:
    // the row says why, as the conversion would.
    if (readable && !hasPicture && !found.whole && found.whole.Why().code == TagLibraryError::TagUnreadable) {
        read.problem = EnglishText("Engine", "the tag cannot be read whole: %1").arg(found.whole.Why().reason);
        LogError(QStringLiteral("GetFileInfo"), path + QStringLiteral(": ") + read.problem);
    }
    if (!readable)
        read.problem = tagsRead.Why().reason;
    // A file that cannot be read, or whose picture cannot be, fails as its
    // conversion would, and as brisko-batch tells it; "Resize All" tries it
    // again and says why.
    const bool cannotConvert = !read.problem.isEmpty() || !readable;
    read.row.Status = StatusText(cannotConvert ? RowStatus::ResizeFailed
                                 : measured.valid ? RowStatus::Unchanged
                                                  : RowStatus::NoPicture);
    read.row.Icon = StatusIcon(read.row.Status);
    if (!readable) {
        if (turn.Take())
            read.preview = UnreadableFilePreview(read.problem);
        return read;
    }
    FilePreview preview;
    if (turn.Take() && PreviewOfAdded(picture, hasPicture, measured, previewBox, &preview)) {
        if (preview.problem.isEmpty())
            preview.problem = read.problem;
        read.preview = preview;
    }
    return read;
}

} // namespace

FileIntake::FileIntake(Window window, const QStringList &toRead, QSize previewBox)
    : window_(std::move(window))
    , toRead_(toRead)
    , previewBox_(previewBox)
    , read_(std::size_t(toRead.size()))
{
}

void FileIntake::Start(BackgroundJobs &jobs, int threads, const QStringList &paths, QSize previewBox, Window window,
                       std::function<void()> finished)
{
    // Files already listed are not read again.
    QStringList toRead;
    for (const QString &path : paths) {
        if (!window.list->IsPathListed(path))
            toRead << path;
    }
    // Shared by the workers and the window's thread until the last result is shown.
    std::shared_ptr<FileIntake> intake(new FileIntake(std::move(window), toRead, previewBox));
    intake->completed_ = int(paths.size() - toRead.size());
    intake->window_.progress(intake->completed_);

    jobs.Start(
        threads, int(toRead.size()),
        [intake] {
            auto tags = std::make_shared<TagLibrary>();
            return [intake, tags](int index) -> BackgroundJobs::OnWindow {
                auto read = std::make_shared<AddedFile>();
                try {
                    *read = ReadAddedFile(*tags, intake->toRead_.at(index), intake->previewBox_, intake->turn_);
                } catch (const std::exception &error) {
                    read->unexpected = ErrorDescription(error);
                }
                return [intake, index, read] { intake->Take(index, std::move(*read)); };
            };
        },
        std::move(finished));
}

void FileIntake::Take(int index, AddedFile file)
{
    if (!file.unexpected.isEmpty())
        window_.unexpected(file.unexpected);
    if (file.preview)
        window_.preview(*file.preview);
    file.preview.reset();
    read_[std::size_t(index)] = std::move(file);
    window_.progress(++completed_);
    AddReadyRows();
}

void FileIntake::AddReadyRows()
{
    for (; nextToAdd_ < int(read_.size()) && read_[std::size_t(nextToAdd_)]; ++nextToAdd_) {
        AddedFile &file = *read_[std::size_t(nextToAdd_)];
        // Named twice among the added, or not read at all.
        if (!file.unexpected.isEmpty() || window_.list->IsPathListed(file.row.Path))
            continue;
        const int row = window_.list->AddRow(file.row);
        window_.rowAdded(row, file);
        file = AddedFile(); // its memory goes now, not when the last file is in
    }
    window_.rowsAdded();
}
