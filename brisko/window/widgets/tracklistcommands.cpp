// SPDX-License-Identifier: MIT
// The track list's own commands: its row menu, the rows' tooltips, and the
// commands of the menu that need nothing but the list.
#include "window/widgets/tracklist.h"

#include "base/errorlog.h"
#include "base/translation.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/openex.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>

void TrackList::SetRowMenu(QMenu *menu, QAction *resizeEntry)
{
    rowMenu_ = menu;
    resizeEntry_ = resizeEntry;
}

void TrackList::PopUpRowMenu(int focused, const QPoint &position)
{
    resizeEntry_->setEnabled(Field(focused, ColStatus) != StatusText(RowStatus::NoPicture));
    rowMenu_->setDefaultAction(resizeEntry_);
    rowMenu_->popup(viewport()->mapToGlobal(position));
}

void TrackList::PopUpRowMenuAtCurrentRow()
{
    QTreeWidgetItem *current = currentItem();
    if (!current)
        return;
    scrollToItem(current);
    // Below the row, at its left edge or the list's when scrolled sideways.
    const QRect row = visualItemRect(current);
    PopUpRowMenu(CurrentRow(), QPoint(qBound(0, row.left(), viewport()->width() - 1), row.bottom()));
}

void TrackList::RemoveSelectedRows()
{
    // All at once: taking the rows out costs one pass over the list however
    // many there are, less than a repaint of it.
    setUpdatesEnabled(false);
    try {
        RemoveRows(RowIndexes(true));
    } catch (...) {
        setUpdatesEnabled(true);
        throw;
    }
    setUpdatesEnabled(true);
}

void TrackList::CopyAlbumName() const
{
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    const int row = CurrentRow();
    if (row < 1)
        return;
    QString name = Field(row, ColAlbum);
    if (name.isEmpty()) {
        name = Field(row, ColFileName);
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot >= 0)
            name.truncate(dot);
    }
    clipboard->setText(name);
}

void TrackList::PlayCurrentRow()
{
    const int row = CurrentRow();
    if (row >= 1 && ShellOpenFile(window(), PathAt(row)))
        return;
    MsgBox(QCoreApplication::translate("frmMain", "The file can't be opened.\r\n"
                                                  "It may have been deleted or there is no\r\n"
                                                  "application associated with this type of file."),
           Msg::Information, QString(), window());
}

void TrackList::ResetColumns(const QVector<qint16> &designTwips)
{
    QHeaderView *heading = header();
    for (int column = 0; column < heading->count(); ++column) {
        heading->moveSection(heading->visualIndex(column), column);
        if (column + 1 < designTwips.size())
            setColumnWidth(column, qRound(designTwips.at(column + 1) / 15.0));
    }
}
