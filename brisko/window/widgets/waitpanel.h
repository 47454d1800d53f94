// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <QWidget>

// The panel laid over the track list while files are read or a folder is
// searched: a few lines of text, the first starting at half the panel's
// height, every line centred, in a typewriter face.
class WaitPanel : public QWidget
{
    Q_OBJECT

public:
    explicit WaitPanel(QWidget *parent = nullptr);

    // Lines are split at line feeds; carriage returns are dropped.
    void SetText(const QString &text);
    const QStringList &Lines() const { return lines_; }

    // Courier New where it is installed, else the system's fixed-pitch face.
    static QFont PanelFont();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QStringList lines_;
};
