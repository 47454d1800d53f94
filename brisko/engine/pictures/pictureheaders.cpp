// SPDX-License-Identifier: MIT
#include "engine/pictures/pictureheaders.h"

#include "base/byteorder.h"
#include "engine/pictures/picturelimits.h"

#include <climits>

namespace {

// A side as a reader takes it; anything beyond the limits is refused before
// it is multiplied.
int Side(qint64 value)
{
    return value > 0 && value <= PictureLimits::MaxSide ? int(value) : 0;
}

// A size as written, for messages; sides beyond what an int holds are cut.
// Invalid when a side is zero: nothing is declared then.
QSize Declared(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        return QSize();
    return QSize(int(qMin<qint64>(width, INT_MAX)), int(qMin<qint64>(height, INT_MAX)));
}

// Reads GIF blocks from a position, never past the end.
class GifCursor
{
public:
    explicit GifCursor(const QByteArray &data, qsizetype at)
        : data_(data)
        , at_(at)
    {
    }

    qsizetype At() const { return at_; }
    bool Has(qsizetype bytes) const { return at_ + bytes <= data_.size(); }
    int Byte() { return Has(1) ? uchar(data_.at(at_++)) : -1; }
    int Word()
    {
        if (!Has(2))
            return -1;
        at_ += 2;
        return int(LittleEndian(data_, at_ - 2, 2));
    }
    bool Skip(qsizetype bytes)
    {
        at_ += bytes;
        return at_ <= data_.size();
    }
    // Data sub-blocks up to and with their zero-length terminator.
    bool SkipSubBlocks()
    {
        for (int length = Byte(); length != 0; length = Byte())
            if (length < 0 || !Skip(length))
                return false;
        return true;
    }
    // A colour table, when the packed byte announces one: where it starts
    // and how many colours it has.
    bool SkipColourTable(int packed, qsizetype *start, int *count)
    {
        if ((packed & 0x80) == 0)
            return true;
        *start = at_;
        *count = 2 << (packed & 7);
        return Skip(3 * *count);
    }
    // The transparent colour a graphic control extension's first sub-block
    // gives, or -1.
    int Transparency() const
    {
        if (!Has(5) || uchar(data_.at(at_)) < 4)
            return -1;
        return (uchar(data_.at(at_ + 1)) & 1) ? uchar(data_.at(at_ + 4)) : -1;
    }

private:
    const QByteArray &data_;
    qsizetype at_;
};

constexpr int GraphicControl = 0xF9;

} // namespace

PngHeader ReadPngHeader(const QByteArray &data)
{
    PngHeader header;
    if (data.size() < 33 || !data.startsWith("\x89PNG\r\n\x1A\n") || BigEndian(data, 8, 4) != 13
        || data.mid(12, 4) != "IHDR")
        return header;
    header.declared = Declared(BigEndian(data, 16, 4), BigEndian(data, 20, 4));
    header.size = QSize(Side(BigEndian(data, 16, 4)), Side(BigEndian(data, 20, 4)));
    header.interlaced = data.at(28) != 0;
    header.ok = !header.size.isEmpty();
    return header;
}

GifHeader ReadGifHeader(const QByteArray &data)
{
    GifHeader header;
    if (!data.startsWith("GIF87a") && !data.startsWith("GIF89a"))
        return header;
    GifCursor cursor(data, 6);
    const int screenWidth = cursor.Word();
    const int screenHeight = cursor.Word();
    const int packed = cursor.Byte();
    header.background = cursor.Byte();
    if (header.background < 0 || !cursor.Skip(1)
        || !cursor.SkipColourTable(packed, &header.globalColours, &header.globalCount))
        return header;
    for (;;) {
        const int introducer = cursor.Byte();
        if (introducer == 0x21) { // an extension: its label, then sub-blocks
            const int label = cursor.Byte();
            if (label == GraphicControl)
                header.transparent = cursor.Transparency(); // the last one before the frame counts
            if (label < 0 || !cursor.SkipSubBlocks())
                return header;
            continue;
        }
        if (introducer != 0x2C) // the trailer, or damage, before any frame
            return header;
        const int left = cursor.Word();
        const int top = cursor.Word();
        const int width = cursor.Word();
        const int height = cursor.Word();
        const int framePacked = cursor.Byte();
        if (framePacked < 0)
            return header;
        // The picture is the logical screen, or the frame's extent where the
        // screen declares nothing.
        const qint64 pictureWidth = screenWidth > 0 ? screenWidth : left + width;
        const qint64 pictureHeight = screenHeight > 0 ? screenHeight : top + height;
        header.declared = Declared(pictureWidth, pictureHeight);
        header.size = QSize(Side(pictureWidth), Side(pictureHeight));
        header.frame = QRect(left, top, width, height);
        header.interlaced = (framePacked & 0x40) != 0;
        header.ok = !header.size.isEmpty() && width > 0 && height > 0;
        const bool table = cursor.SkipColourTable(framePacked, &header.localColours, &header.localCount);
        header.imageData = cursor.At();
        header.complete = table && cursor.Byte() >= 0 && cursor.SkipSubBlocks();
        return header;
    }
}

namespace {

bool BmpHeaderSizeKnown(quint32 size)
{
    // OS/2 1.x, Windows 3 (with its two extensions for bit fields), OS/2 2.x,
    // Windows 4 and 5.
    for (const quint32 known : {12u, 40u, 52u, 56u, 64u, 108u, 124u})
        if (size == known)
            return true;
    return false;
}

// Where the colour table starts: after the header, and after the bit
// fields a Windows 3 header is followed by.
qsizetype BmpPaletteStart(const BmpHeader &header)
{
    qsizetype at = 14 + header.headerSize;
    if (header.headerSize == 40 && header.compression == 3)
        at += 12;
    if (header.headerSize == 40 && header.compression == 6)
        at += 16;
    return at;
}

} // namespace

BmpHeader ReadBmpHeader(const QByteArray &data)
{
    BmpHeader header;
    if (!data.startsWith("BM") || data.size() < 26)
        return header;
    const qint64 pixelsAt = LittleEndian(data, 10, 4);
    const quint32 headerSize = LittleEndian(data, 14, 4);
    if (!BmpHeaderSizeKnown(headerSize))
        return header;
    header.headerSize = int(headerSize);
    qint64 width = 0, height = 0, coloursUsed = 0;
    if (headerSize == 12) { // the old OS/2 header
        width = LittleEndian(data, 18, 2);
        height = LittleEndian(data, 20, 2);
        header.bitsPerPixel = int(LittleEndian(data, 24, 2));
    } else if (data.size() >= 50) {
        width = qint32(LittleEndian(data, 18, 4));
        height = qint32(LittleEndian(data, 22, 4));
        if (height == INT_MIN) // top-down, but of a height 32 bits cannot hold
            return header;
        header.topDown = height < 0;
        height = qAbs(height);
        header.bitsPerPixel = int(LittleEndian(data, 28, 2));
        header.compression = int(qMin<quint32>(LittleEndian(data, 30, 4), 255));
        header.imageBytes = LittleEndian(data, 34, 4);
        coloursUsed = LittleEndian(data, 46, 4);
    } else {
        return header;
    }
    header.declared = Declared(width, height);
    header.size = QSize(Side(width), Side(height));
    header.ok = !header.size.isEmpty();
    if (!header.ok)
        return header;
    // Bit fields: inside a newer header, or right after a Windows 3 one.
    for (int i = 0; i < 4; ++i)
        if (54 + 4 * i + 4 <= data.size())
            header.masks[i] = LittleEndian(data, 54 + 4 * i, 4);
    const bool alphaGiven = headerSize >= 56 || (headerSize == 40 && header.compression == 6);
    const bool fieldsGiven = headerSize >= 52 || header.compression == 3 || header.compression == 6;
    if (!alphaGiven)
        header.masks[3] = 0;
    if (!fieldsGiven)
        header.masks[0] = header.masks[1] = header.masks[2] = 0;
    header.palette = BmpPaletteStart(header);
    if (header.bitsPerPixel <= 8)
        header.colours = int(coloursUsed > 0 ? qMin<qint64>(coloursUsed, 1 << 16) : 1 << header.bitsPerPixel);
    const qint64 paletteEnd = header.palette + qint64(header.colours) * (headerSize == 12 ? 3 : 4);
    // A pixel offset inside the headers is wrong: the pixels follow the table.
    header.pixels = qsizetype(qMax(pixelsAt, paletteEnd));
    // Count the bytes the pixels need; compressed pixels take what the header says.
    const bool uncompressed = header.compression == 0 || header.compression == 3 || header.compression == 6;
    const qint64 needed = uncompressed ? (width * header.bitsPerPixel + 31) / 32 * 4 * height : header.imageBytes;
    header.complete = paletteEnd <= data.size() && header.pixels + needed <= data.size();
    return header;
}
