// SPDX-License-Identifier: MIT
#pragma once

#include "engine/pictures/image.h"

#include <QSize>

// The picture at exactly size, opaque (transparent parts over white). Each
// side is averaged over the pixels a new pixel covers where it shrinks (a
// box filter: nothing is skipped, so fine stripes turn grey instead of
// flickering), and interpolated between the two nearest pixels where it
// grows (bilinear). It works a row at a time: besides the two pictures it
// holds two rows. Null when there is no memory.
Image ScaledImage(const Image &image, QSize size);
