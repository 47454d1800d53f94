#include "window/dialogs/keptpicture.h"

QImage KeptPicture;
