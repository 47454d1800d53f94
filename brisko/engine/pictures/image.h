// SPDX-License-Identifier: MIT
#pragma once

#include <QSize>
#include <QtGlobal>

#include <memory>

// A pixel as the engine keeps it: 0xAARRGGBB in one 32-bit word. On this
// little-endian machine a row is blue, green, red, alpha bytes in memory, the
// layout libjpeg-turbo reads and writes as BGRX and the window's QImage
// keeps as RGB32 and ARGB32 (alpha not premultiplied).
using Argb = quint32;

constexpr Argb ArgbPixel(int red, int green, int blue, int alpha)
{
    return (Argb(alpha) << 24) | (Argb(red) << 16) | (Argb(green) << 8) | Argb(blue);
}
constexpr Argb RgbPixel(int red, int green, int blue)
{
    return ArgbPixel(red, green, blue, 255);
}
constexpr int RedOf(Argb pixel) { return int((pixel >> 16) & 0xFF); }
constexpr int GreenOf(Argb pixel) { return int((pixel >> 8) & 0xFF); }
constexpr int BlueOf(Argb pixel) { return int(pixel & 0xFF); }
constexpr int AlphaOf(Argb pixel) { return int(pixel >> 24); }

constexpr Argb White = RgbPixel(255, 255, 255);

// The pixel as it looks on a white page, opaque.
constexpr Argb OverWhite(Argb pixel)
{
    const int alpha = AlphaOf(pixel);
    const auto blend = [alpha](int value) { return (value * alpha + 255 * (255 - alpha) + 127) / 255; };
    return RgbPixel(blend(RedOf(pixel)), blend(GreenOf(pixel)), blend(BlueOf(pixel)));
}

// A picture in memory, the engine's own, so that nothing below the window
// needs Qt's graphics library: rows of Argb pixels, top row first, with
// nothing between the rows. An opaque picture keeps 255 in every alpha.
// Copies are deep; pass it on with std::move where the old one is done with.
class Image
{
public:
    enum Kind { Opaque, WithAlpha };

    Image() = default;
    // Uninitialised pixels; null when size is empty or there is no memory.
    explicit Image(QSize size, Kind kind = Opaque);
    Image(const Image &other);
    Image &operator=(const Image &other);
    // The moved-from picture is null.
    Image(Image &&other) noexcept;
    Image &operator=(Image &&other) noexcept;

    bool IsNull() const { return !pixels_; }
    QSize Size() const { return size_; }
    int Width() const { return size_.width(); }
    int Height() const { return size_.height(); }
    bool HasAlpha() const { return kind_ == WithAlpha; }

    Argb *Row(int y) { return pixels_.get() + size_t(y) * size_t(size_.width()); }
    const Argb *Row(int y) const { return pixels_.get() + size_t(y) * size_t(size_.width()); }
    void Fill(Argb pixel);
    // Transparent parts over white, as on a white page; the picture is
    // opaque from then on.
    void FlattenOverWhite();

    // Same size, kind and pixels.
    bool operator==(const Image &other) const;
    bool operator!=(const Image &other) const { return !(*this == other); }

private:
    size_t Count() const { return size_t(size_.width()) * size_t(size_.height()); }

    QSize size_{0, 0};
    Kind kind_ = Opaque;
    std::unique_ptr<Argb[]> pixels_;
};
