// SPDX-License-Identifier: MIT
#include "engine/pictures/imagescaler.h"

#include "engine/pictures/picturefailure.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

// What each new pixel along one side is made of: the old pixels from
// First(i) on, as many as it has weights, the weights adding up to one.
class Taps
{
public:
    Taps(int from, int to)
    {
        starts_.reserve(size_t(to) + 1);
        starts_.push_back(0);
        if (to <= from)
            Shrink(from, to);
        else
            Grow(from, to);
    }

    int Count() const { return int(firsts_.size()); }
    int First(int i) const { return firsts_[size_t(i)]; }
    int Length(int i) const { return starts_[size_t(i) + 1] - starts_[size_t(i)]; }
    const float *Weights(int i) const { return weights_.data() + starts_[size_t(i)]; }

private:
    // Each new pixel covers scale old ones; an old pixel counts by how much
    // of it is covered.
    void Shrink(int from, int to)
    {
        const double scale = double(from) / to;
        for (int i = 0; i < to; ++i) {
            const double start = i * scale;
            const double end = std::min(double(from), (i + 1) * scale);
            const int first = std::min(from - 1, int(start));
            const int last = std::max(first, std::min(from - 1, int(std::ceil(end)) - 1));
            firsts_.push_back(first);
            for (int j = first; j <= last; ++j) {
                const double covered = std::min(end, j + 1.0) - std::max(start, double(j));
                weights_.push_back(float(std::max(0.0, covered) / scale));
            }
            starts_.push_back(int(weights_.size()));
        }
    }

    // Pixel centres line up: new pixel i lies at (i + 0.5) * from / to - 0.5
    // in old pixels, between two of them; the edges repeat the last pixel.
    void Grow(int from, int to)
    {
        for (int i = 0; i < to; ++i) {
            const double at = std::clamp((i + 0.5) * from / to - 0.5, 0.0, double(from - 1));
            const int first = std::min(int(at), from - 1);
            const float second = float(at - first);
            firsts_.push_back(first);
            weights_.push_back(1.0f - second);
            if (first + 1 < from)
                weights_.push_back(second);
            starts_.push_back(int(weights_.size()));
        }
    }

    std::vector<int> firsts_;
    std::vector<int> starts_;
    std::vector<float> weights_;
};

// An old row made as wide as the new picture, in red, green and blue
// floats; the last two are kept, as consecutive new rows share old ones.
class WideRows
{
public:
    WideRows(const Image &image, const Taps &across)
        : image_(image)
        , across_(across)
    {
        for (std::vector<float> &slot : slots_)
            slot.resize(size_t(across.Count()) * 3);
    }

    const float *Row(int y)
    {
        for (int i = 0; i < 2; ++i)
            if (rows_[i] == y)
                return slots_[i].data();
        const int older = rows_[0] < rows_[1] ? 0 : 1;
        rows_[older] = y;
        Widen(image_.Row(y), slots_[older].data());
        return slots_[older].data();
    }

private:
    void Widen(const Argb *in, float *out) const
    {
        for (int x = 0; x < across_.Count(); ++x, out += 3) {
            const Argb *pixels = in + across_.First(x);
            const float *weights = across_.Weights(x);
            float red = 0, green = 0, blue = 0;
            for (int k = 0; k < across_.Length(x); ++k) {
                red += weights[k] * float(RedOf(pixels[k]));
                green += weights[k] * float(GreenOf(pixels[k]));
                blue += weights[k] * float(BlueOf(pixels[k]));
            }
            out[0] = red;
            out[1] = green;
            out[2] = blue;
        }
    }

    const Image &image_;
    const Taps &across_;
    std::vector<float> slots_[2];
    int rows_[2] = {-1, -1};
};

int Channel(float value)
{
    return std::clamp(int(value + 0.5f), 0, 255);
}

Image Scaled(const Image &image, QSize size)
{
    Image result(size);
    if (result.IsNull())
        return result;
    const Taps across(image.Width(), size.width());
    const Taps down(image.Height(), size.height());
    WideRows rows(image, across);
    std::vector<float> sum(size_t(size.width()) * 3);
    for (int y = 0; y < size.height(); ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (int k = 0; k < down.Length(y); ++k) {
            const float weight = down.Weights(y)[k];
            const float *row = rows.Row(down.First(y) + k);
            for (size_t i = 0; i < sum.size(); ++i)
                sum[i] += weight * row[i];
        }
        Argb *out = result.Row(y);
        for (int x = 0; x < size.width(); ++x)
            out[x] = RgbPixel(Channel(sum[size_t(x) * 3]), Channel(sum[size_t(x) * 3 + 1]),
                              Channel(sum[size_t(x) * 3 + 2]));
    }
    return result;
}

} // namespace

Result<Image> ScaledImage(const Image &image, QSize size)
{
    if (image.IsNull() || size.isEmpty())
        return StandardFailure(ErrorNumber::PictureUnexpected);
    Image scaled;
    try {
        if (!image.HasAlpha()) {
            scaled = Scaled(image, size);
        } else {
            Image flat = image;
            flat.FlattenOverWhite();
            if (!flat.IsNull())
                scaled = Scaled(flat, size);
        }
    } catch (const std::bad_alloc &) {
        // Left null: no memory, as below.
    }
    if (scaled.IsNull())
        return StandardFailure(ErrorNumber::PictureUnexpected);
    return scaled;
}
