// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QWidget>

// A form's client area whose widgets sit where they were designed and are
// moved by the form's Anchor, except the two strips aligned to its top and
// bottom edges, which always span the whole width.
class FormSurface : public QWidget
{
    Q_OBJECT

public:
    explicit FormSurface(QWidget *parent = nullptr);

    void AlignTop(QWidget *strip) { top_ = strip; PlaceStrips(); }
    void AlignBottom(QWidget *strip) { bottom_ = strip; PlaceStrips(); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void PlaceStrips();

    QPointer<QWidget> top_;
    QPointer<QWidget> bottom_;
};
