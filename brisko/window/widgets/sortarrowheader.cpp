// SPDX-License-Identifier: MIT
#include "window/widgets/sortarrowheader.h"

#include <QPainter>
#include <QStyleOptionHeader>

namespace {
constexpr int ArrowSide = 10;
constexpr int ArrowGap = 4;
} // namespace

SortArrowHeader::SortArrowHeader(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setSortIndicatorShown(false); // the arrow is ours, placed by alignment
}

void SortArrowHeader::SetArrow(int logicalIndex, const QIcon &arrow)
{
    arrowSection_ = arrow.isNull() ? -1 : logicalIndex;
    arrow_ = arrow;
    arrowRect_ = QRect();
    viewport()->update();
}

void SortArrowHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    QStyleOptionHeader option;
    initStyleOptionForIndex(&option, logicalIndex);
    option.rect = rect;
    option.sortIndicator = QStyleOptionHeader::None;
    painter->save();
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);

    QStyleOptionHeader label = option;
    label.rect = style()->subElementRect(QStyle::SE_HeaderLabel, &option, this);
    if (logicalIndex == arrowSection_) {
        const bool rightAligned = option.textAlignment & Qt::AlignRight;
        QRect arrowRect(0, label.rect.center().y() - ArrowSide / 2, ArrowSide, ArrowSide);
        if (rightAligned) {
            const int textLeft = label.rect.right() - fontMetrics().horizontalAdvance(option.text);
            arrowRect.moveLeft(qMax(label.rect.left(), textLeft - ArrowGap - ArrowSide));
            label.rect.setLeft(arrowRect.right() + ArrowGap);
        } else {
            const int textRight = label.rect.left() + fontMetrics().horizontalAdvance(option.text);
            arrowRect.moveLeft(qMin(label.rect.x() + label.rect.width() - ArrowSide, textRight + ArrowGap));
            label.rect.setRight(arrowRect.left() - ArrowGap);
        }
        arrow_.paint(painter, arrowRect);
        arrowRect_ = arrowRect;
    }
    style()->drawControl(QStyle::CE_HeaderLabel, &label, painter, this);
    painter->restore();
}

QSize SortArrowHeader::sectionSizeFromContents(int logicalIndex) const
{
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    size.rwidth() += ArrowSide + ArrowGap;
    return size;
}
