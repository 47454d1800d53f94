// SPDX-License-Identifier: MIT
#include "engine/pictures/image.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

Image::Image(QSize size, Kind kind)
    : kind_(kind)
{
    if (size.isEmpty())
        return;
    size_ = size;
    pixels_.reset(new (std::nothrow) Argb[Count()]);
    if (!pixels_)
        size_ = QSize(0, 0);
}

Image::Image(const Image &other)
    : Image(other.size_, other.kind_)
{
    if (!IsNull())
        std::memcpy(pixels_.get(), other.pixels_.get(), Count() * sizeof(Argb));
}

Image::Image(Image &&other) noexcept
    : size_(std::exchange(other.size_, QSize(0, 0)))
    , kind_(other.kind_)
    , pixels_(std::move(other.pixels_))
{
}

Image &Image::operator=(Image &&other) noexcept
{
    size_ = std::exchange(other.size_, QSize(0, 0));
    kind_ = other.kind_;
    pixels_ = std::move(other.pixels_);
    return *this;
}

Image &Image::operator=(const Image &other)
{
    if (this != &other)
        *this = Image(other);
    return *this;
}

void Image::Fill(Argb pixel)
{
    std::fill(pixels_.get(), pixels_.get() + Count(), pixel);
}

void Image::FlattenOverWhite()
{
    if (kind_ == Opaque)
        return;
    std::transform(pixels_.get(), pixels_.get() + Count(), pixels_.get(),
                   [](Argb pixel) { return OverWhite(pixel); });
    kind_ = Opaque;
}

bool Image::operator==(const Image &other) const
{
    return size_ == other.size_ && kind_ == other.kind_
        && (IsNull() || std::memcmp(pixels_.get(), other.pixels_.get(), Count() * sizeof(Argb)) == 0);
}
