// SPDX-License-Identifier: MIT
#include "window/conversionrun.h"

#include "base/textvalue.h"
#include "base/translation.h"
#include "engine/convert/artconversion.h"
#include "engine/convert/folderart.h"
#include "engine/convert/workerpool.h"
#include "engine/files/localpath.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/tags/taglibrary.h"
#include "window/backgroundjobs.h"
#include "window/previewpane.h"
#include "window/rowwork.h"
#include "window/runcount.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"

#include <QCoreApplication>

#include <tuple>

namespace {

// A conversion's notes, in the user's language, for a row's tooltip.
QString ShownNotes(const QStringList &english)
{
    QStringList shown;
    for (const QString &note : english)
        shown << ShownText(note);
    return shown.join(QStringLiteral("; "));
}

} // namespace

ConversionRun::ConversionRun(const RowRunParts &parts, ArtCache *artCache)
    : RowRun(parts)
    , artCache_(artCache)
{
}

bool ConversionRun::ConvPix(int row, const QString &path, const ArtConversion &result)
{
    TrackList *list = parts_.list;
    switch (result.outcome) {
    case ArtOutcome::Resized:
    case ArtOutcome::PictureAdded:
        list->SetStatus(row, StatusOfArt(result.outcome));
        list->SetField(row, ColNewSize, SizeText(result.newSize.width(), result.newSize.height()));
        list->RefreshFileIdentity(row); // the saved file is a new one
        // How the picture was made: the quality and size that fit the byte
        // limit, the front cover moved first, the folder picture used.
        list->SetRowToolTip(row, ShownNotes(result.notes));
        list->NoteOtherNames(row, path, result.otherNames);
        break;
    case ArtOutcome::SpaceFreed:
        list->SetStatus(row, StatusOfArt(result.outcome));
        list->RefreshFileIdentity(row);
        list->SetRowToolTip(row, QString());
        list->NoteOtherNames(row, path, result.otherNames);
        break;
    case ArtOutcome::SaveFailed:
    case ArtOutcome::TooLarge:
    case ArtOutcome::LowDriveSpace:
    case ArtOutcome::FileMissing:
    case ArtOutcome::NoPicture: ShowFailure(row, StatusOfConversion(result), result.reason, path, "ConvPix"); break;
    case ArtOutcome::Skipped: break; // the window skips small pictures itself
    case ArtOutcome::Stopped: // the file is as it was, and so is its row
        list->SetIcon(row, StatusIcon(list->Field(row, ColStatus)));
        return true;
    }
    return false;
}

std::vector<int> ConversionRun::AlbumRuns(const QVector<RowFile> &files) const
{
    const auto album = [this, &files](int index) {
        const int row = files.at(index).row;
        return std::make_tuple(FolderOf(files.at(index).path), parts_.list->Field(row, ColAlbum),
                               parts_.list->Field(row, ColOriginalSize));
    };
    return WorkerPool::RunEnds(int(files.size()), [&album](int before, int after) { return album(before) == album(after); });
}

QVector<RowFile> ConversionRun::RowsToConvert(const QVector<int> &rows, const ConversionChoices &choices) const
{
    QVector<RowFile> files;
    const QString noPicture = StatusText(RowStatus::NoPicture);
    for (const int row : rows) {
        const QString status = parts_.list->Field(row, ColStatus);
        // A file without a picture may get its folder's.
        const bool mayGetFolderPicture = choices.folderPicture && status == noPicture;
        if (IsFinalStatus(status) && !mayGetFolderPicture)
            continue;
        if (choices.skipSmaller && !mayGetFolderPicture) {
            const QStringList sides = parts_.list->Field(row, ColOriginalSize).split(QStringLiteral(" x "));
            const double width = TextValue(sides.value(0));
            const double height = TextValue(sides.value(1));
            if (width <= choices.targetSize && height <= choices.targetSize)
                continue;
        }
        files.append(FileOf(row));
    }
    return files;
}

void ConversionRun::ShowConvertedRow(const RowFile &file, const RowConversion &done, RunProgress &progress)
{
    parts_.progressBar->SetValue(++progress.completed);
    const int row = parts_.list->RowOfPath(file.row, file.path);
    if (row == 0)
        return;
    if (done.volumeGone) {
        ReportVolumeGone(row, file.volume);
        progress.volumeGone = true;
        ++progress.count.failed;
    } else if (!done.unexpected.isEmpty()) {
        ReportUnexpected(row, "ConvPix", done.unexpected);
        ++progress.count.failed;
    } else {
        ConvPix(row, file.path, done.art);
        progress.count.Add(done.art);
    }
    if (done.preview)
        parts_.preview->Show(*done.preview);
}

void ConversionRun::Run(const QVector<int> &rows, const ConversionChoices &choices,
                        std::shared_ptr<OperationGuard> operation)
{
    parts_.statusbar->SetPanelText(3, QString()); // the last run's count
    *parts_.stopRequested = false;
    abandonPictures_ = false;
    // The main window's texts, in its catalogue.
    ShowProgress(int(rows.size()), QCoreApplication::translate("frmMain", "Resizing"));

    // Rows done with, and small pictures the user chose to skip, count as
    // completed at once; the others go to the workers.
    const QVector<RowFile> files = RowsToConvert(rows, choices);
    auto progress = std::make_shared<RunProgress>();
    progress->completed = int(rows.size() - files.size());
    progress->count.skipped = progress->completed;
    if (progress->completed > 0)
        parts_.progressBar->SetValue(progress->completed);

    ArtRequest request;
    request.target = choices.targetSize;
    request.quality = choices.quality;
    request.allPictures = choices.allPictures;
    request.maxBytes = qint64(choices.largestPictureKB) * 1024;
    request.frontCoverFirst = choices.frontCoverFirst;
    // One finder for the run: a folder's tracks share what it found.
    auto folderArt = choices.folderPicture ? std::make_shared<FolderArt>() : nullptr;
    request.folderArt = folderArt.get();
    // "Stop" is answered in the middle of a picture too: the file is left
    // as it was.
    const std::atomic<bool> *abandon = &abandonPictures_;
    request.stopRequested = [abandon] { return abandon->load(); };
    auto turn = std::make_shared<PreviewTurn>();
    const QSize previewBox = parts_.preview->Box();
    ArtCache *shared = artCache_;
    BackgroundJobs *jobs = parts_.jobs;

    jobs->Start(
        choices.workers, int(files.size()),
        [=] {
            auto tags = std::make_shared<TagLibrary>();
            auto encoder = std::make_shared<PictureEncoder>(shared);
            // As brisko-batch does: the saves reach the disk a group at a
            // time, and each row is shown once its file is in place. One
            // file alone is saved as before.
            auto grouped = std::make_shared<GroupedRows>([=](const RowFile &file, const RowConversion &done) {
                jobs->Post([this, file, done, progress] { ShowConvertedRow(file, done, *progress); });
            });
            if (files.size() > 1)
                tags->SaveInto(&grouped->Group());
            return [=](int index) -> BackgroundJobs::OnWindow {
                const RowFile file = files.at(index);
                jobs->Post([this, file] { ShowRowBegun(file); });
                grouped->Convert(*tags, *encoder, file, request, previewBox, *turn);
                return {};
            };
        },
        [this, operation, progress, folderArt, rows = int(rows.size())] {
            EndRun(*progress, rows, QCoreApplication::translate("frmMain", "Resized %1, failed %2, skipped %3"));
        },
        AlbumRuns(files));
}
