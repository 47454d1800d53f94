// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: the program's name, version and the address for questions.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget *owner);

    static QString SupportAddress();
    // "mailto:" + the address + "?subject=" + the program's title.
    static QString MailLink();

    QLabel *lblTitle;
    QLabel *lblVersion;
    QLabel *lblDescription;
    QLabel *lblContact;
    QPushButton *cmdOK;

    // Opens the mail link; tells the user when no mail program answers.
    void ContactClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
};
