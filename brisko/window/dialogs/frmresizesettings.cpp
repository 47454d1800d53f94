// SPDX-License-Identifier: MIT
#include "window/dialogs/frmresizesettings.h"

#include "engine/convert/cmdline.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

namespace {

QSpinBox *NumberBox(const char *name, int minimum, int maximum, int value, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(minimum, maximum);
    box->setValue(value);
    return box;
}

} // namespace

frmResizeSettings::frmResizeSettings(int size, int quality, QWidget *owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("frmResizeSettings"));
    setWindowTitle(tr("Picture Size and Quality"));
    txtSize = NumberBox("txtSize", MinTargetSize, MaxTargetSize, size, this);
    txtQuality = NumberBox("txtQuality", MinQuality, MaxQuality, quality, this);
    cmdButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    cmdButtons->setObjectName(QStringLiteral("cmdButtons"));

    auto *form = new QFormLayout(this);
    form->addRow(tr("Picture &size (%1–%2 pixels):").arg(MinTargetSize).arg(MaxTargetSize), txtSize);
    form->addRow(tr("JPEG &quality (%1–%2):").arg(MinQuality).arg(MaxQuality), txtQuality);
    form->addRow(cmdButtons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(cmdButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    txtSize->setFocus();
    txtSize->selectAll(); // a number typed replaces the old one
}

int frmResizeSettings::Size() const
{
    return txtSize->value();
}

int frmResizeSettings::Quality() const
{
    return txtQuality->value();
}
