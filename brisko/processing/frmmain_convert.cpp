// Converting the art of one row, and the batch run over the list.
#include "shell/frmmain.h"

#include "controls/derezovivavo.h"
#include "processing/artconversion.h"
#include "processing/pictureencoder.h"
#include "processing/taglibrary.h"
#include "processing/tracklist.h"
#include "processing/volumes.h"
#include "shell/briskoerror.h"
#include "shell/msgbox.h"
#include "shell/textvalue.h"

#include <QAction>
#include <QCoreApplication>

bool frmMain::VolumeStillThere(const QString &path)
{
    const QString volume = volumeOfPath_.value(path);
    if (VolumeAvailable(volume))
        return true;
    MsgBox(VolumeUnavailableMessage(volume), Msg::Information, QString(), this);
    StopRequested = true;
    return false;
}

void frmMain::ConvPix(const QString &path, int row)
{
    if (!VolumeStillThere(path))
        return;
    try {
        ArtRequest request;
        request.target = TargetSize;
        request.quality = Quality;
        request.letEventsRun = [] { QCoreApplication::processEvents(); };
        // "Stop" is answered in the middle of a picture too: its click gets
        // through while the picture is decoded.
        request.stopRequested = [this] {
            QCoreApplication::processEvents();
            return StopRequested;
        };
        const ArtConversion result = ConvertArt(*tags_, Encoder(), path, request);
        switch (result.outcome) {
        case ArtOutcome::Resized:
            lvwMain_->SetStatus(row, Status::Resized);
            lvwMain_->SetField(row, ColNewSize, SizeText(result.newSize.width(), result.newSize.height()));
            lvwMain_->RefreshFileIdentity(row); // the saved file is a new one
            break;
        case ArtOutcome::SaveFailed: lvwMain_->SetStatus(row, Status::ResizeFailed); break;
        case ArtOutcome::LowDriveSpace: lvwMain_->SetStatus(row, Status::LowDriveSpace); break;
        case ArtOutcome::FileMissing: lvwMain_->SetStatus(row, Status::FileMissing); break;
        case ArtOutcome::NoPicture: lvwMain_->SetStatus(row, Status::NoPicture); break;
        case ArtOutcome::Skipped: break; // the window skips small pictures itself
        case ArtOutcome::Stopped: // the file is as it was, and so is its row
            lvwMain_->SetStatus(row, lvwMain_->Field(row, ColStatus));
            break;
        }
    } catch (const BriskoError &error) {
        ReportUnexpected(QStringLiteral("ConvPix"), error.Description());
    } catch (const std::bad_alloc &) {
        ReportUnexpected(QStringLiteral("ConvPix"), ErrorText(ErrorNumber::OutOfMemory));
    }
}

void frmMain::Resizing(bool selectedOnly)
{
    const QVector<int> rows = lvwMain_->RowIndexes(selectedOnly);
    if (rows.isEmpty())
        return;
    StopRequested = false;
    OperationRunning = true;
    ProgressBar->SetMax(int(rows.size()));
    ProgressBar->SetValue(-1);
    ProgressBar->SetCaption(QStringLiteral("Resizing"));
    ProgressBar->setVisible(rows.size() >= 2);
    EnableControls(false);

    for (int k = 1; k <= rows.size(); ++k) {
        QCoreApplication::processEvents();
        if (StopRequested)
            break;
        ProgressBar->SetValue(k);
        const int row = rows.at(k - 1);
        if (IsFinalStatus(lvwMain_->Field(row, ColStatus)))
            continue;
        if (mnuSkip->isChecked()) {
            const QStringList sides = lvwMain_->Field(row, ColOriginalSize).split(QStringLiteral(" x "));
            const double width = TextValue(sides.value(0));
            const double height = TextValue(sides.value(1));
            if (width <= TargetSize && height <= TargetSize)
                continue;
        }
        lvwMain_->scrollToItem(lvwMain_->topLevelItem(row - 1));
        lvwMain_->SetIcon(row, IconWorking);
        const QString path = lvwMain_->PathAt(row);
        ConvPix(path, row);
        if (!StopRequested) // a picture given up is not read again just to be shown
            ShowPicOnDemand(path);
    }

    OperationRunning = false;
    EnableControls(true);
    ProgressBar->hide();
}
