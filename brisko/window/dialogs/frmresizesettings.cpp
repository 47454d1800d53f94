// SPDX-License-Identifier: MIT
#include "window/dialogs/frmresizesettings.h"

#include "engine/convert/cmdline.h"
#include "window/widgets/msgbox.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace {

// Takes digits only, and any number of them up to five: a number out of
// range is shown as typed and told on OK, not cut short while typing.
QLineEdit *NumberBox(const char *name, int value, QWidget *parent)
{
    auto *box = new QLineEdit(QString::number(value), parent);
    box->setObjectName(QLatin1String(name));
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,5}")), box));
    return box;
}

// Whether the box holds a number from minimum to maximum; if not, the user
// is told so and the box is ready for another.
bool InRange(QLineEdit *box, int minimum, int maximum, const QString &message)
{
    const int value = box->text().toInt();
    if (!box->text().isEmpty() && value >= minimum && value <= maximum)
        return true;
    MsgBox(message.arg(minimum).arg(maximum), Msg::Exclamation, QString(), box->window());
    box->setFocus();
    box->selectAll();
    return false;
}

} // namespace

frmResizeSettings::frmResizeSettings(int size, int quality, int largestKB, QWidget *owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("frmResizeSettings"));
    setWindowTitle(tr("Picture Size and Quality"));
    txtSize = NumberBox("txtSize", size, this);
    txtQuality = NumberBox("txtQuality", quality, this);
    txtLargest = NumberBox("txtLargest", largestKB, this);
    cmdButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    cmdButtons->setObjectName(QStringLiteral("cmdButtons"));

    auto *form = new QFormLayout(this);
    form->addRow(tr("Picture &size (%1–%2 pixels):").arg(MinTargetSize).arg(MaxTargetSize), txtSize);
    form->addRow(tr("JPEG &quality (%1–%2):").arg(MinQuality).arg(MaxQuality), txtQuality);
    form->addRow(tr("&Largest picture (KB), 0 for none:"), txtLargest);
    form->addRow(cmdButtons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(cmdButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    txtSize->setFocus();
    txtSize->selectAll(); // a number typed replaces the old one
}

int frmResizeSettings::Size() const
{
    return txtSize->text().toInt();
}

int frmResizeSettings::Quality() const
{
    return txtQuality->text().toInt();
}

void frmResizeSettings::accept()
{
    if (InRange(txtSize, MinTargetSize, MaxTargetSize, tr("The picture size must be %1 to %2 pixels."))
        && InRange(txtQuality, MinQuality, MaxQuality, tr("The JPEG quality must be %1 to %2."))
        && InRange(txtLargest, 0, MaxLargestPictureKB, tr("The largest picture must be %1 to %2 KB.")))
        QDialog::accept();
}

int frmResizeSettings::LargestPictureKB() const
{
    return txtLargest->text().toInt();
}
