// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;

// Options > "Picture Size and Quality…": the size the longer side of each
// picture is resized to, the JPEG quality it is written at, each within the
// range a conversion allows, and the largest a new picture may be (0: no
// limit). The window takes them on OK; a number out of its range is told,
// and the dialog stays open for it.
class frmResizeSettings : public QDialog
{
    Q_OBJECT

public:
    frmResizeSettings(int size, int quality, int largestKB, QWidget *owner);

    int Size() const;
    int Quality() const;
    int LargestPictureKB() const;

    void accept() override;

    QLineEdit *txtSize;
    QLineEdit *txtQuality;
    QLineEdit *txtLargest;
    QDialogButtonBox *cmdButtons;
};
