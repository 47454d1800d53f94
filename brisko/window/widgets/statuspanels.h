// SPDX-License-Identifier: MIT
#pragma once

#include <QFrame>
#include <QVector>

class QLabel;

// The main window's status bar: four sunken panels along the bottom edge,
// numbered 1 to 4. Panel 1 holds what the user can do next or the file
// count, panel 2 the resize settings, panel 4 "Picture On Clipboard".
class StatusPanels : public QFrame
{
    Q_OBJECT

public:
    static constexpr int PanelCount = 4;

    explicit StatusPanels(QWidget *parent = nullptr);

    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString &text);
    bool PanelVisible(int panel) const;
    void SetPanelVisible(int panel, bool visible);

private:
    QLabel *Panel(int panel) const;

    QVector<QLabel *> panels_;
};
