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

void frmMain::ConvPix(const QString &path, int row)
{
    if (!VolumeStillThere(path))
        return;
    try {
        ArtRequest request;
        request.target = TargetSize;
        request.quality = Quality;
        request.allPictures = mnuAllPictures->isChecked();
        request.letEventsRun = [] { QCoreApplication::processEvents(); };
        const ArtConversion result = ConvertArt(*tags_, Encoder(), path, request);
        switch (result.outcome) {
        case ArtOutcome::Resized:
            lvwMain_->SetStatus(row, Status::Resized);
            lvwMain_->SetField(row, ColNewSize, SizeText(result.newSize.width(), result.newSize.height()));
            lvwMain_->RefreshFileIdentity(row); // the saved file is a new one
            NoteOtherNames(row, path, result.otherNames);
            break;
        case ArtOutcome::SaveFailed: lvwMain_->SetStatus(row, Status::ResizeFailed); break;
        case ArtOutcome::LowDriveSpace: lvwMain_->SetStatus(row, Status::LowDriveSpace); break;
        case ArtOutcome::FileMissing: lvwMain_->SetStatus(row, Status::FileMissing); break;
        case ArtOutcome::NoPicture: lvwMain_->SetStatus(row, Status::NoPicture); break;
        case ArtOutcome::Skipped: break; // the window skips small pictures itself
        }
    } catch (const std::exception &error) {
        ReportUnexpected(QStringLiteral("ConvPix"), ErrorDescription(error));
    }
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
        ConvPix(path, row);
        ShowPicOnDemand(path);
    }
}
