// SPDX-License-Identifier: MIT
// The picture and tag dialog; TagChangeRun writes its change into the files.
#include "window/frmmain.h"

#include "engine/convert/tagchange.h"
#include "window/backgroundjobs.h"
#include "window/dialogs/frmpicmod.h"
#include "window/dialogs/keptpicture.h"
#include "window/operationguard.h"
#include "window/tagchangerun.h"
#include "window/widgets/artwork.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"

#include <QAction>

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
        tagChange_->Run(dialog.Change(), KeptPicture, TargetSize, Quality, Workers,
                        std::make_shared<OperationGuard>(*this, OperationGuard::BusyLook));
    if (dialog.SaveClip() == 0)
        KeptPicture = QImage();
    ShowKeptPictureState();
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
