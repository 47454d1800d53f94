// SPDX-License-Identifier: MIT
#include "engine/pictures/bmpcodec.h"

#include "base/byteorder.h"
#include "base/translation.h"
#include "engine/pictures/picturefailure.h"
#include "engine/pictures/rowreducer.h"
#include "base/stopcheck.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

namespace {

constexpr Argb Black = RgbPixel(0, 0, 0);
constexpr int RunLength8 = 1;
constexpr int RunLength4 = 2;
constexpr int BitFields = 3;
constexpr int AlphaBitFields = 6;

using Palette = std::array<Argb, 256>;

bool Supported(const BmpHeader &header)
{
    const int bits = header.bitsPerPixel;
    if (header.colours > 256)
        return false;
    switch (header.compression) {
    case 0: return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case RunLength8: return bits == 8;
    case RunLength4: return bits == 4;
    case BitFields: return (bits == 16 || bits == 32) && header.headerSize != 64; // OS/2's 3 is Huffman coding
    case AlphaBitFields: return bits == 16 || bits == 32;
    default: return false;
    }
}

bool RunLengths(const BmpHeader &header)
{
    return header.compression == RunLength8 || header.compression == RunLength4;
}

Palette ReadPalette(const QByteArray &data, const BmpHeader &header)
{
    Palette palette;
    palette.fill(Black);
    const int entry = header.headerSize == 12 ? 3 : 4;
    for (int i = 0; i < header.colours; ++i) {
        const qsizetype at = header.palette + qsizetype(i) * entry; // blue, green, red
        palette[size_t(i)] = RgbPixel(uchar(data[at + 2]), uchar(data[at + 1]), uchar(data[at]));
    }
    return palette;
}

// One channel of a bit-field pixel, widened to 8 bits by repeating its bits
// (5 bits abcde become abcdeabc), so full intensity stays full.
class Field
{
public:
    explicit Field(quint32 mask)
    {
        while (mask && !(mask & 1)) {
            mask >>= 1;
            ++shift_;
        }
        int bits = 0;
        while (bits < 32 && (mask >> bits) != 0)
            ++bits;
        mask_ = mask << shift_;
        if (bits > 8) { // only the top 8 bits count
            shift_ += bits - 8;
            bits = 8;
        }
        for (quint32 value = 0; value < (1u << bits); ++value)
            widened_[value] = Widen(value, bits);
    }

    int Of(quint32 pixel) const { return widened_[(pixel & mask_) >> shift_]; }

private:
    static uchar Widen(quint32 value, int bits)
    {
        if (bits == 0)
            return 0;
        quint32 result = value << (8 - bits);
        for (int filled = bits; filled < 8; filled *= 2)
            result |= result >> filled;
        return uchar(result);
    }

    quint32 mask_ = 0;
    int shift_ = 0;
    std::array<uchar, 256> widened_{};
};

// How a 16- or 32-bit pixel holds its colour.
class PixelFields
{
public:
    explicit PixelFields(const BmpHeader &header)
        : red_(Mask(header, 0))
        , green_(Mask(header, 1))
        , blue_(Mask(header, 2))
        , alpha_(Mask(header, 3))
        , hasAlpha_(Mask(header, 3) != 0)
    {
    }

    Argb Of(quint32 pixel) const
    {
        if (!hasAlpha_)
            return RgbPixel(red_.Of(pixel), green_.Of(pixel), blue_.Of(pixel));
        return OverWhite(ArgbPixel(red_.Of(pixel), green_.Of(pixel), blue_.Of(pixel), alpha_.Of(pixel)));
    }

private:
    // The header's fields, or the defaults: 5 bits each in 16, a byte each
    // in 32, where an alpha byte counts only when the header says so.
    static quint32 Mask(const BmpHeader &header, int channel)
    {
        if (header.compression == BitFields || header.compression == AlphaBitFields)
            return header.masks[channel];
        static constexpr quint32 Sixteen[] = {0x7C00, 0x03E0, 0x001F, 0};
        static constexpr quint32 ThirtyTwo[] = {0xFF0000, 0xFF00, 0xFF, 0};
        if (channel == 3)
            return header.bitsPerPixel == 32 && header.masks[3] == 0xFF000000u ? 0xFF000000u : 0;
        return header.bitsPerPixel == 16 ? Sixteen[channel] : ThirtyTwo[channel];
    }

    Field red_, green_, blue_, alpha_;
    bool hasAlpha_;
};

// One stored row as pixels.
void ConvertRow(const uchar *in, const BmpHeader &header, const Palette &palette, const PixelFields &fields,
                Argb *out)
{
    const int width = header.size.width();
    switch (header.bitsPerPixel) {
    case 1:
        for (int x = 0; x < width; ++x)
            out[x] = palette[(in[x / 8] >> (7 - x % 8)) & 1];
        break;
    case 4:
        for (int x = 0; x < width; ++x)
            out[x] = palette[(in[x / 2] >> (x % 2 ? 0 : 4)) & 0xF];
        break;
    case 8:
        for (int x = 0; x < width; ++x)
            out[x] = palette[in[x]];
        break;
    case 24:
        for (int x = 0; x < width; ++x, in += 3)
            out[x] = RgbPixel(in[2], in[1], in[0]);
        break;
    default: {
        const int bytes = header.bitsPerPixel / 8;
        for (int x = 0; x < width; ++x, in += bytes)
            out[x] = fields.Of(LittleEndian(in, bytes));
    }
    }
}

// The stored row of a picture row: the first stored row is the bottom one,
// unless the rows are stored from the top.
int StoredRow(const BmpHeader &header, int y)
{
    return header.topDown ? y : header.size.height() - 1 - y;
}

class Decoder
{
public:
    Decoder(const QByteArray &data, const BmpHeader &header, int factor, StopPoll *stop)
        : data_(data)
        , header_(header)
        , palette_(ReadPalette(data, header))
        , fields_(header)
        , row_(size_t(header.size.width()))
        , reducer_(header.size, factor)
        , stop_(stop)
    {
    }

    bool Ready() const { return !reducer_.Result().IsNull(); }
    Image TakeResult() { return reducer_.TakeResult(); }

    Result<void> Stored()
    {
        const qsizetype stride = (qsizetype(header_.size.width()) * header_.bitsPerPixel + 31) / 32 * 4;
        for (int y = 0; y < header_.size.height(); ++y) {
            const qsizetype at = header_.pixels + stride * StoredRow(header_, y);
            if (at + stride > data_.size())
                return CutShort();
            if (Stopped())
                return PictureStopped();
            ConvertRow(reinterpret_cast<const uchar *>(data_.constData() + at), header_, palette_, fields_,
                       row_.data());
            reducer_.AddRow(row_.data());
        }
        return Result<void>::Success();
    }

    Result<void> Unpacked()
    {
        const int width = header_.size.width();
        indices_.assign(size_t(width) * size_t(header_.size.height()), 0);
        const Result<void> unpacked = Unpack();
        if (!unpacked)
            return unpacked;
        for (int y = 0; y < header_.size.height(); ++y) {
            if (Stopped())
                return PictureStopped();
            const uchar *in = indices_.data() + size_t(StoredRow(header_, y)) * size_t(width);
            for (int x = 0; x < width; ++x)
                row_[size_t(x)] = palette_[in[x]];
            reducer_.AddRow(row_.data());
        }
        return Result<void>::Success();
    }

private:
    static Failure CutShort() { return PictureRefused(EnglishText("Engine", "Damaged picture: cut short")); }

    bool Stopped() { return stop_ && stop_->Stopped(); }

    uchar Byte(qsizetype at) const { return uchar(data_[at]); }

    // The next pixel of the stored row; pixels past its end are dropped.
    void Put(int index)
    {
        indices_[size_t(storedRow_) * size_t(header_.size.width()) + size_t(x_++)] = uchar(index);
    }
    int Room() const { return header_.size.width() - x_; }

    // Run lengths into indices_: pairs of a count and a pixel (or two 4-bit
    // pixels taken in turn); a zero count starts a code: 0 ends the row, 1
    // the picture, 2 moves right and up, 3 or more pixels follow as they are,
    // padded to a 16-bit boundary.
    Result<void> Unpack()
    {
        const bool nibbles = header_.compression == RunLength4;
        const int height = header_.size.height();
        const auto pixel = [nibbles](int pair, int i) { return nibbles ? (i % 2 ? pair & 0xF : pair >> 4) : pair; };
        qsizetype at = header_.pixels;
        for (quint32 codes = 0; storedRow_ < height; ++codes) {
            if ((codes & 0xFFFF) == 0 && Stopped())
                return PictureStopped();
            if (at + 2 > data_.size()) // without its end mark: whole only if the last row is full
                return storedRow_ == height - 1 && Room() == 0 ? Result<void>::Success() : CutShort();
            const int count = Byte(at);
            const int value = Byte(at + 1);
            at += 2;
            if (count > 0) {
                for (int i = 0, n = qMin(count, Room()); i < n; ++i)
                    Put(pixel(value, i));
            } else if (value == 0) {
                x_ = 0;
                ++storedRow_;
            } else if (value == 1) {
                return Result<void>::Success();
            } else if (value == 2) {
                if (at + 2 > data_.size())
                    return CutShort();
                x_ += qMin(int(Byte(at)), Room());
                storedRow_ += Byte(at + 1);
                at += 2;
            } else {
                const qsizetype bytes = nibbles ? (value + 1) / 2 : value;
                if (at + bytes > data_.size())
                    return CutShort();
                for (int i = 0, n = qMin(value, Room()); i < n; ++i)
                    Put(pixel(Byte(at + (nibbles ? i / 2 : i)), i));
                at += (bytes + 1) & ~qsizetype(1);
            }
        }
        return Result<void>::Success();
    }

    const QByteArray &data_;
    const BmpHeader &header_;
    Palette palette_;
    PixelFields fields_;
    std::vector<Argb> row_;
    std::vector<uchar> indices_; // run lengths unpacked, a byte a pixel, in stored order
    RowReducer reducer_;
    StopPoll *stop_;
    int x_ = 0;
    int storedRow_ = 0;
};

} // namespace

qint64 BmpDecodeBytes(const BmpHeader &header, int factor)
{
    const QSize reduced = RowReducer::ReducedSize(header.size, factor);
    const qint64 row = qint64(header.size.width()) * 4;
    const qint64 sums = qint64(reduced.width()) * 3 * 8;
    const qint64 result = qint64(reduced.width()) * reduced.height() * 4;
    const qint64 unpacked = RunLengths(header) ? qint64(header.size.width()) * header.size.height() : 0;
    constexpr qint64 Tables = 64 << 10; // the colour table, the bit fields and the rest
    return row + sums + result + unpacked + Tables;
}

Result<Image> DecodeBmp(const QByteArray &data, const BmpHeader &header, int factor, StopPoll *stop)
{
    if (!Supported(header))
        return PictureRefused(
            EnglishText("Engine", "Picture refused: a BMP of %1 bits a pixel with compression %2 cannot be read")
                .arg(header.bitsPerPixel)
                .arg(header.compression));
    const auto outOfMemory = [] { return PictureOutOfMemory(EnglishText("Engine", "not enough memory for the picture")); };
    try {
        Decoder decoder(data, header, factor, stop);
        if (!decoder.Ready())
            return outOfMemory();
        const Result<void> decoded = RunLengths(header) ? decoder.Unpacked() : decoder.Stored();
        if (!decoded)
            return decoded.Why();
        return decoder.TakeResult();
    } catch (const std::bad_alloc &) {
        return outOfMemory();
    }
}
