// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/pictures/image.h"
#include "engine/pictures/pictureheaders.h"

#include <QByteArray>
#include <QString>

class StopPoll;

// BMP reading: 1, 4 and 8 bits a pixel through the colour table (a colour
// the table lacks is black), stored as they are or as 8- and 4-bit run
// lengths; 16, 24 and 32 bits with the default or the given bit fields, an
// alpha field over white. OS/2 and Windows 3 to 5 headers, rows stored from
// the bottom or the top. Rows are read where they lie, top first, and
// shrunk by a whole factor as they come (see RowReducer); run lengths are
// unpacked first, a byte a pixel. Run lengths that end before the last row
// are refused as cut short. The caller checks the header (ReadBmpHeader) for
// size, limits and complete pixel data first.

// What decoding takes at the factor, from the header alone.
qint64 BmpDecodeBytes(const BmpHeader &header, int factor);

// Decodes into an opaque image of RowReducer::ReducedSize(header.size, factor).
// Fails as picturefailure.h tells.
Result<Image> DecodeBmp(const QByteArray &data, const BmpHeader &header, int factor, StopPoll *stop = nullptr);
