// SPDX-License-Identifier: MIT
// Converting the art of the list's rows: the run itself is ConversionRun.
#include "window/frmmain.h"

#include "window/backgroundjobs.h"
#include "window/conversionrun.h"
#include "window/operationguard.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"

#include <QAction>

void frmMain::RequestStop()
{
    StopRequested = true;
    conversion_->GiveUpPictures();
    jobs_->Stop();
}

void frmMain::NoteOtherNames(int row, const QString &path, int otherNames)
{
    lvwMain_->NoteOtherNames(row, path, otherNames);
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
