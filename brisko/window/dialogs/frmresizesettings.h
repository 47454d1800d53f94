// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QDialogButtonBox;
class QSpinBox;

// Options > "Picture Size and Quality…": the size the longer side of each
// picture is resized to, and the JPEG quality it is written at, each within
// the range a conversion allows. The window takes them on OK.
class frmResizeSettings : public QDialog
{
    Q_OBJECT

public:
    frmResizeSettings(int size, int quality, QWidget *owner);

    int Size() const;
    int Quality() const;

    QSpinBox *txtSize;
    QSpinBox *txtQuality;
    QDialogButtonBox *cmdButtons;
};
