// SPDX-License-Identifier: MIT
// Applying the picture and tag dialog's change to the selected files.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "engine/artconversion.h"
#include "engine/pictureencoder.h"
#include "engine/tagchange.h"
#include "engine/tagreading.h"
#include "window/dialogs/frmpicmod.h"
#include "window/dialogs/keptpicture.h"
#include "window/operationguard.h"
#include "window/widgets/artwork.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/unexpectederror.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

namespace {

// While many files are written the preview follows a few times a second.
constexpr qint64 PreviewInterval = 100;

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

    if (dialog.Ok()) {
        TagChange change = dialog.Change();
        const QVector<int> rows = lvwMain_->RowIndexes(true);
        StopRequested = false;
        ProgressBar->SetMax(qMax(1, int(rows.size())));
        ProgressBar->SetValue(-1);
        ProgressBar->SetCaption(QStringLiteral("Change Picture"));
        ProgressBar->setVisible(rows.size() >= 2);
        const OperationGuard operation(*this, OperationGuard::BusyLook);
        try {
            // One JPEG for every file, made once, in memory.
            QSize originalSize;
            QSize newSize;
            if (!KeptPicture.isNull()) {
                change.hasPicture = true;
                originalSize = KeptPicture.size();
                newSize = NewPictureSize(originalSize.width(), originalSize.height(), TargetSize);
                change.jpeg = Encoder().ImageToJpegData(KeptPicture, newSize, Quality);
            }
            QElapsedTimer sincePreview;
            QElapsedTimer sinceEvents;
            for (int k = 0; k < rows.size(); ++k) {
                if (!sinceEvents.isValid() || sinceEvents.elapsed() >= EventsInterval) {
                    QCoreApplication::processEvents();
                    sinceEvents.start();
                }
                if (StopRequested)
                    break;
                ProgressBar->SetValue(k + 1);
                const int row = rows.at(k);
                lvwMain_->SetIcon(row, IconWorking);
                lvwMain_->scrollToItem(lvwMain_->topLevelItem(row - 1));
                UpdateCurrentPix(row, change, originalSize, newSize);
                if (!sincePreview.isValid() || sincePreview.elapsed() >= PreviewInterval || k + 1 == rows.size()) {
                    sincePreview.start();
                    ShowPicOnDemand(lvwMain_->PathAt(row));
                }
            }
        } catch (const std::exception &error) {
            LogError(QStringLiteral("ReplacePicture"), ErrorDescription(error));
        }
    }

    if (dialog.SaveClip() == 0)
        KeptPicture = QImage();
    ShowKeptPictureState();
}

void frmMain::UpdateCurrentPix(int row, const TagChange &change, QSize originalSize, QSize newSize)
{
    const QString path = lvwMain_->PathAt(row);
    if (!VolumeStillThere(path))
        return;
    try {
        switch (ApplyTagChange(*tags_, path, change)) {
        case ChangeOutcome::Changed: {
            NoteOtherNames(row, path, tags_->OtherNamesOfSaved());
            // The row shows the file as adding it would: both tags, genre names.
            TagFields fields;
            QByteArray picture;
            bool hasPicture = false;
            GetTags(*tags_, path, &fields, &picture, &hasPicture);
            lvwMain_->SetStatus(row, change.hasPicture ? RowStatus::PicTagChanged : RowStatus::TagChanged);
            if (change.hasPicture) {
                lvwMain_->SetField(row, ColOriginalSize, SizeText(originalSize.width(), originalSize.height()));
                lvwMain_->SetField(row, ColNewSize, SizeText(newSize.width(), newSize.height()));
            }
            lvwMain_->SetField(row, ColTitle, fields.Title);
            lvwMain_->SetField(row, ColArtist, fields.Artist);
            lvwMain_->SetField(row, ColAlbum, fields.Album);
            lvwMain_->SetField(row, ColTrack, fields.Track);
            lvwMain_->SetField(row, ColYear, fields.Year);
            lvwMain_->SetField(row, ColGenre, fields.Genre);
            lvwMain_->SetField(row, ColComment, fields.Comment);
            lvwMain_->RefreshFileIdentity(row);
            if (change.hasPicture)
                lblSize->setText(QStringLiteral("Image Size: ") + SizeText(newSize.width(), newSize.height()));
            break;
        }
        case ChangeOutcome::SaveFailed: lvwMain_->SetStatus(row, RowStatus::ChangePicFailed); break;
        case ChangeOutcome::LowDriveSpace: lvwMain_->SetStatus(row, RowStatus::LowDriveSpace); break;
        case ChangeOutcome::FileMissing: lvwMain_->SetStatus(row, RowStatus::FileMissing); break;
        }
    } catch (const std::exception &error) {
        ReportUnexpected(QStringLiteral("UpdateCurrentPix"), ErrorDescription(error));
    }
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
