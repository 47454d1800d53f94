// SPDX-License-Identifier: MIT
#include "window/widgets/globals.h"

bool ShowTip = false;
