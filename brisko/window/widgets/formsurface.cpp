// SPDX-License-Identifier: MIT
#include "window/widgets/formsurface.h"

FormSurface::FormSurface(QWidget *parent)
    : QWidget(parent)
{
}

void FormSurface::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PlaceStrips();
}

void FormSurface::PlaceStrips()
{
    if (top_)
        top_->setGeometry(0, 0, width(), top_->height());
    if (bottom_)
        bottom_->setGeometry(0, height() - bottom_->height(), width(), bottom_->height());
}
