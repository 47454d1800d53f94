#include "shell/globals.h"

bool ShowTip = false;
