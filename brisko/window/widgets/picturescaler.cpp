// SPDX-License-Identifier: MIT
#include "window/widgets/picturescaler.h"

#include "base/briskoerror.h"
#include "window/widgets/olecolor.h"

#include <QAccessibleWidget>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QtMath>

namespace {

int ShiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
        | (modifiers & Qt::AltModifier ? 4 : 0);
}

int ButtonCode(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0)
        | (buttons & Qt::MiddleButton ? 4 : 0);
}

int EffectOf(Qt::DropActions actions)
{
    return (actions & Qt::CopyAction ? 1 : 0) | (actions & Qt::MoveAction ? 2 : 0);
}

// Screen readers meet the control as a picture, named and described by the
// form that shows it.
QAccessibleInterface *AccessiblePicture(const QString &className, QObject *object)
{
    if (className != QLatin1String("PictureScaler") || !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Graphic);
}

} // namespace

QRectF PicturePlacement(float width, float height, float areaWidth, float areaHeight,
                        bool stretch, bool center)
{
    if (!(width > 0 && height > 0))
        return QRectF();
    const float aspect = width / height;

    if (!stretch && width < areaWidth && height < areaHeight) {
        const float left = center ? (areaWidth - width) / 2 : 0.0f;
        const float top = center ? (areaHeight - height) / 2 : 0.0f;
        return QRectF(left, top, width, height);
    }

    const float r = (areaWidth / aspect) / areaHeight;
    if (r > 1) {
        const float drawnWidth = areaHeight * aspect;
        const float left = center ? (areaWidth - drawnWidth) / 2 : 0.0f;
        return QRectF(left, 0, drawnWidth, areaHeight);
    }
    const float drawnHeight = areaWidth / aspect;
    const float top = center ? (areaHeight - drawnHeight) / 2 : 0.0f;
    return QRectF(0, top, areaWidth, drawnHeight);
}

PictureScaler::PictureScaler(QWidget *parent)
    : QFrame(parent)
{
    static const bool accessible = (QAccessible::installFactory(AccessiblePicture), true);
    Q_UNUSED(accessible)
    setFocusPolicy(Qt::ClickFocus);
    setAcceptDrops(false);
    ApplyLook();
}

void PictureScaler::SetPicture(const QImage &picture)
{
    picture_ = picture;
    Redraw();
}

void PictureScaler::SetStretch(bool stretch)
{
    stretch_ = stretch;
    Redraw();
}

void PictureScaler::SetCenterImage(bool center)
{
    center_ = center;
    Redraw();
}

void PictureScaler::SetAppearance(int appearance)
{
    if (!designMode_)
        throw MakeError(ErrorNumber::ReadOnlyAtRunTime);
    appearance_ = appearance;
    ApplyLook();
}

void PictureScaler::SetBorderStyle(int borderStyle)
{
    borderStyle_ = borderStyle;
    ApplyLook();
}

void PictureScaler::SetBackColor(quint32 colour)
{
    backColor_ = colour;
    ApplyLook();
}

void PictureScaler::SetOLEDropMode(int mode)
{
    setAcceptDrops(mode == 1);
}

// A picture's size is whole pixels already, so there is nothing to round.
int PictureScaler::PixelsX() const
{
    return picture_.width();
}

int PictureScaler::PixelsY() const
{
    return picture_.height();
}

void PictureScaler::ApplyLook()
{
    if (borderStyle_ == 0)
        setFrameStyle(QFrame::NoFrame);
    else if (appearance_ == 0)
        setFrameStyle(QFrame::Box | QFrame::Plain);
    else
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setLineWidth(1);
    Redraw();
}

void PictureScaler::Redraw()
{
    const QRect area = contentsRect();
    const QRectF placed = PicturePlacement(float(picture_.width()), float(picture_.height()),
                                           float(area.width()), float(area.height()), stretch_,
                                           center_);
    drawnRect_ = placed.isEmpty() ? QRectF() : placed.translated(area.topLeft());
    shown_ = QImage();

    // A smooth painter only blends neighbouring pixels; for a large reduction
    // average the picture down first so it does not shimmer.
    if (!drawnRect_.isEmpty()) {
        const qreal ratio = devicePixelRatioF();
        const QSize target(qCeil(drawnRect_.width() * ratio), qCeil(drawnRect_.height() * ratio));
        if (target.width() * 2 < picture_.width() || target.height() * 2 < picture_.height())
            shown_ = picture_.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    update();
}

void PictureScaler::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(contentsRect(), ToQColor(backColor_, palette()));
    if (drawnRect_.isEmpty())
        return;
    painter.setClipRect(contentsRect());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(drawnRect_, shown_.isNull() ? picture_ : shown_);
}

void PictureScaler::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    Redraw();
    emit Resize();
}

void PictureScaler::keyPressEvent(QKeyEvent *event)
{
    emit KeyDown(event->key(), ShiftState(event->modifiers()));
    if (!event->text().isEmpty())
        emit KeyPress(event->text().at(0).unicode());
}

void PictureScaler::keyReleaseEvent(QKeyEvent *event)
{
    emit KeyUp(event->key(), ShiftState(event->modifiers()));
}

void PictureScaler::mousePressEvent(QMouseEvent *event)
{
    pressed_ = true;
    emit MouseDown(ButtonCode(event->button()), ShiftState(event->modifiers()),
                   float(event->position().x()), float(event->position().y()));
}

void PictureScaler::mouseReleaseEvent(QMouseEvent *event)
{
    emit MouseUp(ButtonCode(event->button()), ShiftState(event->modifiers()),
                 float(event->position().x()), float(event->position().y()));
    if (pressed_ && rect().contains(event->position().toPoint()))
        emit Click();
    pressed_ = false;
}

void PictureScaler::mouseDoubleClickEvent(QMouseEvent *)
{
    emit DblClick();
}

void PictureScaler::PassDrag(QDropEvent *event, int state)
{
    int effect = EffectOf(event->possibleActions());
    const QPointF at = event->position();
    const int button = ButtonCode(event->buttons());
    const int shift = ShiftState(event->modifiers());
    if (event->type() == QEvent::Drop)
        emit OLEDragDrop(event->mimeData(), &effect, button, shift, float(at.x()), float(at.y()));
    else
        emit OLEDragOver(event->mimeData(), &effect, button, shift, float(at.x()), float(at.y()),
                         state);

    if (effect & 1)
        event->setDropAction(Qt::CopyAction);
    else if (effect & 2)
        event->setDropAction(Qt::MoveAction);
    if (effect & 3)
        event->accept();
    else
        event->ignore();
}

void PictureScaler::dragEnterEvent(QDragEnterEvent *event)
{
    PassDrag(event, 0);
}

void PictureScaler::dragMoveEvent(QDragMoveEvent *event)
{
    PassDrag(event, 2);
}

void PictureScaler::dragLeaveEvent(QDragLeaveEvent *)
{
    int effect = 0;
    emit OLEDragOver(nullptr, &effect, 0, 0, 0, 0, 1);
}

void PictureScaler::dropEvent(QDropEvent *event)
{
    PassDrag(event, 0);
}
