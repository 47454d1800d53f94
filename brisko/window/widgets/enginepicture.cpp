// SPDX-License-Identifier: MIT
#include "window/widgets/enginepicture.h"

#include <algorithm>

QImage ToQImage(const Image &image)
{
    if (image.IsNull())
        return QImage();
    QImage result(image.Width(), image.Height(), image.HasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (result.isNull())
        return result;
    for (int y = 0; y < result.height(); ++y)
        std::copy(image.Row(y), image.Row(y) + image.Width(), reinterpret_cast<QRgb *>(result.scanLine(y)));
    return result;
}

Image FromQImage(const QImage &image)
{
    if (image.isNull())
        return Image();
    const bool alpha = image.hasAlphaChannel();
    const QImage source = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    Image result(source.size(), alpha ? Image::WithAlpha : Image::Opaque);
    if (result.IsNull() || source.isNull())
        return Image();
    for (int y = 0; y < result.Height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        std::copy(row, row + result.Width(), result.Row(y));
    }
    return result;
}
