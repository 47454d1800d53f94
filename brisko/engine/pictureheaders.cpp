// SPDX-License-Identifier: MIT
#include "engine/pictureheaders.h"

#include "engine/picturelimits.h"

namespace {

quint32 LittleEndian(const QByteArray &data, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | uchar(data.at(at + i));
    return value;
}

quint32 BigEndian(const QByteArray &data, qsizetype at)
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | uchar(data.at(at + i));
    return value;
}

// A side as a reader takes it; anything beyond the limits is refused before
// it is multiplied.
int Side(qint64 value)
{
    return value > 0 && value <= PictureLimits::MaxSide ? int(value) : 0;
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
    bool SkipColourTable(int packed)
    {
        return (packed & 0x80) == 0 || Skip(3 * (2 << (packed & 7)));
    }

private:
    const QByteArray &data_;
    qsizetype at_;
};

} // namespace

PngHeader ReadPngHeader(const QByteArray &data)
{
    PngHeader header;
    if (data.size() < 33 || !data.startsWith("\x89PNG\r\n\x1A\n") || BigEndian(data, 8) != 13
        || data.mid(12, 4) != "IHDR")
        return header;
    header.size = QSize(Side(BigEndian(data, 16)), Side(BigEndian(data, 20)));
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
    if (packed < 0 || !cursor.Skip(2) || !cursor.SkipColourTable(packed))
        return header;
    for (;;) {
        const int introducer = cursor.Byte();
        if (introducer == 0x21) { // an extension: its label, then sub-blocks
            if (cursor.Byte() < 0 || !cursor.SkipSubBlocks())
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
        // Qt's reader makes a picture of the logical screen, or of the frame
        // where the screen declares nothing.
        header.size = QSize(Side(screenWidth > 0 ? screenWidth : left + width),
                            Side(screenHeight > 0 ? screenHeight : top + height));
        header.ok = !header.size.isEmpty() && width > 0 && height > 0;
        header.complete = cursor.SkipColourTable(framePacked) && cursor.Byte() >= 0
            && cursor.SkipSubBlocks();
        return header;
    }
}

BmpHeader ReadBmpHeader(const QByteArray &data)
{
    BmpHeader header;
    if (!data.startsWith("BM") || data.size() < 26)
        return header;
    const qint64 pixelsAt = LittleEndian(data, 10, 4);
    const quint32 headerSize = LittleEndian(data, 14, 4);
    qint64 width = 0, height = 0, compression = 0, imageSize = 0;
    if (headerSize == 12) { // the old OS/2 header
        width = LittleEndian(data, 18, 2);
        height = LittleEndian(data, 20, 2);
        header.bitsPerPixel = int(LittleEndian(data, 24, 2));
    } else if (headerSize >= 40 && data.size() >= 38) {
        width = qint32(LittleEndian(data, 18, 4));
        height = qAbs(qint64(qint32(LittleEndian(data, 22, 4)))); // negative: rows top down
        header.bitsPerPixel = int(LittleEndian(data, 28, 2));
        compression = LittleEndian(data, 30, 4);
        imageSize = LittleEndian(data, 34, 4);
    } else {
        return header;
    }
    header.size = QSize(Side(width), Side(height));
    header.ok = !header.size.isEmpty();
    if (!header.ok)
        return header;
    // Qt's reader fills in what is missing from a BMP cut short; count the
    // bytes its pixels need instead. Compressed pixels take what the header says.
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    const qint64 needed = uncompressed ? (width * header.bitsPerPixel + 31) / 32 * 4 * height : imageSize;
    header.complete = pixelsAt + needed <= data.size();
    return header;
}
