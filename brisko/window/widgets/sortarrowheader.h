// SPDX-License-Identifier: MIT
#pragma once

#include <QHeaderView>
#include <QIcon>

// The track list's heading bar. It can show an arrow in one heading: right of
// the text when the text is left-aligned (or centred), left of it when it is
// right-aligned, so the arrow never covers the text's aligned edge.
class SortArrowHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit SortArrowHeader(QWidget *parent = nullptr);

    // Shows arrow in the heading of logicalIndex and in no other; -1 or an
    // empty icon shows none.
    void SetArrow(int logicalIndex, const QIcon &arrow);
    int ArrowSection() const { return arrowSection_; }
    // Where the arrow was drawn in its heading, in the bar's coordinates;
    // empty before it has been painted.
    QRect ArrowRect() const { return arrowRect_; }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    int arrowSection_ = -1;
    QIcon arrow_;
    mutable QRect arrowRect_;
};
