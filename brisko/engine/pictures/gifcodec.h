// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/pictures/image.h"
#include "engine/pictures/pictureheaders.h"

#include <QByteArray>
#include <QString>

class StopPoll;

// GIF reading: the first frame, as a still picture is shown. The picture is
// the logical screen with the frame drawn at its place; around the frame is
// the screen's background colour, or white where the frame has a
// transparent colour, and transparent pixels are white. Rows are shrunk by a
// whole factor as they are made (see RowReducer), so a large screen costs a
// row of it; an interlaced frame is held until its last pass, a byte a
// pixel. Data that ends before the frame is full leaves the rest as the
// background; a code the data could not hold is refused as damaged. The
// caller checks the header (ReadGifHeader) for size, limits and a complete
// frame first.

// What decoding takes at the factor, from the header alone.
qint64 GifDecodeBytes(const GifHeader &header, int factor);

// Decodes into an opaque image of RowReducer::ReducedSize(header.size, factor).
// Fails as picturefailure.h tells.
Result<Image> DecodeGif(const QByteArray &data, const GifHeader &header, int factor, StopPoll *stop = nullptr);
