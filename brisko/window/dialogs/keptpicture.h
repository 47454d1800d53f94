// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

// The replacement picture the picture and tag dialog last received. It outlives
// the dialog while the user keeps it ("Keep picture on clipboard") and is
// written again at every save until it is cleared. Null when there is none.
extern QImage KeptPicture;
