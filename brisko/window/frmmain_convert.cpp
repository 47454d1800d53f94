// SPDX-License-Identifier: MIT
// Converting the art of the list's rows on the workers.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "base/textvalue.h"
#include "base/translation.h"
#include "engine/convert/artconversion.h"
#include "engine/convert/folderart.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/tags/taglibrary.h"
#include "engine/convert/volumes.h"
#include "window/backgroundjobs.h"
#include "window/filepreview.h"
#include "window/operationguard.h"
#include "window/previewpane.h"
#include "window/rowwork.h"
#include "window/runcount.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/unexpectederror.h"

#include <QAction>

void frmMain::ReportVolumeGone(const QString &volume)
{
    // The jobs in hand may each find it gone: the user hears it once. The
    // files in hand on other volumes are finished.
    if (!StopRequested)
        MsgBox(VolumeUnavailableMessage(volume), Msg::Information, QString(), this);
    StopRequested = true;
    jobs_->Stop();
}

void frmMain::RequestStop()
{
    StopRequested = true;
    abandonPictures_ = true;
    jobs_->Stop();
}

int frmMain::RowOfPath(int row, const QString &path) const
{
    if (lvwMain_->PathAt(row) == path)
        return row;
    for (int position = 1; position <= lvwMain_->RowCount(); ++position) {
        if (lvwMain_->PathAt(position) == path)
            return position;
    }
    return 0;
}

bool frmMain::ConvPix(int row, const QString &path, const ArtConversion &result)
{
    switch (result.outcome) {
    case ArtOutcome::Resized:
    case ArtOutcome::PictureAdded:
        lvwMain_->SetStatus(row, StatusOfArt(result.outcome));
        lvwMain_->SetField(row, ColNewSize, SizeText(result.newSize.width(), result.newSize.height()));
        lvwMain_->RefreshFileIdentity(row); // the saved file is a new one
        // How the picture was made: the quality and size that fit the byte
        // limit, the front cover moved first, the folder picture used.
        SetRowToolTip(row, ShownNotes(result.notes));
        NoteOtherNames(row, path, result.otherNames);
        break;
    case ArtOutcome::SpaceFreed:
        lvwMain_->SetStatus(row, StatusOfArt(result.outcome));
        lvwMain_->RefreshFileIdentity(row);
        SetRowToolTip(row, QString());
        NoteOtherNames(row, path, result.otherNames);
        break;
    case ArtOutcome::SaveFailed:
    case ArtOutcome::TooLarge:
    case ArtOutcome::LowDriveSpace:
    case ArtOutcome::FileMissing:
    case ArtOutcome::NoPicture:
        lvwMain_->SetStatus(row, StatusOfConversion(result));
        SetRowToolTip(row, result.reason.isEmpty() ? ReasonOf(StatusOfConversion(result)) : result.reason);
        if (!result.reason.isEmpty())
            LogError(QStringLiteral("ConvPix"), path + QStringLiteral(": ") + result.reason);
        break;
    case ArtOutcome::Skipped: break; // the window skips small pictures itself
    case ArtOutcome::Stopped: // the file is as it was, and so is its row
        lvwMain_->SetIcon(row, StatusIcon(lvwMain_->Field(row, ColStatus)));
        return true;
    }
    return false;
}

QString frmMain::ShownNotes(const QStringList &english)
{
    QStringList shown;
    for (const QString &note : english)
        shown << ShownText(note);
    return shown.join(QStringLiteral("; "));
}

QString frmMain::ReasonOf(RowStatus status)
{
    switch (status) {
    case RowStatus::LowDriveSpace:
        return EnglishText("frmMain", "not enough free space for a second copy of the file and 256,000 bytes more");
    case RowStatus::FileMissing: return EnglishText("frmMain", "the file is no longer there");
    default: return QString();
    }
}

QString frmMain::VolumeGoneReason(const QString &volume)
{
    return EnglishText("frmMain", "the volume %1 is not available").arg(volume);
}

void frmMain::SetRowToolTip(int row, const QString &english)
{
    QTreeWidgetItem *item = lvwMain_->topLevelItem(row - 1);
    for (int column = 0; item && column < lvwMain_->columnCount(); ++column)
        item->setToolTip(column, ShownText(english));
}

void frmMain::NoteOtherNames(int row, const QString &path, int otherNames)
{
    if (otherNames <= 0)
        return;
    // The log stays in English, for whoever reads it to help.
    const QString note =
        otherNames == 1
            ? EnglishText("frmMain", "1 other name (hard link) of this file keeps its old content")
            : EnglishText("frmMain", "%1 other names (hard links) of this file keep its old content").arg(otherNames);
    SetRowToolTip(row, note);
    LogError(QStringLiteral("NoteOtherNames"), path + QStringLiteral(": ") + note);
}

QVector<RowFile> frmMain::RowsToConvert(const QVector<int> &rows) const
{
    QVector<RowFile> files;
    const QString noPicture = StatusText(RowStatus::NoPicture);
    for (const int row : rows) {
        const QString status = lvwMain_->Field(row, ColStatus);
        // A file without a picture may get its folder's.
        const bool mayGetFolderPicture = mnuFolderPicture->isChecked() && status == noPicture;
        if (IsFinalStatus(status) && !mayGetFolderPicture)
            continue;
        if (mnuSkip->isChecked() && !mayGetFolderPicture) {
            const QStringList sides = lvwMain_->Field(row, ColOriginalSize).split(QStringLiteral(" x "));
            const double width = TextValue(sides.value(0));
            const double height = TextValue(sides.value(1));
            if (width <= TargetSize && height <= TargetSize)
                continue;
        }
        const QString path = lvwMain_->PathAt(row);
        files.append({row, path, volumeOfPath_.value(path)});
    }
    return files;
}

void frmMain::ShowRowBegun(const RowFile &file)
{
    if (const int row = RowOfPath(file.row, file.path)) {
        lvwMain_->SetIcon(row, IconWorking);
        lvwMain_->scrollToItem(lvwMain_->topLevelItem(row - 1));
    }
}

void frmMain::ShowConvertedRow(const RowFile &file, const RowConversion &done, RunProgress &progress)
{
    ProgressBar->SetValue(++progress.completed);
    const int row = RowOfPath(file.row, file.path);
    if (row == 0)
        return;
    bool stopped = false;
    if (done.volumeGone) {
        ReportVolumeGone(file.volume);
        progress.volumeGone = true;
        SetRowToolTip(row, VolumeGoneReason(file.volume));
        ++progress.count.failed;
        stopped = true;
    } else if (!done.unexpected.isEmpty()) {
        ReportUnexpected(QStringLiteral("ConvPix"), done.unexpected);
        SetRowToolTip(row, done.unexpected);
        ++progress.count.failed;
    } else {
        stopped = ConvPix(row, file.path, done.art);
        progress.count.Add(done.art);
    }
    // A row not worked on any more does not look as if it were.
    if (stopped || !done.unexpected.isEmpty())
        lvwMain_->SetIcon(row, StatusIcon(lvwMain_->Field(row, ColStatus)));
    if (done.preview)
        preview_->Show(*done.preview);
}

void frmMain::EndRun(RunProgress &progress, int rows, const QString &countFormat)
{
    progress.count.skipped += rows - progress.completed; // not begun after "Stop"
    // The preview showed the files as they were worked on; now it shows the
    // current row again, as its file is after the run.
    if (const int current = CurrentRow(); current >= 1)
        preview_->DisplayRow(current, !progress.volumeGone);
    else
        preview_->ShowNoRow();
    Statusbar->SetPanelText(3, progress.count.Text(countFormat));
}

void frmMain::ClearRunCount()
{
    Statusbar->SetPanelText(3, QString());
}

void frmMain::Resizing(bool selectedOnly)
{
    const QVector<int> rows = lvwMain_->RowIndexes(selectedOnly);
    if (rows.isEmpty())
        return;
    ClearRunCount();
    StopRequested = false;
    abandonPictures_ = false;
    auto operation = std::make_shared<OperationGuard>(*this, OperationGuard::BusyLook);
    ProgressBar->SetMax(int(rows.size()));
    ProgressBar->SetValue(-1);
    ProgressBar->SetCaption(tr("Resizing"));
    ProgressBar->setVisible(rows.size() >= 2);

    // Rows done with, and small pictures the user chose to skip, count as
    // completed at once; the others go to the workers.
    const QVector<RowFile> files = RowsToConvert(rows);
    auto progress = std::make_shared<RunProgress>();
    progress->completed = int(rows.size() - files.size());
    progress->count.skipped = progress->completed;
    if (progress->completed > 0)
        ProgressBar->SetValue(progress->completed);

    ArtRequest request;
    request.target = TargetSize;
    request.quality = Quality;
    request.allPictures = mnuAllPictures->isChecked();
    request.maxBytes = qint64(LargestPictureKB) * 1024;
    request.frontCoverFirst = mnuFrontCoverFirst->isChecked();
    // One finder for the run: a folder's tracks share what it found.
    auto folderArt = mnuFolderPicture->isChecked() ? std::make_shared<FolderArt>() : nullptr;
    request.folderArt = folderArt.get();
    // "Stop" is answered in the middle of a picture too: the file is left
    // as it was.
    const std::atomic<bool> *abandon = &abandonPictures_;
    request.stopRequested = [abandon] { return abandon->load(); };
    auto turn = std::make_shared<PreviewTurn>();
    const QSize previewBox = imgDisplay->size();
    ArtCache *shared = artCache_.get();
    BackgroundJobs *jobs = jobs_;

    jobs_->Start(
        Workers, int(files.size()),
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
        [this, operation, progress, folderArt, rows = int(rows.size())] { EndRun(*progress, rows, tr("Resized %1, failed %2, skipped %3")); });
}
