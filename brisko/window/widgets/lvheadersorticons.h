// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>

class QTreeView;
class SortArrowHeader;

// Shows the sort arrow in the heading of the column a list is sorted by and
// removes it from every other heading.
class clsLVHeaderSortIcons
{
public:
    // The list to decorate; its heading bar must be a SortArrowHeader.
    void SetListView(QTreeView *list);
    // 1-based indexes into the heading images (1 ascending, 2 descending).
    void SetIcoIndexAsc(qint16 index) { ascending_ = qint16(index - 1); }
    void SetIcoIndexDes(qint16 index) { descending_ = qint16(index - 1); }

    // activeColumn is 0-based; sortOrder 0 ascending, 1 descending. False when
    // nothing was done: no list, a list whose headings are not shown, or one
    // without an arrow-capable heading bar.
    bool SetHeaderIcons(int activeColumn, int sortOrder);

private:
    QPointer<QTreeView> list_;
    qint16 ascending_ = -1;
    qint16 descending_ = -1;
    QPointer<SortArrowHeader> header_;
};
