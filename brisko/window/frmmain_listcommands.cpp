// SPDX-License-Identifier: MIT
// The track list's mouse handling and the commands of its context menu.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "window/operationguard.h"
#include "window/previewpane.h"
#include "window/widgets/artwork.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/openex.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>

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
        PopUpRowMenu(focused, position);
}

void frmMain::PopUpRowMenu(int focused, const QPoint &position)
{
    mnuManConvert->setEnabled(lvwMain_->Field(focused, ColStatus) != StatusText(RowStatus::NoPicture));
    mnuPopList->setDefaultAction(mnuManConvert);
    mnuPopList->popup(lvwMain_->viewport()->mapToGlobal(position));
}

void frmMain::PopUpRowMenuAtCurrentRow()
{
    QTreeWidgetItem *current = lvwMain_->currentItem();
    if (!current || OperationRunning)
        return;
    lvwMain_->scrollToItem(current);
    // Below the row, at its left edge or the list's when scrolled sideways.
    const QRect row = lvwMain_->visualItemRect(current);
    PopUpRowMenu(lvwMain_->CurrentRow(), QPoint(qBound(0, row.left(), lvwMain_->viewport()->width() - 1), row.bottom()));
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
        // All at once: taking the rows out costs one pass over the list
        // however many there are, less than a repaint of it.
        lvwMain_->setUpdatesEnabled(false);
        lvwMain_->RemoveRows(lvwMain_->RowIndexes(true));
    } catch (const std::exception &error) {
        LogError(QStringLiteral("RemoveSelected"), ErrorDescription(error));
    }
    lvwMain_->setUpdatesEnabled(true);
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
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    const int row = lvwMain_->indexOfTopLevelItem(lvwMain_->currentItem()) + 1;
    if (row < 1)
        return;
    QString name = lvwMain_->Field(row, ColAlbum);
    if (name.isEmpty()) {
        name = lvwMain_->Field(row, ColFileName);
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot >= 0)
            name.truncate(dot);
    }
    clipboard->setText(name);
}

void frmMain::PlaySelection()
{
    const int row = lvwMain_->indexOfTopLevelItem(lvwMain_->currentItem()) + 1;
    if (row >= 1 && ShellOpenFile(this, lvwMain_->PathAt(row)))
        return;
    MsgBox(tr("The file can't be opened.\r\n"
              "It may have been deleted or there is no\r\n"
              "application associated with this type of file."),
           Msg::Information, QString(), this);
}

void frmMain::ResetDefaultView()
{
    QHeaderView *header = lvwMain_->header();
    for (int column = 0; column < header->count(); ++column) {
        header->moveSection(header->visualIndex(column), column);
        if (column + 1 < DesignColumnWidths.size())
            lvwMain_->setColumnWidth(column, qRound(DesignColumnWidths.at(column + 1) / 15.0));
    }
}
