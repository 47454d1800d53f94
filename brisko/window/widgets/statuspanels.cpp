// SPDX-License-Identifier: MIT
#include "window/widgets/statuspanels.h"

#include <anchorlib/designscale.h>

#include <QEvent>
#include <QLabel>
#include <QtMath>

namespace {

constexpr int Margin = 2;  // around the panels and between them
constexpr int Padding = 4; // inside a panel, left and right of its text
// Panel 2 has no designed width: it takes what the others leave.
constexpr int DesignedWidths[StatusPanels::PanelCount] = {130, 0, 90, 150};
// Who gives up room first when the bar is too narrow: the kept picture's
// marker says it by being there, the file count is in the list itself, the
// run's count is said nowhere else, and the resize settings never.
constexpr int YieldOrder[StatusPanels::PanelCount] = {4, 1, 3, 2};

} // namespace

StatusPanels::StatusPanels(QWidget *parent)
    : QFrame(parent)
{
    for (int i = 0; i < PanelCount; ++i) {
        auto *panel = new QLabel(this);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        // A framed label indents its text by half an "x" more than the
        // padding below, and its last letters went past the panel's edge.
        panel->setIndent(0);
        panels_.append(panel);
        texts_.append(QString());
    }
    // Panel 4 says one thing only, and is shown while a picture is kept.
    SetPanelText(4, tr("Picture On Clipboard"));
    SetPanelVisible(4, false);
}

QLabel *StatusPanels::Panel(int panel) const
{
    return panel >= 1 && panel <= PanelCount ? panels_.at(panel - 1) : nullptr;
}

QString StatusPanels::PanelText(int panel) const
{
    return Panel(panel) ? texts_.at(panel - 1) : QString();
}

void StatusPanels::SetPanelText(int panel, const QString &text)
{
    if (!Panel(panel))
        return;
    texts_[panel - 1] = text;
    LayOutPanels();
}

bool StatusPanels::PanelVisible(int panel) const
{
    const QLabel *label = Panel(panel);
    return label && !label->isHidden();
}

void StatusPanels::SetPanelVisible(int panel, bool visible)
{
    if (QLabel *label = Panel(panel)) {
        label->setVisible(visible);
        LayOutPanels();
    }
}

void StatusPanels::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    LayOutPanels();
}

void StatusPanels::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        LayOutPanels();
}

void StatusPanels::LayOutPanels()
{
    const anchorlib::DesignScale scale(font());
    int widths[PanelCount] = {}; // first what the whole text needs
    int wanted[PanelCount] = {}; // with the designed width too
    int room = contentsRect().width() - Margin;
    for (int i = 0; i < PanelCount; ++i) {
        QLabel *label = panels_.at(i);
        if (label->isHidden())
            continue;
        // Set each time: a frame sized to nothing takes its padding away.
        label->setContentsMargins(Padding, 0, Padding, 0);
        // Fractions count: a text cut by one would be shortened.
        widths[i] = qCeil(QFontMetricsF(label->font()).horizontalAdvance(texts_.at(i))) + 2 * (Padding + label->frameWidth());
        wanted[i] = qMax(widths[i], scale.X(DesignedWidths[i]));
        room -= widths[i] + Margin;
    }
    for (const int panel : YieldOrder) { // too narrow: texts are shortened
        const int cut = qBound(0, -room, widths[panel - 1]);
        widths[panel - 1] -= cut;
        room += cut;
    }
    for (int i = 0; i < PanelCount && room > 0; ++i) { // room to spare
        const int grown = qMin(room, wanted[i] - widths[i]);
        widths[i] += grown;
        room -= grown;
    }
    widths[1] += qMax(room, 0);

    const QRect bar = contentsRect();
    int left = bar.left() + Margin;
    for (int i = 0; i < PanelCount; ++i) {
        QLabel *label = panels_.at(i);
        if (label->isHidden())
            continue;
        label->setGeometry(left, bar.top() + Margin, widths[i], bar.height() - 2 * Margin);
        left += widths[i] + Margin;
        const QString &text = texts_.at(i);
        label->setText(label->fontMetrics().elidedText(text, Qt::ElideRight, label->contentsRect().width()));
        label->setToolTip(label->text() == text ? QString() : text);
        label->setAccessibleName(text);
    }
}
