// SPDX-License-Identifier: MIT
#include "window/widgets/lvheadersorticons.h"

#include "window/widgets/artwork.h"
#include "window/widgets/sortarrowheader.h"

#include <QTreeView>

void clsLVHeaderSortIcons::SetListView(QTreeView *list)
{
    list_ = list;
    header_ = nullptr;
}

bool clsLVHeaderSortIcons::SetHeaderIcons(int activeColumn, int sortOrder)
{
    if (!list_ || list_->isHeaderHidden())
        return false;
    if (!header_)
        header_ = qobject_cast<SortArrowHeader *>(list_->header());
    if (!header_)
        return false;
    const int image = sortOrder == 0 ? ascending_ : descending_;
    header_->SetArrow(activeColumn, HeadingArrowImage(image));
    return true;
}
