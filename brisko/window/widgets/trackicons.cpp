// SPDX-License-Identifier: MIT
#include "window/widgets/trackicons.h"

#include "window/widgets/artwork.h"
#include "window/widgets/trackrow.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace {

// Icons are drawn on a 16 x 16 grid and rendered at 16 and 32 pixels so they
// stay sharp on high-density screens.
using Drawing = void (*)(QPainter &);

void DrawPictureFrame(QPainter &p, const QColor &sky, const QColor &land)
{
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(sky);
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(land);
    QPainterPath hills;
    hills.moveTo(2, 13);
    hills.lineTo(6, 7.5);
    hills.lineTo(9, 10.5);
    hills.lineTo(11, 8.5);
    hills.lineTo(14, 13);
    hills.closeSubpath();
    p.drawPath(hills);
}

void DrawNoPicture(QPainter &p)
{
    DrawPictureFrame(p, QColor(235, 235, 235), QColor(180, 180, 180));
    p.setPen(QPen(QColor(120, 120, 120), 1.5));
    p.drawLine(QPointF(2, 13), QPointF(14, 3));
}

void DrawUnchanged(QPainter &p)
{
    DrawPictureFrame(p, QColor(120, 180, 240), QColor(40, 130, 60));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 220, 60));
    p.drawEllipse(QPointF(11, 5.5), 1.5, 1.5);
}

void DrawDisc(QPainter &p, const QColor &colour)
{
    p.setPen(QPen(colour.darker(130), 1));
    p.setBrush(colour);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
}

void DrawResized(QPainter &p)
{
    DrawDisc(p, QColor(40, 160, 70));
    p.drawPolyline(QPolygonF({QPointF(4.5, 8), QPointF(7, 10.5), QPointF(11.5, 5.5)}));
}

void DrawChanged(QPainter &p)
{
    // A luggage tag: the tag fields were written.
    p.setPen(QPen(QColor(30, 100, 50), 1));
    p.setBrush(QColor(90, 190, 110));
    p.drawPolygon(QPolygonF({QPointF(1.5, 8), QPointF(6, 3.5), QPointF(14.5, 3.5),
                             QPointF(14.5, 12.5), QPointF(6, 12.5)}));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(5.5, 8), 1.2, 1.2);
}

void DrawFailed(QPainter &p)
{
    DrawDisc(p, QColor(205, 40, 40));
    p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
    p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
}

void DrawWorking(QPainter &p)
{
    DrawDisc(p, QColor(235, 150, 20));
    p.drawArc(QRectF(4.5, 4.5, 7, 7), 30 * 16, 270 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(10.2, 3.2), QPointF(12.8, 6.8), QPointF(8.6, 6.9)}));
}

} // namespace

QIcon TrackListIcon(int index)
{
    static QHash<int, QIcon> cache;
    const auto cached = cache.constFind(index);
    if (cached != cache.constEnd())
        return cached.value();

    Drawing draw = nullptr;
    switch (index) {
    case IconNoPicture: draw = DrawNoPicture; break;
    case IconUnchanged: draw = DrawUnchanged; break;
    case IconResized: draw = DrawResized; break;
    case IconChanged: draw = DrawChanged; break;
    case IconFailed: draw = DrawFailed; break;
    case IconWorking: draw = DrawWorking; break;
    default: return QIcon();
    }
    const QIcon icon = DrawnIcon({16, 32}, 16, draw);
    cache.insert(index, icon);
    return icon;
}
