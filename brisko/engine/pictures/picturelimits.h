// SPDX-License-Identifier: MIT
#pragma once

#include <QSize>

// Bounds on every picture the program decodes or writes, so a damaged or
// hostile picture cannot make it allocate gigabytes or work for minutes.
// Real album art is far below them: 3000 x 3000 is 9 megapixels, and
// encoders write about ten progressive scans.
namespace PictureLimits {
constexpr qint64 MaxPixels = 100'000'000;     // 10000 x 10000
constexpr int MaxSide = 30000;
constexpr qint64 MaxFileBytes = 256LL << 20;  // a picture file larger than this is not read
// What all decodes together may take (DecodeBudget): with what a conversion
// needs besides, one file stays under 256 MB above the program's idle size.
constexpr qint64 DecodeBudget = 192LL << 20;
// What one picture may cost: its own bytes (a tag holds them once) and its
// decoding together, so that no file costs more.
constexpr qint64 MostPerPicture = 256LL << 20;
// libjpeg-turbo's own tools offer such a limit: every scan makes the decoder
// walk the whole picture again, so 100,000 repeats of one take minutes.
constexpr int MaxScans = 100;
// Art kept with the new pictures made from it, for files that share it.
constexpr qint64 ArtCacheBytes = 16LL << 20;

inline bool IsWithin(QSize size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= MaxSide
        && size.height() <= MaxSide && qint64(size.width()) * size.height() <= MaxPixels;
}
} // namespace PictureLimits
