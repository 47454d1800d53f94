// SPDX-License-Identifier: MIT
#include "frmabout.h"

#include <anchorlib/anchorlib.h>
#include <anchorlib/designscale.h>

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace anchorlib {

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + Title());

    auto *lblTitle = new QLabel(Title(), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);

    auto *lblVersion = new QLabel(QStringLiteral("Version ") + VersionText(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    auto *lblDescription =
        new QLabel(QStringLiteral("ActiveX control for anchoring objects on a form."), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);

    auto *cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(lblVersion);
    layout->addSpacing(8);
    layout->addWidget(lblDescription);
    layout->addSpacing(8);
    layout->addWidget(cmdOK, 0, Qt::AlignRight);
    setMinimumWidth(DesignScale(font()).X(320));
}

} // namespace anchorlib
