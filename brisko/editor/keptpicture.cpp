#include "editor/keptpicture.h"

QImage KeptPicture;
