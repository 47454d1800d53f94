// SPDX-License-Identifier: MIT
#include "window/widgets/waitpanel.h"

#include <QPainter>

WaitPanel::WaitPanel(QWidget *parent)
    : QWidget(parent)
{
    setFont(PanelFont());
    setAutoFillBackground(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QFont WaitPanel::PanelFont()
{
    // Without Courier New the font matcher picks another typewriter face.
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(10);
    font.setBold(true);
    return font;
}

void WaitPanel::SetText(const QString &text)
{
    lines_.clear();
    for (QString line : text.split(u'\n')) {
        line.remove(u'\r');
        lines_.append(line);
    }
    update();
}

void WaitPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().text().color());
    const QFontMetrics metrics(font());
    int top = height() / 2;
    for (const QString &line : std::as_const(lines_)) {
        p.drawText(QRect(0, top, width(), metrics.height()), Qt::AlignHCenter | Qt::AlignTop, line);
        top += metrics.height();
    }
}
