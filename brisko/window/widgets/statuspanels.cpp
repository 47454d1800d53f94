// SPDX-License-Identifier: MIT
#include "window/widgets/statuspanels.h"

#include <anchorlib/designscale.h>

#include <QHBoxLayout>
#include <QLabel>

StatusPanels::StatusPanels(QWidget *parent)
    : QFrame(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    // Panel 2 takes what the others leave. The widths were designed for a
    // small font and grow with the one shown.
    static constexpr int Widths[PanelCount] = {130, 0, 90, 150};
    const anchorlib::DesignScale scale(font());
    for (int i = 0; i < PanelCount; ++i) {
        auto *panel = new QLabel(this);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setContentsMargins(4, 0, 4, 0);
        // A panel is never narrower than designed, and widens to show a
        // longer text whole (a run's summary), taking room from panel 2.
        if (Widths[i] > 0)
            panel->setMinimumWidth(scale.X(Widths[i]));
        panel->setSizePolicy(Widths[i] > 0 ? QSizePolicy::Minimum : QSizePolicy::Ignored, QSizePolicy::Preferred);
        row->addWidget(panel, Widths[i] > 0 ? 0 : 1);
        panels_.append(panel);
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
    const QLabel *label = Panel(panel);
    return label ? label->text() : QString();
}

void StatusPanels::SetPanelText(int panel, const QString &text)
{
    if (QLabel *label = Panel(panel))
        label->setText(text);
}

bool StatusPanels::PanelVisible(int panel) const
{
    const QLabel *label = Panel(panel);
    return label && !label->isHidden();
}

void StatusPanels::SetPanelVisible(int panel, bool visible)
{
    if (QLabel *label = Panel(panel))
        label->setVisible(visible);
}
