// SPDX-License-Identifier: MIT
// Applying the picture and tag dialog's change to the selected files.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "engine/convert/artconversion.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/convert/tagchange.h"
#include "engine/convert/tagreading.h"
#include "engine/tags/taglibrary.h"
#include "engine/convert/volumes.h"
#include "window/backgroundjobs.h"
#include "window/dialogs/frmpicmod.h"
#include "window/filepreview.h"
#include "window/rowwork.h"
#include "window/runcount.h"
#include "window/dialogs/keptpicture.h"
#include "window/operationguard.h"
#include "window/previewpane.h"
#include "window/widgets/artwork.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/enginepicture.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/unexpectederror.h"

#include <QAction>
#include <QLabel>
#include <QTimer>

void frmMain::ReplacePicture()
{
    setCursor(Qt::WaitCursor);
    EditorOpen = true;
    frmPicMod dialog(lvwMain_, this);
    // The pictures the user chooses are read away from the window's thread;
    // the reads end with the dialog.
    auto *pictureReads = new BackgroundJobs(&dialog);
    dialog.ReadPicturesOn([pictureReads](const frmPicMod::Work &work) {
        pictureReads->Start(1, 1, [work] { return [work](int) { return work(); }; }, nullptr);
    });
    dialog.SetDisplayImage(lvwMain_->HasMultipleSelection() ? PlaceholderPicture(Placeholder::SeveralSelected)
                                                            : imgDisplay->Picture());
    dialog.exec();
    EditorOpen = false;
    unsetCursor();

    if (dialog.Ok())
        WriteChange(dialog.Change());
    if (dialog.SaveClip() == 0)
        KeptPicture = QImage();
    ShowKeptPictureState();
}

void frmMain::WriteChange(TagChange change)
{
    const QVector<int> rows = lvwMain_->RowIndexes(true);
    StopRequested = false;
    ProgressBar->SetMax(qMax(1, int(rows.size())));
    ProgressBar->SetValue(-1);
    ProgressBar->SetCaption(tr("Change Picture"));
    ProgressBar->setVisible(rows.size() >= 2);
    auto operation = std::make_shared<OperationGuard>(*this, OperationGuard::BusyLook);
    QSize originalSize;
    QSize newSize;
    try {
        // One JPEG for every file, made once, in memory.
        if (!KeptPicture.isNull()) {
            change.hasPicture = true;
            originalSize = KeptPicture.size();
            const Result<QSize> sized = NewPictureSize(originalSize.width(), originalSize.height(), TargetSize);
            if (!sized) {
                LogError(QStringLiteral("ReplacePicture"), sized.Why().reason);
                return;
            }
            newSize = *sized;
            const Result<QByteArray> jpeg = Encoder().ImageToJpegData(FromQImage(KeptPicture), newSize, Quality);
            if (!jpeg) {
                LogError(QStringLiteral("ReplacePicture"), jpeg.Why().reason);
                return;
            }
            change.jpeg = *jpeg;
        }
    } catch (const std::exception &error) {
        LogError(QStringLiteral("ReplacePicture"), ErrorDescription(error));
        return;
    }
    QVector<RowFile> files;
    for (const int row : rows)
        files.append({row, lvwMain_->PathAt(row), volumeOfPath_.value(lvwMain_->PathAt(row))});
    auto progress = std::make_shared<RunProgress>();
    auto turn = std::make_shared<PreviewTurn>();
    const QSize previewBox = imgDisplay->size();
    BackgroundJobs *jobs = jobs_;

    ClearRunCount();
    jobs_->Start(
        Workers, int(files.size()),
        [=] {
            auto tags = std::make_shared<TagLibrary>();
            return [=](int index) -> BackgroundJobs::OnWindow {
                const RowFile file = files.at(index);
                jobs->Post([this, file] { ShowRowBegun(file); });
                const ChangedFile done = ChangeFile(*tags, file, change, previewBox, *turn);
                return [=] {
                    ProgressBar->SetValue(++progress->completed);
                    progress->volumeGone = progress->volumeGone || done.volumeGone;
                    if (const int row = lvwMain_->RowOfPath(file.row, file.path))
                        UpdateCurrentPix(row, file.path, change.hasPicture, done, originalSize, newSize);
                    if (done.outcome == ChangeOutcome::Changed && done.unexpected.isEmpty() && !done.volumeGone)
                        ++progress->count.done;
                    else
                        ++progress->count.failed;
                };
            };
        },
        [this, operation, progress, rows = int(files.size())] { EndRun(*progress, rows, tr("Changed %1, failed %2, skipped %3")); });
}

void frmMain::UpdateCurrentPix(int row, const QString &path, bool newPicture, const ChangedFile &done,
                               QSize originalSize, QSize newSize)
{
    if (done.volumeGone) {
        ReportVolumeGone(volumeOfPath_.value(path));
        lvwMain_->SetRowToolTip(row, VolumeGoneReason(volumeOfPath_.value(path)));
    } else if (!done.unexpected.isEmpty()) {
        ReportUnexpected(QStringLiteral("UpdateCurrentPix"), done.unexpected);
        lvwMain_->SetRowToolTip(row, done.unexpected);
    } else if (done.outcome == ChangeOutcome::Changed) {
        lvwMain_->SetRowToolTip(row, QString());
        NoteOtherNames(row, path, done.otherNames);
        lvwMain_->SetStatus(row, newPicture ? RowStatus::PicTagChanged : RowStatus::TagChanged);
        if (newPicture) {
            lvwMain_->SetField(row, ColOriginalSize, SizeText(originalSize.width(), originalSize.height()));
            lvwMain_->SetField(row, ColNewSize, SizeText(newSize.width(), newSize.height()));
        }
        const TagFields &fields = done.fields;
        lvwMain_->SetField(row, ColTitle, fields.Title);
        lvwMain_->SetField(row, ColArtist, fields.Artist);
        lvwMain_->SetField(row, ColAlbum, fields.Album);
        lvwMain_->SetField(row, ColTrack, fields.Track);
        lvwMain_->SetField(row, ColYear, fields.Year);
        lvwMain_->SetField(row, ColGenre, fields.Genre);
        lvwMain_->SetField(row, ColComment, fields.Comment);
        lvwMain_->RefreshFileIdentity(row);
        if (done.preview)
            preview_->Show(*done.preview);
        if (newPicture)
            lblSize->setText(tr("Image Size: %1").arg(SizeText(newSize.width(), newSize.height())));
    } else {
        const RowStatus status = done.outcome == ChangeOutcome::LowDriveSpace ? RowStatus::LowDriveSpace
                                 : done.outcome == ChangeOutcome::FileMissing ? RowStatus::FileMissing
                                                                               : RowStatus::ChangePicFailed;
        lvwMain_->SetStatus(row, status);
        lvwMain_->SetRowToolTip(row, done.reason.isEmpty() ? ReasonOf(status) : done.reason);
        if (!done.reason.isEmpty())
            LogError(QStringLiteral("UpdateCurrentPix"), path + QStringLiteral(": ") + done.reason);
    }
    if (done.volumeGone || !done.unexpected.isEmpty())
        lvwMain_->SetIcon(row, StatusIcon(lvwMain_->Field(row, ColStatus)));
}

void frmMain::ClearKeptPicture()
{
    KeptPicture = QImage();
    ShowKeptPictureState();
}

void frmMain::ShowKeptPictureState()
{
    mnuClearClip->setEnabled(!KeptPicture.isNull());
    Statusbar->SetPanelVisible(4, !KeptPicture.isNull());
}
