// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/pictures/image.h"

#include <QByteArray>
#include <QSize>
#include <QString>

class StopPoll;

// PNG reading on libpng, a row at a time, which Qt's reader does not offer:
// the picture is shrunk by a whole factor as its rows arrive (see
// RowReducer), so 10000 x 10000 costs a row of it and the result; a file cut
// short or damaged is refused by libpng's own errors; a stop request is looked
// at every row. Transparent parts come out over white.

// What decoding takes at the factor, from the header alone: an interlaced
// picture is held whole until its last pass.
qint64 PngDecodeBytes(QSize size, bool interlaced, int factor);

// Decodes into an opaque image of RowReducer::ReducedSize(size, factor).
// Fails as picturefailure.h tells, with libpng's words for a damaged file.
Result<Image> DecodePng(const QByteArray &data, int factor, StopPoll *stop = nullptr);
