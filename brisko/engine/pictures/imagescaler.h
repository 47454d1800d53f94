// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/pictures/image.h"

#include <QSize>

// The picture at exactly size, opaque (transparent parts over white). Each
// side is averaged over the pixels a new pixel covers where it shrinks (a
// box filter: nothing is skipped, so fine stripes turn grey instead of
// flickering), and interpolated between the two nearest pixels where it
// grows (bilinear). It works a row at a time: besides the two pictures it
// holds two rows. Fails with 50003 when there is no picture, no size or
// no memory.
Result<Image> ScaledImage(const Image &image, QSize size);
