#pragma once

#include <QSize>

// Bounds on every picture the program decodes or writes, so a damaged or
// hostile picture cannot make it allocate gigabytes. Real album art is far
// below them: 3000 x 3000 is 9 megapixels.
namespace PictureLimits {
constexpr qint64 MaxPixels = 100'000'000;     // 10000 x 10000
constexpr int MaxSide = 30000;
constexpr long DecoderMemory = 512L << 20;    // libjpeg's working memory (progressive files)
constexpr int QtAllocationMegabytes = 512;    // Qt's readers: 100 megapixels at 4 bytes each
constexpr qint64 MaxFileBytes = 256LL << 20;  // a picture file larger than this is not read

inline bool IsWithin(QSize size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= MaxSide
        && size.height() <= MaxSide && qint64(size.width()) * size.height() <= MaxPixels;
}
} // namespace PictureLimits
