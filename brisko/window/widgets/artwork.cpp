// SPDX-License-Identifier: MIT
#include "window/widgets/artwork.h"

#include "base/translation.h"

#include <QCoreApplication>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QColor Teal(24, 112, 138);
const QColor Amber(242, 140, 40);

// A colour part of the way from one colour to another.
QColor Blend(const QColor &from, const QColor &to, qreal part)
{
    return QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * part,
                            from.greenF() + (to.greenF() - from.greenF()) * part,
                            from.blueF() + (to.blueF() - from.blueF()) * part);
}

// The record's colours: a dark disc for the program's icon, which desktops
// show on any background; the text colour of the palette where the logo sits
// on a window, so it stands out in dark themes as well as in light ones.
struct DiscColours
{
    QColor centre, edge, grooves;
};

const DiscColours IconDisc{QColor(70, 80, 90), QColor(20, 26, 32), QColor(255, 255, 255, 28)};

DiscColours DiscOn(const QColor &text, const QColor &background)
{
    QColor grooves = background;
    grooves.setAlpha(60);
    return {Blend(text, background, 0.3), text, grooves};
}

QImage Canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A record with a small picture laid over it and two arrows pointing inwards:
// album art made smaller. Drawn in a 100 x 100 box.
void DrawEmblem(QPainter &p, const DiscColours &disc = IconDisc)
{
    QRadialGradient vinyl(QPointF(50, 50), 46);
    vinyl.setColorAt(0, disc.centre);
    vinyl.setColorAt(1, disc.edge);
    p.setPen(Qt::NoPen);
    p.setBrush(vinyl);
    p.drawEllipse(QPointF(50, 50), 46, 46);
    p.setPen(QPen(disc.grooves, 1));
    p.setBrush(Qt::NoBrush);
    for (int r = 20; r <= 42; r += 5)
        p.drawEllipse(QPointF(50, 50), r, r);

    // The cover, shrunk: a small landscape in a white frame.
    const QRectF cover(32, 32, 36, 36);
    p.setPen(QPen(Qt::white, 2.5));
    QLinearGradient sky(cover.topLeft(), cover.bottomLeft());
    sky.setColorAt(0, QColor(120, 190, 240));
    sky.setColorAt(1, QColor(200, 230, 250));
    p.setBrush(sky);
    p.drawRect(cover);
    p.setPen(Qt::NoPen);
    p.setBrush(Teal);
    QPainterPath hills;
    hills.moveTo(cover.left(), cover.bottom());
    hills.lineTo(cover.left() + 12, cover.top() + 18);
    hills.lineTo(cover.left() + 21, cover.top() + 27);
    hills.lineTo(cover.left() + 27, cover.top() + 21);
    hills.lineTo(cover.right(), cover.bottom());
    hills.closeSubpath();
    p.drawPath(hills);
    p.setBrush(Amber);
    p.drawEllipse(QPointF(cover.right() - 8, cover.top() + 9), 4, 4);

    // Arrows from two corners towards the cover.
    p.setPen(QPen(Amber, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(10, 10), QPointF(25, 25));
    p.drawPolyline(QPolygonF({QPointF(15, 25), QPointF(25, 25), QPointF(25, 15)}));
    p.drawLine(QPointF(90, 90), QPointF(75, 75));
    p.drawPolyline(QPolygonF({QPointF(85, 75), QPointF(75, 75), QPointF(75, 85)}));
}

QFont BoldFont(qreal pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setBold(true);
    return font;
}

// A 146 x 146 card with a dashed frame, an emblem and a few centred lines,
// in the palette's text colour on its base colour, as an empty field is.
QImage Card(const QString &heading, const QString &text, bool dashed,
            void (*emblem)(QPainter &, const QPalette &), const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Base);
    const QColor ink = palette.color(QPalette::Text);
    QImage image = Canvas(146, 146);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(QPen(Blend(ink, base, 0.5), 1.5, dashed ? Qt::DashLine : Qt::SolidLine));
    p.setBrush(base);
    p.drawRoundedRect(QRectF(2, 2, 142, 142), 8, 8);
    p.save();
    p.translate(53, 14);
    p.scale(0.4, 0.4);
    emblem(p, palette);
    p.restore();
    p.setPen(ink);
    p.setFont(BoldFont(12));
    p.drawText(QRectF(6, 60, 134, 18), Qt::AlignCenter, heading);
    QFont small = BoldFont(10);
    small.setBold(false);
    p.setFont(small);
    p.setPen(Blend(ink, base, 0.2));
    p.drawText(QRectF(8, 80, 130, 60), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
    return image;
}

void DrawStack(QPainter &p, const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Base);
    const QColor ink = palette.color(QPalette::Text);
    p.setPen(QPen(ink, 4));
    for (int i = 2; i >= 0; --i) {
        p.setBrush(i == 0 ? QColor(120, 190, 240) : Blend(ink, base, 0.85));
        p.drawRect(QRectF(18 + i * 12, 30 - i * 12, 56, 56));
    }
}

void DrawPlus(QPainter &p, const QPalette &)
{
    p.setPen(QPen(Teal, 5, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(14, 6, 72, 72), 8, 8);
    p.setPen(QPen(Amber, 9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(50, 24), QPointF(50, 60));
    p.drawLine(QPointF(32, 42), QPointF(68, 42));
}

void DrawEmptyFrame(QPainter &p, const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Base);
    const QColor ink = palette.color(QPalette::Text);
    p.setPen(QPen(Blend(ink, base, 0.5), 4));
    p.setBrush(Blend(ink, base, 0.85));
    p.drawRect(QRectF(16, 8, 68, 68));
    p.setPen(QPen(QColor(180, 60, 60), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24, 68), QPointF(76, 16));
}

} // namespace

QImage LogoPicture(int side, const QPalette &palette)
{
    const QColor ink = palette.color(QPalette::WindowText);
    const QColor background = palette.color(QPalette::Window);
    QImage image = Canvas(side, side);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(side / 150.0, side / 150.0);
    p.save();
    p.translate(25, 6);
    DrawEmblem(p, DiscOn(ink, background));
    p.restore();
    p.setPen(ink);
    p.setFont(BoldFont(24));
    p.drawText(QRectF(0, 108, 150, 28), Qt::AlignCenter, QStringLiteral("Brisko"));
    QFont tagline = BoldFont(10);
    tagline.setBold(false);
    p.setFont(tagline);
    p.setPen(Blend(ink, background, 0.25));
    p.drawText(QRectF(0, 134, 150, 14), Qt::AlignCenter,
               QCoreApplication::translate("Window", "album art for players"));
    return image;
}

QImage LogoBanner(int height, const QPalette &palette)
{
    const QColor ink = palette.color(QPalette::WindowText);
    const int width = height * 4;
    QImage image = Canvas(width, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.save();
    p.scale(height / 100.0, height / 100.0);
    DrawEmblem(p, DiscOn(ink, palette.color(QPalette::Window)));
    p.restore();
    p.setPen(ink);
    p.setFont(BoldFont(height * 0.62));
    p.drawText(QRectF(height * 1.15, 0, width - height * 1.15, height),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Brisko"));
    return image;
}

namespace {

QImage DrawnImage(int side, qreal grid, const std::function<void(QPainter &)> &draw)
{
    QImage image = Canvas(side, side);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / grid, side / grid);
    draw(painter);
    painter.end();
    return image;
}

} // namespace

QIcon DrawnIcon(std::initializer_list<int> sides, qreal grid, const std::function<void(QPainter &)> &draw)
{
    QIcon icon;
    for (const int side : sides)
        icon.addPixmap(QPixmap::fromImage(DrawnImage(side, grid, draw)));
    return icon;
}

QIcon AppIcon()
{
    return DrawnIcon({16, 24, 32, 48, 64, 128, 256}, 100, [](QPainter &p) { DrawEmblem(p); });
}

QImage AppIconImage(int side)
{
    return DrawnImage(side, 100, [](QPainter &p) { DrawEmblem(p); });
}

QIcon StopPicture(bool active)
{
    return DrawnIcon({16, 32}, 16, [active](QPainter &p) {
        const QColor fill = active ? QColor(210, 40, 40) : QColor(170, 170, 170);
        // An octagon, the shape of a stop sign.
        QPolygonF octagon;
        for (const auto &[x, y] : {std::pair{5.0, 1.0}, {11.0, 1.0}, {15.0, 5.0}, {15.0, 11.0},
                                   {11.0, 15.0}, {5.0, 15.0}, {1.0, 11.0}, {1.0, 5.0}})
            octagon << QPointF(x, y);
        p.setPen(QPen(fill.darker(140), 0.8));
        p.setBrush(fill);
        p.drawPolygon(octagon);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 7, 7, 2));
    });
}

QImage PlaceholderPicture(Placeholder which, const QPalette &palette)
{
    if (which == Placeholder::SeveralSelected)
        return Card(QCoreApplication::translate("Window", "No Preview"),
                    QCoreApplication::translate("Window", "Several items are selected."), false, DrawStack,
                    palette);
    return Card(QCoreApplication::translate("Window", "New Picture"),
                QCoreApplication::translate("Window", "Add, paste or drag in a picture. It will be resized "
                                                      "to the current settings."),
                true, DrawPlus, palette);
}

QImage NoPictureImage(const QString &why, const QPalette &palette)
{
    QString text = QCoreApplication::translate("Window", "This file holds no album art.");
    if (!why.isEmpty()) {
        const QString shown = ShownText(why);
        text = shown.left(1).toUpper() + shown.mid(1) + u'.';
    }
    return Card(QCoreApplication::translate("Window", "No Picture"), text, false, DrawEmptyFrame, palette);
}

QImage UnreadableFileImage(const QString &why, const QPalette &palette)
{
    return Card(QCoreApplication::translate("Window", "No Picture"),
                QCoreApplication::translate("Window", "This file cannot be read: %1.").arg(ShownText(why)), false,
                DrawEmptyFrame, palette);
}

QImage MissingFileImage(const QPalette &palette)
{
    return Card(QCoreApplication::translate("Window", "No Picture"),
                QCoreApplication::translate("Window", "This file is missing."), false, DrawEmptyFrame, palette);
}

QImage PngMarker()
{
    QImage image = Canvas(34, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Teal);
    p.drawRoundedRect(QRectF(0.5, 0.5, 33, 15), 4, 4);
    p.setPen(Qt::white);
    p.setFont(BoldFont(11));
    p.drawText(QRectF(0, 0, 34, 16), Qt::AlignCenter, QStringLiteral("PNG"));
    return image;
}

QIcon HeadingArrowImage(int index)
{
    if (index != 0 && index != 1)
        return QIcon();
    return DrawnIcon({10, 20}, 10, [index](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(90, 90, 90));
        if (index == 0)
            p.drawPolygon(QPolygonF({QPointF(1, 7.5), QPointF(9, 7.5), QPointF(5, 2.5)}));
        else
            p.drawPolygon(QPolygonF({QPointF(1, 2.5), QPointF(9, 2.5), QPointF(5, 7.5)}));
    });
}
