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
#include "window/conversionrun.h"
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
    conversion_->GiveUpPictures();
    jobs_->Stop();
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

void frmMain::NoteOtherNames(int row, const QString &path, int otherNames)
{
    lvwMain_->NoteOtherNames(row, path, otherNames);
}

void frmMain::ShowRowBegun(const RowFile &file)
{
    if (const int row = lvwMain_->RowOfPath(file.row, file.path)) {
        lvwMain_->SetIcon(row, IconWorking);
        lvwMain_->scrollToItem(lvwMain_->topLevelItem(row - 1));
    }
}

void frmMain::EndRun(RunProgress &progress, int rows, const QString &countFormat)
{
    progress.count.skipped += rows - progress.completed; // not begun after "Stop"
    // The preview showed the files as they were worked on; now it shows the
    // current row again, as its file is after the run.
    if (const int current = lvwMain_->CurrentRow(); current >= 1)
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
    ConversionChoices choices;
    choices.targetSize = TargetSize;
    choices.quality = Quality;
    choices.largestPictureKB = LargestPictureKB;
    choices.skipSmaller = mnuSkip->isChecked();
    choices.allPictures = mnuAllPictures->isChecked();
    choices.frontCoverFirst = mnuFrontCoverFirst->isChecked();
    choices.folderPicture = mnuFolderPicture->isChecked();
    choices.workers = Workers;
    conversion_->Run(rows, choices, std::make_shared<OperationGuard>(*this, OperationGuard::BusyLook));
}
