// SPDX-License-Identifier: MIT
#include <anchorlib/anchor.h>

#include <anchorlib/anchorlib.h>

#include "frmabout.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace anchorlib {

namespace {

// The control's own extent: 480 x 465 twips.
constexpr QSize ControlSize(32, 31);

bool Letter(const QString &code, int position)
{
    return code.size() > position && code.at(position) == QLatin1Char('T');
}

} // namespace

Anchor::Anchor(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Anchor1"));
    setFixedSize(ControlSize);
    setVisible(false);
    AttachToForm();
}

Anchor::~Anchor()
{
    if (parentForm_)
        parentForm_->removeEventFilter(this);
    SetCurrentForm(nullptr);
}

void Anchor::Freeze(QWidget *window)
{
    if (window)
        window->setUpdatesEnabled(false);
}

void Anchor::UnFreeze(QWidget *window)
{
    if (!window)
        return;
    window->setUpdatesEnabled(true);
    if (window->isVisible())
        window->repaint();
}

void Anchor::DoInit()
{
    AttachToForm();
    anchorTags_.clear();
    QWidget *form = ParentForm();
    if (!form)
        return;

    const QString marker = QLatin1String(CodeMarker);
    for (QWidget *control : FormControls(form)) {
        const QString tag = TagOf(control);
        if (!tag.contains(marker))
            continue;
        anchorTags_.append({control, tag.left(4)});
        SetTag(control, tag.mid(6));
    }
    baseHeight_ = form->height();
    baseWidth_ = form->width();
}

void Anchor::DoResize()
{
    AttachToForm();
    QWidget *form = ParentForm();
    if (!form || (form->windowState() & Qt::WindowMinimized))
        return;

    Freeze(form);
    const int dH = form->height() - baseHeight_;
    const int dW = form->width() - baseWidth_;
    if (baseHeight_ != 0 && baseWidth_ != 0) {
        for (const AnchoredWidget &anchored : qAsConst(anchorTags_)) {
            QWidget *control = anchored.widget.data();
            const QString &code = anchored.code;
            if (!control || code.isEmpty() || code.endsWith(QLatin1String("FF")))
                continue;
            MoveVertically(control, code, dH);
            MoveHorizontally(control, code, dW);
        }
    }
    baseHeight_ = form->height();
    baseWidth_ = form->width();
    UnFreeze(form);
    emit AfterResize();
}

// A size below zero is refused and the widget keeps its old one.
void Anchor::MoveVertically(QWidget *widget, const QString &code, int dH)
{
    if (!Letter(code, 3))
        return;
    QRect geometry = widget->geometry();
    if (Letter(code, 1)) {
        if (geometry.height() + dH < 0)
            return;
        geometry.setHeight(geometry.height() + dH);
    } else {
        geometry.moveTop(geometry.top() + dH);
    }
    widget->setGeometry(geometry);
}

void Anchor::MoveHorizontally(QWidget *widget, const QString &code, int dW)
{
    if (!Letter(code, 2))
        return;
    QRect geometry = widget->geometry();
    if (Letter(code, 0)) {
        if (geometry.width() + dW < 0)
            return;
        geometry.setWidth(geometry.width() + dW);
    } else {
        geometry.moveLeft(geometry.left() + dW);
    }
    widget->setGeometry(geometry);
}

void Anchor::ShowAbout()
{
    frmAbout about(this);
    about.exec();
}

QString Anchor::AnchorCodeOf(const QWidget *widget) const
{
    for (const AnchoredWidget &anchored : anchorTags_) {
        if (anchored.widget == widget)
            return anchored.code;
    }
    return QString();
}

void Anchor::SetDesignMode(bool designMode)
{
    designMode_ = designMode;
    setVisible(designMode);
}

QSize Anchor::sizeHint() const
{
    return ControlSize;
}

// The form is the control's top-level window; it is known only once the
// control has been put on it, so look again whenever the parent changes.
void Anchor::AttachToForm()
{
    QWidget *form = parentWidget() ? window() : nullptr;
    if (form != parentForm_) {
        if (parentForm_)
            parentForm_->removeEventFilter(this);
        parentForm_ = form;
        if (form)
            form->installEventFilter(this);
    }
    if (form)
        SetCurrentForm(form);
}

bool Anchor::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange)
        AttachToForm();
    return QWidget::event(event);
}

bool Anchor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentForm_ && event->type() == QEvent::Resize)
        DoResize();
    return QWidget::eventFilter(watched, event);
}

void Anchor::paintEvent(QPaintEvent *)
{
    // An anchor on a light tile, seen only while the form is being designed.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(236, 236, 236));
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.drawRect(QRectF(0.5, 0.5, width() - 1, height() - 1));

    p.setPen(QPen(QColor(30, 60, 120), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(16, 6.5), 2.5, 2.5);
    p.drawLine(QPointF(16, 9), QPointF(16, 26));
    p.drawLine(QPointF(11, 13), QPointF(21, 13));
    QPainterPath arms;
    arms.moveTo(6, 18);
    arms.quadTo(8, 26, 16, 26);
    arms.quadTo(24, 26, 26, 18);
    p.drawPath(arms);
}

} // namespace anchorlib
