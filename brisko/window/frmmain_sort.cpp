// SPDX-License-Identifier: MIT
// Sorting the main window's track list.
#include "window/frmmain.h"

#include "window/widgets/tracklist.h"
#include "window/widgets/tracksort.h"

void frmMain::SortByColumn(int column)
{
    if (column < 1 || column > lvwMain_->columnCount())
        return;
    SortColumn = qint16(column);
    SortTrackList(*lvwMain_, column);
    SortIcons.SetHeaderIcons(column - 1, lvwMain_->SortOrder() == Qt::AscendingOrder ? 0 : 1);
}

void frmMain::ColumnHeadingClicked(int column)
{
    if (OperationRunning)
        return;
    if (column == SortColumn)
        lvwMain_->SetSortOrder(lvwMain_->SortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                            : Qt::AscendingOrder);
    else
        lvwMain_->SetSortOrder(Qt::AscendingOrder);
    SortByColumn(column);
}
