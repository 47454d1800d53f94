// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

// The start-up tip. Ticking "Don't Show This Again" and pressing OK turns the
// tip off for later starts.
class frmTip : public QDialog
{
    Q_OBJECT

public:
    explicit frmTip(QWidget *owner);

    QLabel *lblTipHeader;
    QLabel *lblTipText;
    QCheckBox *chkLoadTipsAtStartup;
    QPushButton *cmdOK;

protected:
    void showEvent(QShowEvent *event) override;
};
