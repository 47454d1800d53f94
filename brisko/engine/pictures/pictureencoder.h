// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "base/stopcheck.h"
#include "engine/pictures/artcache.h"
#include "engine/pictures/image.h"

#include <QByteArray>
#include <QSize>
#include <QString>

// A JPEG made for a tag, and what it was made at.
struct MadeJpeg
{
    QByteArray jpeg;
    QSize size;
    int quality = 0;
};

// Scales pictures and writes them as JPEG files: the art that goes back into
// the tags. The source's kind comes from its content (JPEG, including CMYK
// and greyscale; PNG and WebP, transparent parts over white; BMP; GIF's first
// frame),
// never from its name. What it writes is baseline JPEG, 4:2:0, exactly the
// size asked for, at the quality asked for, with no metadata.
//
// Failures carry their codes: 53, 76 or 75 when the source cannot be read,
// 481 when it is no picture of those kinds, is cut short or exceeds
// PictureLimits or the decoding budget (the reason says which), 5 for a size
// out of range, 50003 when memory runs out, 18 when stop asked to stop, 75
// when the destination cannot be written. A failed call leaves no
// destination file behind.
//
// The last few results are remembered: the tracks of an album usually share
// their art byte for byte, so a picture seen a moment ago is not decoded and
// encoded again.
class PictureEncoder
{
public:
    // Remembers its own results.
    PictureEncoder();
    // Shares the results of other encoders, on other threads too.
    explicit PictureEncoder(ArtCache *shared);

    // flag is accepted for callers that pass it and has no effect.
    Result<void> ResizeToJpeg(const QString &source, const QString &destination, int width, int height,
                              bool flag, int quality);
    // The same on bytes in memory: the JPEG of source at size and quality.
    Result<QByteArray> ResizeToJpegData(const QByteArray &source, QSize size, int quality,
                                        const StopCheck &stop = {});
    // The same at most maxBytes long (0: any length): where the JPEG at
    // quality is longer, the quality steps down, 5 at a time to 50, and then
    // the size, a tenth at a time until the longer side is 100 pixels
    // (never below the picture's own), until it fits. What cannot fit even
    // then is a failure that says how long it would be at the last step.
    Result<MadeJpeg> FittedJpegData(const QByteArray &source, QSize size, int quality, qint64 maxBytes,
                                    const StopCheck &stop = {});
    // A JPEG whose headers PlayersShowJpeg refuses only for its progressive
    // scans, as the baseline JPEG with its very pixels (see JpegToBaseline).
    Result<QByteArray> BaselineJpegData(const QByteArray &jpeg, const StopCheck &stop = {});
    // A picture already in memory (pasted or dropped) as a JPEG at size and
    // quality, transparent parts over white.
    Result<QByteArray> ImageToJpegData(const Image &image, QSize size, int quality);
    // The same picture at the same size, as a JPEG at the default quality.
    Result<void> ConvertToJpeg(const QString &source, const QString &destination);

    // The code of FittedJpegData's failure when no step fits.
    static constexpr int DoesNotFit = 0;
    static constexpr int DefaultQuality = 90;
    static constexpr int LowestFittingQuality = 50;
    static constexpr int SmallestFittingSide = 100;

private:
    Result<QByteArray> Encode(const QByteArray &source, QSize size, int quality, const StopCheck &stop);

    ArtCache own_;
    ArtCache *cache_;
};

// The picture in data at exactly the size, opaque, transparency over white.
// Pictures are shrunk while they are decoded, then brought to the size by
// ScaledImage (reductions are averaged). The decoding memory comes from
// DecodeBudget::Pictures().
Result<Image> ScaledPicture(const QByteArray &data, QSize size, const StopCheck &stop = {});

// A byte limit or a picture's length as reasons and notes tell it: "60 KB", "60.5 KB".
QString Kilobytes(qint64 bytes);
