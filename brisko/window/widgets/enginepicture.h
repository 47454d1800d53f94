// SPDX-License-Identifier: MIT
#pragma once

#include "engine/pictures/image.h"

#include <QImage>

// Pictures cross here between the engine, which keeps its own Image so that
// brisko-batch needs no graphics library, and the widgets, which show QImage.
// Both keep a pixel as 0xAARRGGBB, so a row is copied as it is.

// RGB32, or ARGB32 when the picture has alpha; null for a null picture or
// when there is no memory.
QImage ToQImage(const Image &image);
// Any QImage, its alpha kept (not premultiplied); null likewise.
Image FromQImage(const QImage &image);
