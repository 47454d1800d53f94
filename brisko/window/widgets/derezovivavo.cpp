// SPDX-License-Identifier: MIT
#include "window/widgets/derezovivavo.h"

#include "window/widgets/msgbox.h"
#include "window/widgets/olecolor.h"

#include <QPainter>

#include <cmath>

DeRezovivAvo::DeRezovivAvo(QWidget *parent)
    : QWidget(parent)
{
}

void DeRezovivAvo::SetValue(int value)
{
    value_ = value;
    update();
}

void DeRezovivAvo::SetCaption(const QString &caption)
{
    caption_ = caption;
    update();
}

void DeRezovivAvo::SetMax(int max)
{
    if (max < 1) {
        MsgBox(tr("Invalid property value."), Msg::OKOnly | Msg::Exclamation,
               QStringLiteral("KvProgressBar"), this);
        return;
    }
    max_ = max;
}

void DeRezovivAvo::SetBackColor(quint32 colour)
{
    backColor_ = colour;
    update();
}

void DeRezovivAvo::SetForeColor(quint32 colour)
{
    foreColor_ = colour;
    update();
}

void DeRezovivAvo::SetFillColor(quint32 colour)
{
    fillColor_ = colour;
    update();
}

void DeRezovivAvo::SetFont(const QFont &font)
{
    setFont(font);
    update();
}

float DeRezovivAvo::FillFraction() const
{
    if (value_ < 0)
        return 1.0f;
    return float((1.0 / max_) * value_);
}

QString DeRezovivAvo::DisplayText() const
{
    if (value_ < 0)
        return caption_;
    const double percent = std::round(double(FillFraction()) * 100.0);
    return caption_ + QLatin1Char(' ') + QString::number(percent, 'f', 0) + QLatin1Char('%');
}

void DeRezovivAvo::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF area = rect();
    painter.fillRect(area, ToQColor(backColor_, palette()));
    // Nothing is clipped: past the maximum the bar is simply full.
    painter.fillRect(QRectF(0, 0, area.width() * double(FillFraction()), area.height()),
                     ToQColor(fillColor_, palette()));

    const QString text = DisplayText();
    const QFontMetricsF metrics(font());
    const qreal textWidth = metrics.horizontalAdvance(text);
    const qreal lineHeight = metrics.height(); // the height of "000"
    const QPointF topLeft((area.width() - textWidth) / 2 - 1, (area.height() - lineHeight) / 2 - 1);
    painter.setPen(ToQColor(foreColor_, palette()));
    painter.drawText(QRectF(topLeft, QSizeF(textWidth + 1, lineHeight)),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}
