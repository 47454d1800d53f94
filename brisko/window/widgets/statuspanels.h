// SPDX-License-Identifier: MIT
#pragma once

#include <QFrame>
#include <QVector>

class QLabel;

// The main window's status bar: four sunken panels along the bottom edge,
// numbered 1 to 4. Panel 1 holds what the user can do next or the file
// count, panel 2 the resize settings, panel 4 "Picture On Clipboard".
//
// Each panel is as wide as its text and its designed width need; panel 2
// takes what the others leave. When the bar is too narrow for every text,
// panel 4, then 1, then 3 shorten theirs (the whole text in their tool
// tip), so that the resize settings always show whole.
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

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QLabel *Panel(int panel) const;
    void LayOutPanels();

    QVector<QLabel *> panels_;
    QStringList texts_; // whole, whatever a narrow bar shows of them
};
