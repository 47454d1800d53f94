// SPDX-License-Identifier: MIT
#pragma once

#include "window/widgets/trackrow.h"

#include <QHash>
#include <QTreeWidget>
#include <QVector>

class QAction;
class QDragMoveEvent;
class QDropEvent;
class QMenu;

// The track list: one row per music file, addressed by 1-based position in the
// current order. Each row's file path is the hidden text of its first cell.
//
// The list keeps a count of the files it holds, in step with every way rows
// come and go (added, taken, deleted, cleared), so "is this file listed?" is
// answered without visiting the rows.
class TrackList : public QTreeWidget
{
    Q_OBJECT

public:
    // Every cell's own hidden text; the first cell's is the row's path.
    static constexpr int HiddenTextRole = Qt::UserRole;

    explicit TrackList(QWidget *parent = nullptr);
    ~TrackList() override;

    int RowCount() const { return topLevelItemCount(); }

    // The direction of the next sort. The list keeps it itself: the heading
    // bar flips its own indicator on every click, before the click is
    // reported, and also on clicks that must not sort.
    Qt::SortOrder SortOrder() const { return sortOrder_; }
    void SetSortOrder(Qt::SortOrder order) { sortOrder_ = order; }

    // Column widths as designed for a small font, in pixels, by 0-based column.
    static int DesignedColumnWidth(int column);
    // A column's width until the user changes it: as designed, grown with the
    // font, and never narrower than its heading (with the sort arrow) or the
    // program's own texts in it: the statuses, a size not converted yet.
    int DefaultColumnWidth(int column) const;

    // Appends a row and returns its position.
    int AddRow(const TrackRow &row);
    TrackRow Row(int position) const;
    QString PathAt(int position) const;

    // A status is its English words, whatever language the list shows.
    QString Field(int position, TrackColumn column) const;
    void SetField(int position, TrackColumn column, const QString &text);
    int IconAt(int position) const;
    void SetIcon(int position, int icon);
    // Writes a status text together with its icon.
    void SetStatus(int position, RowStatus status);

    void RemoveRow(int position);
    // Removes the rows at the positions (ascending), in one step whatever
    // their number: the time grows with the list, not with list x rows.
    void RemoveRows(const QVector<int> &positions);

    // True when the file at path is already in the list. Paths that lead to the
    // same file (another letter case on a case-insensitive volume, a symbolic
    // link, "." or "..") count as the same; two files whose names differ only
    // in letter case do not. A path to no file matches its exact absolute form.
    bool IsPathListed(const QString &path) const;

    // Call after a row's file was replaced by a new one (a save renames a
    // complete copy over it), so other spellings of it still match.
    void RefreshFileIdentity(int position);

    // The current row's position; 0 when there is none.
    int CurrentRow() const;
    // The row now at position when it still holds path, else wherever path
    // went; 0 when it is gone from the list.
    int RowOfPath(int position, const QString &path) const;
    // A row's tooltip, in the user's language: why it failed, or what else
    // the user should know.
    void SetRowToolTip(int position, const QString &english);
    // A saved file's other hard links keep its old content: the row's
    // tooltip and the error log say so.
    void NoteOtherNames(int position, const QString &path, int otherNames);

    // The row menu, with its "Resize Picture" entry, which is enabled only
    // for a row that has a picture.
    void SetRowMenu(QMenu *menu, QAction *resizeEntry);
    // The row menu for the focused row (1-based), at a point of the rows.
    void PopUpRowMenu(int focused, const QPoint &position);
    // The row menu under the current row (the menu key, Shift+F10); none
    // without a current row.
    void PopUpRowMenuAtCurrentRow();
    // "Remove From List" on the selected rows, all at once.
    void RemoveSelectedRows();
    // "Copy Album Name": the current row's album, else its file name without
    // the extension; the clipboard is emptied first.
    void CopyAlbumName() const;
    // "Play Selection": the current row's file opened with its program; a
    // message says so when none can.
    void PlayCurrentRow();
    // Every column back at its designed place and width (in twips, by
    // column number 1..11; 0 unused).
    void ResetColumns(const QVector<qint16> &designTwips);

    // Positions 1..n in ascending order: every row, or the selected ones only.
    QVector<int> RowIndexes(bool selectedOnly) const;
    bool HasMultipleSelection() const;

signals:
    // A mouse button went up over the rows, after the list took the click.
    void MouseReleased(Qt::MouseButton button, const QPoint &position);
    // Something is dragged over the rows (accept or refuse it on the event),
    // or dropped on them.
    void DragOver(QDragMoveEvent *event);
    void Dropped(QDropEvent *event);
    // A key (an arrow, Home, End, a page key, a typed letter) moved the
    // current row.
    void CurrentRowMovedByKey();

protected:
    // Drops on the heading bar and the scroll bars reach the list itself.
    bool event(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // The owner decides what may be dropped; the list's own item moves are off.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The width a cell needs to show text whole.
    int CellWidth(const QString &text) const;
    QTreeWidgetItem *ItemAt(int position) const;
    void Remember(const QTreeWidgetItem *item);
    void Forget(const QTreeWidgetItem *item);

    // How many rows list each path; the listed path of each file, by
    // device and inode.
    QHash<QString, int> listedPaths_;
    QMultiHash<QString, QString> listedFiles_;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    QMenu *rowMenu_ = nullptr;
    QAction *resizeEntry_ = nullptr;
};
