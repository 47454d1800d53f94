// SPDX-License-Identifier: MIT
// Converting the art of one row, and the batch run over the list.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "base/textvalue.h"
#include "engine/artconversion.h"
#include "engine/pictureencoder.h"
#include "engine/taglibrary.h"
#include "engine/volumes.h"
#include "window/operationguard.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/unexpectederror.h"

#include <QAction>
#include <QCoreApplication>

bool frmMain::VolumeStillThere(const QString &path)
{
    const QString volume = volumeOfPath_.value(path);
    if (VolumeAvailable(volume, path))
        return true;
    MsgBox(VolumeUnavailableMessage(volume), Msg::Information, QString(), this);
    StopRequested = true;
    return false;
}

bool frmMain::ConvPix(const QString &path, int row)
{
    if (!VolumeStillThere(path))
        return false;
    try {
        ArtRequest request;
        request.target = TargetSize;
        request.quality = Quality;
        request.allPictures = mnuAllPictures->isChecked();
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
            lvwMain_->SetStatus(row, StatusOfArt(result.outcome));
            lvwMain_->SetField(row, ColNewSize, SizeText(result.newSize.width(), result.newSize.height()));
            lvwMain_->RefreshFileIdentity(row); // the saved file is a new one
            NoteOtherNames(row, path, result.otherNames);
            break;
        case ArtOutcome::SaveFailed:
        case ArtOutcome::LowDriveSpace:
        case ArtOutcome::FileMissing:
        case ArtOutcome::NoPicture: lvwMain_->SetStatus(row, StatusOfArt(result.outcome)); break;
        case ArtOutcome::Skipped: break; // the window skips small pictures itself
        case ArtOutcome::Stopped: // the file is as it was, and so is its row
            lvwMain_->SetIcon(row, StatusIcon(lvwMain_->Field(row, ColStatus)));
            return true;
        }
    } catch (const std::exception &error) {
        ReportUnexpected(QStringLiteral("ConvPix"), ErrorDescription(error));
    }
    return false;
}

void frmMain::NoteOtherNames(int row, const QString &path, int otherNames)
{
    if (otherNames <= 0)
        return;
    const QString note = otherNames == 1
                             ? QStringLiteral("1 other name (hard link) of this file keeps its old content")
                             : QStringLiteral("%1 other names (hard links) of this file keep its old content").arg(otherNames);
    QTreeWidgetItem *item = lvwMain_->topLevelItem(row - 1);
    for (int column = 0; item && column < lvwMain_->columnCount(); ++column)
        item->setToolTip(column, note);
    LogError(QStringLiteral("NoteOtherNames"), path + QStringLiteral(": ") + note);
}

void frmMain::Resizing(bool selectedOnly)
{
    const QVector<int> rows = lvwMain_->RowIndexes(selectedOnly);
    if (rows.isEmpty())
        return;
    StopRequested = false;
    OperationGuard operation(*this, OperationGuard::BusyLook);
    ProgressBar->SetMax(int(rows.size()));
    ProgressBar->SetValue(-1);
    ProgressBar->SetCaption(QStringLiteral("Resizing"));
    ProgressBar->setVisible(rows.size() >= 2);

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
        if (!ConvPix(path, row)) // a picture given up is not read again just to be shown
            ShowPicOnDemand(path);
    }
}
