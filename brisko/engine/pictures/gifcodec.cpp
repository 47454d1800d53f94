// SPDX-License-Identifier: MIT
#include "engine/pictures/gifcodec.h"

#include "base/translation.h"
#include "engine/pictures/picturefailure.h"
#include "engine/pictures/rowreducer.h"
#include "base/stopcheck.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

namespace {

constexpr int MaxCodes = 4096; // LZW codes have at most 12 bits
constexpr Argb Black = RgbPixel(0, 0, 0);

using Palette = std::array<Argb, 256>;

// How much of the frame lies on the screen: its first columns and rows.
QSize VisibleFrame(const GifHeader &header)
{
    const QRect &frame = header.frame;
    return QSize(qBound(0, header.size.width() - frame.left(), frame.width()),
                 qBound(0, header.size.height() - frame.top(), frame.height()));
}

// A colour table; a colour it lacks is white, like the transparent one.
// Without any table every colour is black.
Palette ReadPalette(const QByteArray &data, qsizetype at, int count, int transparent)
{
    Palette palette;
    palette.fill(at >= 0 ? White : Black);
    count = at >= 0 ? int(qMin<qsizetype>(qMin(count, 256), (data.size() - at) / 3)) : 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = at + 3 * i;
        palette[size_t(i)] = RgbPixel(uchar(data[entry]), uchar(data[entry + 1]), uchar(data[entry + 2]));
    }
    if (transparent >= 0)
        palette[size_t(transparent)] = White;
    return palette;
}

Palette FramePalette(const QByteArray &data, const GifHeader &header)
{
    return header.localColours >= 0
        ? ReadPalette(data, header.localColours, header.localCount, header.transparent)
        : ReadPalette(data, header.globalColours, header.globalCount, header.transparent);
}

// Around the frame: white where it has a transparent colour, else the
// screen's background colour.
Argb Background(const QByteArray &data, const GifHeader &header)
{
    if (header.transparent >= 0)
        return White;
    return ReadPalette(data, header.globalColours, header.globalCount, -1)[size_t(header.background)];
}

// The screen's rows, top to bottom, made of the background and the frame's
// rows as they come, and passed to the reducer.
class Screen
{
public:
    Screen(const GifHeader &header, int factor, Palette palette, Argb background, StopPoll *stop)
        : size_(header.size)
        , frame_(header.frame.topLeft())
        , palette_(palette)
        , row_(size_t(size_.width()))
        , fill_(size_t(size_.width()), background)
        , reducer_(size_, factor)
        , stop_(stop)
    {
    }

    bool Ready() const { return !reducer_.Result().IsNull(); }
    bool Stopped() const { return stopped_; }

    // Row y of the frame, whose first count pixels are known (the rest
    // stays background). Rows off the screen are dropped.
    void AddFrameRow(int y, const uchar *indices, int count)
    {
        const int at = frame_.y() + y;
        if (at >= size_.height())
            return;
        FillTo(at);
        std::copy(fill_.begin(), fill_.end(), row_.begin());
        for (int x = 0; x < count; ++x)
            row_[size_t(frame_.x() + x)] = palette_[indices[x]];
        Add(row_.data());
    }

    // The background down to the screen's end.
    void Finish() { FillTo(size_.height()); }
    Image TakeResult() { return reducer_.TakeResult(); }

private:
    void FillTo(int y)
    {
        while (next_ < y && !stopped_)
            Add(fill_.data());
    }

    void Add(const Argb *row)
    {
        stopped_ = stopped_ || (stop_ && stop_->Stopped());
        if (stopped_)
            return;
        reducer_.AddRow(row);
        ++next_;
    }

    QSize size_;
    QPoint frame_;
    Palette palette_;
    std::vector<Argb> row_;
    std::vector<Argb> fill_;
    RowReducer reducer_;
    StopPoll *stop_;
    int next_ = 0;
    bool stopped_ = false;
};

// Row k of an interlaced frame's data is row InterlacedRow(k) of the frame:
// every eighth row from 0, every eighth from 4, every fourth from 2, every
// second from 1. -1 past the last.
int InterlacedRow(int k, int height)
{
    static constexpr int Start[] = {0, 4, 2, 1};
    static constexpr int Step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows = height > Start[pass] ? (height - Start[pass] + Step[pass] - 1) / Step[pass] : 0;
        if (k < rows)
            return Start[pass] + k * Step[pass];
        k -= rows;
    }
    return -1;
}

// Where the decoded pixels go, in the order the data gives them: a row at
// a time to the screen, or, interlaced, into the whole frame until the end.
// Only the part on the screen is kept.
class Frame
{
public:
    Frame(const GifHeader &header, Screen *screen)
        : width_(header.frame.width())
        , height_(header.frame.height())
        , visible_(VisibleFrame(header))
        , interlaced_(header.interlaced)
        , pixels_(size_t(visible_.width()) * size_t((interlaced_ ? visible_.height() : 0) + 1))
        , known_(interlaced_ ? size_t(visible_.height()) : 0)
        , screen_(screen)
    {
        PointAtRow();
    }

    bool Full() const { return rowsDone_ == height_; }

    void Put(uchar index)
    {
        if (x_ < visible_.width())
            row_[x_] = index;
        if (++x_ == width_)
            NextRow();
    }

    // Hands over what is held, a row left unfinished too.
    void Finish()
    {
        const int partial = qMin(x_, visible_.width());
        if (!interlaced_) {
            if (partial > 0 && !Full())
                screen_->AddFrameRow(rowsDone_, row_, partial);
        } else {
            if (partial > 0 && !Full() && Kept())
                known_[size_t(y_)] = partial;
            for (int y = 0; y < visible_.height() && !screen_->Stopped(); ++y)
                screen_->AddFrameRow(y, RowAt(y), known_[size_t(y)]);
        }
        screen_->Finish();
    }

private:
    uchar *RowAt(int y) { return pixels_.data() + size_t(y) * size_t(visible_.width()); }

    // Whether the interlaced row being read is one the screen shows.
    bool Kept() const { return interlaced_ && y_ >= 0 && y_ < visible_.height(); }

    // Rows off the screen go to the last row, which is never shown.
    void PointAtRow()
    {
        y_ = interlaced_ ? InterlacedRow(rowsDone_, height_) : rowsDone_;
        row_ = Kept() ? RowAt(y_) : RowAt(interlaced_ ? visible_.height() : 0);
    }

    void NextRow()
    {
        if (!interlaced_)
            screen_->AddFrameRow(rowsDone_, row_, visible_.width());
        else if (Kept())
            known_[size_t(y_)] = visible_.width();
        ++rowsDone_;
        x_ = 0;
        PointAtRow();
    }

    int width_;
    int height_;
    QSize visible_;
    bool interlaced_;
    std::vector<uchar> pixels_; // a row, or every visible row, and a row for the rest
    std::vector<int> known_;    // interlaced: how many pixels of each visible row arrived
    Screen *screen_;
    uchar *row_ = nullptr;
    int x_ = 0;
    int y_ = 0;
    int rowsDone_ = 0;
};

// The codes of the image data, read across its sub-blocks, lowest bit first.
class CodeReader
{
public:
    CodeReader(const QByteArray &data, qsizetype at)
        : data_(data)
        , at_(at)
    {
    }

    // The next code of size bits, or -1 where the data ends.
    int Read(int size)
    {
        while (bits_ < size) {
            if (left_ == 0) {
                left_ = !ended_ && at_ < data_.size() ? uchar(data_[at_++]) : 0;
                ended_ = left_ == 0; // the terminator, or the end of the file
            }
            if (ended_ || at_ >= data_.size())
                return -1;
            buffer_ |= quint32(uchar(data_[at_++])) << bits_;
            bits_ += 8;
            --left_;
        }
        const int code = int(buffer_ & ((1u << size) - 1));
        buffer_ >>= size;
        bits_ -= size;
        return code;
    }

private:
    const QByteArray &data_;
    qsizetype at_;
    quint32 buffer_ = 0;
    int bits_ = 0;
    int left_ = 0;
    bool ended_ = false;
};

// The LZW string table: each code is a shorter code's string and one more
// pixel. A string is spelt backwards from its last pixel.
struct StringTable
{
    std::vector<quint16> prefix = std::vector<quint16>(MaxCodes);
    std::vector<uchar> suffix = std::vector<uchar>(MaxCodes);
    std::vector<uchar> spelt = std::vector<uchar>(MaxCodes + 1);
};

// Decodes the frame's pixels into frame. False when the data holds a code
// that cannot be there.
bool ReadPixels(const QByteArray &data, qsizetype at, Frame *frame, const Screen &screen)
{
    const int minimum = at < data.size() ? uchar(data[at]) : 0;
    if (minimum < 1 || minimum > 8)
        return false;
    const int clear = 1 << minimum;
    const int end = clear + 1;
    StringTable table;
    CodeReader reader(data, at + 1);
    int size = minimum + 1;
    int next = clear + 2;
    int previous = -1;
    uchar first = 0; // the first pixel of the previous code's string
    while (!frame->Full() && !screen.Stopped()) {
        const int code = reader.Read(size);
        if (code < 0 || code == end)
            return true;
        if (code == clear) {
            size = minimum + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (previous < 0) { // the first code after a clear is a pixel of its own
            if (code > clear)
                return false;
            frame->Put(uchar(code));
            previous = code;
            first = uchar(code);
            continue;
        }
        if (code > next)
            return false;
        int length = 0;
        int walk = code;
        if (code == next) { // the string about to be made: the previous one and its own first pixel
            table.spelt[size_t(length++)] = first;
            walk = previous;
        }
        while (walk >= clear && length < MaxCodes) {
            table.spelt[size_t(length++)] = table.suffix[size_t(walk)];
            walk = table.prefix[size_t(walk)];
        }
        first = uchar(walk);
        table.spelt[size_t(length++)] = first;
        while (length > 0)
            frame->Put(table.spelt[size_t(--length)]);
        if (next < MaxCodes) {
            table.prefix[size_t(next)] = quint16(previous);
            table.suffix[size_t(next)] = first;
            if (++next == 1 << size && size < 12)
                ++size;
        }
        previous = code;
    }
    return true;
}

} // namespace

qint64 GifDecodeBytes(const GifHeader &header, int factor)
{
    const QSize reduced = RowReducer::ReducedSize(header.size, factor);
    const QSize visible = VisibleFrame(header);
    const qint64 rows = qint64(header.size.width()) * 4 * 2;       // the screen row and the background row
    const qint64 sums = qint64(reduced.width()) * 3 * 8;
    const qint64 result = qint64(reduced.width()) * reduced.height() * 4;
    const qint64 frame = header.interlaced
        ? qint64(visible.width()) * (visible.height() + 1) + qint64(visible.height()) * 4
        : qint64(visible.width());
    constexpr qint64 Tables = MaxCodes * 4 + (64 << 10);             // the string table and the rest
    return rows + sums + result + frame + Tables;
}

Result<Image> DecodeGif(const QByteArray &data, const GifHeader &header, int factor, StopPoll *stop)
{
    const auto outOfMemory = [] { return PictureOutOfMemory(EnglishText("Engine", "not enough memory for the picture")); };
    try {
        Screen screen(header, factor, FramePalette(data, header), Background(data, header), stop);
        if (!screen.Ready())
            return outOfMemory();
        Frame frame(header, &screen);
        if (!ReadPixels(data, header.imageData, &frame, screen))
            return PictureRefused(EnglishText("Engine", "Damaged picture: its GIF data cannot be decoded"));
        // Data that ends (an end code, the last block) before the frame is
        // full is a damaged picture, as Pillow and ImageMagick hold it.
        if (!frame.Full() && !screen.Stopped())
            return PictureRefused(EnglishText("Engine", "Damaged picture: cut short"));
        frame.Finish();
        if (screen.Stopped())
            return PictureStopped();
        return screen.TakeResult();
    } catch (const std::bad_alloc &) {
        return outOfMemory();
    }
}
