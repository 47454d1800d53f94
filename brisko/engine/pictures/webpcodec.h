// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/pictures/image.h"

#include <QByteArray>
#include <QSize>
#include <QString>

class StopPoll;

// WebP reading on libwebp's incremental decoder: lossy and lossless
// pictures, with or without an alpha channel, in the simple and the extended
// layout. Animations are refused: libwebp's decoder reads still pictures
// only. The data is handed over in slices and a stop request is looked at
// between them; a file cut short is refused when its last slice leaves the
// decoder waiting for more. Transparent parts come out over white, and the
// picture is shrunk by a whole factor while it is decoded (libwebp's own
// scaler; a lossy picture with an alpha channel is decoded whole and reduced
// after, see DecodeWebp).

struct WebpHeader
{
    bool ok = false;       // libwebp read the headers
    QSize size;            // as written, beyond the limits too (libwebp's are below 2^24 a side)
    bool complete = false; // the RIFF container's bytes are all there
    bool animated = false;
    bool alpha = false;
    bool lossless = false;
};

// The RIFF container and the first chunks (VP8, VP8L or VP8X), read by
// libwebp without decoding a pixel.
WebpHeader ReadWebpHeader(const QByteArray &data);

// What decoding takes at the factor, from the header alone.
qint64 WebpDecodeBytes(const WebpHeader &header, int factor);

// Decodes into an opaque image of RowReducer::ReducedSize(header.size,
// factor). The caller checks the header for size, limits, a complete file
// and no animation first. Fails as picturefailure.h tells.
Result<Image> DecodeWebp(const QByteArray &data, const WebpHeader &header, int factor, StopPoll *stop = nullptr);
