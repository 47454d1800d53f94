// SPDX-License-Identifier: MIT
#include "window/dialogs/keptpicture.h"

QImage KeptPicture;
