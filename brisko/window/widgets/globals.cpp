#include "window/widgets/globals.h"

bool ShowTip = false;
