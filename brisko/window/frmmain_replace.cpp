// SPDX-License-Identifier: MIT
// Applying the picture and tag dialog's change to the selected files.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "engine/artconversion.h"
#include "engine/pictureencoder.h"
#include "engine/tagchange.h"
#include "engine/tagreading.h"
#include "engine/taglibrary.h"
#include "engine/volumes.h"
#include "window/backgroundjobs.h"
#include "window/dialogs/frmpicmod.h"
#include "window/filepreview.h"
#include "window/dialogs/keptpicture.h"
#include "window/operationguard.h"
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

#include <optional>

// A file written with the dialog's change, as a worker left it.
struct ChangedFile
{
    ChangeOutcome outcome = ChangeOutcome::SaveFailed;
    bool volumeGone = false;
    QString unexpected; // an unexpected error's description
    int otherNames = 0;
    TagFields fields;   // the file as adding it would show it: both tags, genre names
    std::optional<FilePreview> preview;
};

namespace {

ChangedFile ChangeFile(TagLibrary &tags, const QString &path, const QString &volume, const TagChange &change,
                       QSize previewBox, PreviewTurn &turn)
{
    ChangedFile done;
    if (!VolumeAvailable(volume, path)) {
        done.volumeGone = true;
        return done;
    }
    try {
        done.outcome = ApplyTagChange(tags, path, change);
        if (done.outcome != ChangeOutcome::Changed)
            return done;
        done.otherNames = tags.OtherNamesOfSaved();
        QByteArray picture;
        bool hasPicture = false;
        GetTags(tags, path, &done.fields, &picture, &hasPicture);
        if (turn.Take())
            done.preview = ReadFilePreview(tags, path, previewBox);
    } catch (const std::exception &error) {
        done.unexpected = ErrorDescription(error);
    }
    return done;
}

} // namespace

void frmMain::ReplacePicture()
{
    setCursor(Qt::WaitCursor);
    EditorOpen = true;
    frmPicMod dialog(lvwMain_, this);
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
    ProgressBar->SetCaption(QStringLiteral("Change Picture"));
    ProgressBar->setVisible(rows.size() >= 2);
    auto operation = std::make_shared<OperationGuard>(*this, OperationGuard::BusyLook);
    QSize originalSize;
    QSize newSize;
    try {
        // One JPEG for every file, made once, in memory.
        if (!KeptPicture.isNull()) {
            change.hasPicture = true;
            originalSize = KeptPicture.size();
            newSize = NewPictureSize(originalSize.width(), originalSize.height(), TargetSize);
            change.jpeg = Encoder().ImageToJpegData(FromQImage(KeptPicture), newSize, Quality);
        }
    } catch (const std::exception &error) {
        LogError(QStringLiteral("ReplacePicture"), ErrorDescription(error));
        return;
    }
    struct Row
    {
        int row;
        QString path;
        QString volume;
    };
    QVector<Row> files;
    for (const int row : rows)
        files.append({row, lvwMain_->PathAt(row), volumeOfPath_.value(lvwMain_->PathAt(row))});
    auto completed = std::make_shared<int>(0);
    auto lastPath = std::make_shared<QString>();
    auto turn = std::make_shared<PreviewTurn>();
    const QSize previewBox = imgDisplay->size();
    BackgroundJobs *jobs = jobs_;

    jobs_->Start(
        Workers, int(files.size()),
        [=] {
            auto tags = std::make_shared<TagLibrary>();
            return [=](int index) -> BackgroundJobs::OnWindow {
                const Row file = files.at(index);
                jobs->Post([this, file] {
                    if (const int row = RowOfPath(file.row, file.path)) {
                        lvwMain_->SetIcon(row, IconWorking);
                        lvwMain_->scrollToItem(lvwMain_->topLevelItem(row - 1));
                    }
                });
                const ChangedFile done = ChangeFile(*tags, file.path, file.volume, change, previewBox, *turn);
                return [=] {
                    ProgressBar->SetValue(++*completed);
                    if (const int row = RowOfPath(file.row, file.path))
                        UpdateCurrentPix(row, file.path, change.hasPicture, done, originalSize, newSize);
                    *lastPath = file.path;
                };
            };
        },
        [this, operation, lastPath] {
            if (!lastPath->isEmpty())
                ShowPicOnDemand(*lastPath);
        });
}

void frmMain::UpdateCurrentPix(int row, const QString &path, bool newPicture, const ChangedFile &done,
                               QSize originalSize, QSize newSize)
{
    if (done.volumeGone) {
        ReportVolumeGone(volumeOfPath_.value(path));
    } else if (!done.unexpected.isEmpty()) {
        ReportUnexpected(QStringLiteral("UpdateCurrentPix"), done.unexpected);
    } else if (done.outcome == ChangeOutcome::Changed) {
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
            ShowFilePreview(*done.preview);
        if (newPicture)
            lblSize->setText(QStringLiteral("Image Size: ") + SizeText(newSize.width(), newSize.height()));
    } else {
        lvwMain_->SetStatus(row, done.outcome == ChangeOutcome::LowDriveSpace ? RowStatus::LowDriveSpace
                                 : done.outcome == ChangeOutcome::FileMissing ? RowStatus::FileMissing
                                                                               : RowStatus::ChangePicFailed);
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
