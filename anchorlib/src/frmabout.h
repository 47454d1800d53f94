// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

namespace anchorlib {

// The library's about box: title, version and what the library is for.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);
};

} // namespace anchorlib
