// SPDX-License-Identifier: MIT
#include "window/dialogs/frmtip.h"

#include "window/widgets/globals.h"

#include <anchorlib/designscale.h>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmTip::frmTip(QWidget *owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("frmTip"));
    setWindowTitle(QStringLiteral("Brisko"));
    setAttribute(Qt::WA_DeleteOnClose);

    lblTipHeader = new QLabel(tr("Did you know..."), this);
    lblTipHeader->setObjectName(QStringLiteral("lblTipHeader"));
    QFont headerFont = lblTipHeader->font();
    headerFont.setBold(true);
    headerFont.setPointSizeF(headerFont.pointSizeF() * 1.3);
    lblTipHeader->setFont(headerFont);

    lblTipText = new QLabel(tr("More features can be found by right clicking on the list "
                               "panel once files have been added.             For more "
                               "details view the help file by pressing F1"),
                            this);
    lblTipText->setObjectName(QStringLiteral("lblTipText"));
    lblTipText->setWordWrap(true);
    lblTipText->setFixedWidth(anchorlib::DesignScale(font()).X(340));

    chkLoadTipsAtStartup = new QCheckBox(tr("Don't Show This Again"), this);
    chkLoadTipsAtStartup->setObjectName(QStringLiteral("chkLoadTipsAtStartup"));
    cmdOK = new QPushButton(tr("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(chkLoadTipsAtStartup);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    auto *column = new QVBoxLayout(this);
    column->addWidget(lblTipHeader);
    column->addWidget(lblTipText);
    column->addSpacing(8);
    column->addLayout(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, [this] {
        if (chkLoadTipsAtStartup->isChecked())
            ShowTip = false;
        close();
    });
}

void frmTip::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QWidget *owner = parentWidget()) {
        QRect area = geometry();
        area.moveCenter(owner->geometry().center());
        move(area.topLeft());
    }
}
