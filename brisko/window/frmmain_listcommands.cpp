// SPDX-License-Identifier: MIT
// The track list's mouse handling, and its menu's commands, which the list
// itself carries out.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "window/operationguard.h"
#include "window/previewpane.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"

#include <exception>

void frmMain::ListMouseReleased(Qt::MouseButton button, const QPoint &position)
{
    QTreeWidgetItem *underPointer = lvwMain_->itemAt(position);
    if (!underPointer || OperationRunning)
        return;
    // A click on a row shows its picture as its file is now, also when it
    // is shown already; while Shift is held the preview waits for the range
    // to be chosen.
    const int clicked = lvwMain_->indexOfTopLevelItem(underPointer) + 1;
    if (!ShiftDown)
        preview_->DisplayRow(clicked);

    const int focused = lvwMain_->CurrentRow();
    if (focused < 1)
        return;
    if (ShiftDown && !preview_->RowIsShown(focused))
        preview_->DisplayRow(focused);
    if (button == Qt::RightButton)
        lvwMain_->PopUpRowMenu(focused, position);
}

void frmMain::FollowCurrentRow()
{
    if (OperationRunning)
        return;
    followOnShiftUp_ = ShiftDown;
    const int current = lvwMain_->CurrentRow();
    if (!ShiftDown && current >= 1 && !preview_->RowIsShown(current))
        preview_->DisplayRow(current);
}

void frmMain::RemoveSelected()
{
    OperationGuard operation(*this, OperationGuard::BusyLook);
    try {
        lvwMain_->RemoveSelectedRows();
    } catch (const std::exception &error) {
        LogError(QStringLiteral("RemoveSelected"), ErrorDescription(error));
    }
    preview_->ShowNoRow();
    ShowRowCount();
}

void frmMain::ShowRowCount()
{
    Statusbar->SetPanelText(1, tr("Files : %1").arg(lvwMain_->RowCount()));
    if (lvwMain_->RowCount() == 0)
        ClearRunCount(); // the last run's count is of rows no longer there
}

void frmMain::ClearList()
{
    lvwMain_->clear();
    preview_->ShowNoRow();
    ShowRowCount();
}

void frmMain::CopyAlbumName()
{
    lvwMain_->CopyAlbumName();
}

void frmMain::PlaySelection()
{
    lvwMain_->PlayCurrentRow();
}

void frmMain::ResetDefaultView()
{
    lvwMain_->ResetColumns(DesignColumnWidths);
}
