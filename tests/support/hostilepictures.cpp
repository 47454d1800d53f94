// SPDX-License-Identifier: MIT
#include "support/hostilepictures.h"

#include "support/testpictures.h"

#include <QBuffer>
#include <QImageWriter>

#include <png.h>

#include <vector>

namespace HostilePictures {

namespace {

void AppendWord(QByteArray *bytes, int value)
{
    bytes->append(char(value & 0xFF));
    bytes->append(char((value >> 8) & 0xFF));
}

void AppendLong(QByteArray *bytes, quint32 value)
{
    AppendWord(bytes, int(value & 0xFFFF));
    AppendWord(bytes, int(value >> 16));
}

void AppendToBytes(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<QByteArray *>(png_get_io_ptr(png))->append(reinterpret_cast<const char *>(data),
                                                            qsizetype(length));
}

// Row y of the banded picture: red, green, blue, then black at half opacity.
void BandRow(std::vector<png_byte> *row, int y, int height)
{
    static const png_byte bands[4][4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {0, 0, 0, 128}};
    const png_byte *colour = bands[qMin(3, int(qint64(y) * 4 / height))];
    for (size_t x = 0; x < row->size(); x += 4)
        std::copy(colour, colour + 4, row->begin() + qsizetype(x));
}

// The GIF's LZW data, as giflib writes it: codes widen when the next free
// code needs another bit, and the table starts again when it is full (or,
// as some writers leave it, stays full). Pixels are below 2^minimum.
QByteArray LzwCodes(const uchar *pixels, qint64 count, int minimum = 8, bool clearWhenFull = true)
{
    const int clear = 1 << minimum, end = clear + 1;
    constexpr int Full = 4095, Codes = 4096;
    std::vector<int> table(size_t(Codes) * 256, -1); // (prefix, byte) -> code
    QByteArray out;
    quint32 bits = 0;
    int held = 0, width = minimum + 1, next = end + 1;
    const auto put = [&](int code) {
        bits |= quint32(code) << held;
        for (held += width; held >= 8; held -= 8, bits >>= 8)
            out.append(char(bits & 0xFF));
        if (next >= (1 << width) && width < 12)
            ++width;
    };
    const auto restart = [&] {
        put(clear);
        std::fill(table.begin(), table.end(), -1);
        next = end + 1;
        width = minimum + 1;
    };
    restart();
    int prefix = pixels[0];
    for (qint64 i = 1; i < count; ++i) {
        const size_t key = size_t(prefix) * 256 + pixels[i];
        if (table[key] >= 0) {
            prefix = table[key];
            continue;
        }
        put(prefix);
        if (clearWhenFull && next >= Full)
            restart();
        else if (next < Codes)
            table[key] = next++;
        prefix = pixels[i];
    }
    put(prefix);
    put(end);
    if (held > 0)
        out.append(char(bits & 0xFF));
    return out;
}

QByteArray SubBlocks(const QByteArray &data)
{
    QByteArray blocks;
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        blocks.append(char(block.size()));
        blocks.append(block);
    }
    blocks.append('\0');
    return blocks;
}

QByteArray GifHeader(int width, int height, const QList<QRgb> &colours)
{
    QByteArray gif("GIF89a");
    AppendWord(&gif, width);
    AppendWord(&gif, height);
    gif.append(char(0xF7)); // a global table of 256 colours
    gif.append('\0');
    gif.append('\0');
    for (int i = 0; i < 256; ++i) {
        const QRgb colour = colours.value(i, qRgb(0, 0, 0));
        gif.append(char(qRed(colour)));
        gif.append(char(qGreen(colour)));
        gif.append(char(qBlue(colour)));
    }
    return gif;
}

QByteArray GifFrame(int width, int height, const QByteArray &codes)
{
    QByteArray frame(",");
    AppendWord(&frame, 0);
    AppendWord(&frame, 0);
    AppendWord(&frame, width);
    AppendWord(&frame, height);
    frame.append('\0');
    frame.append(char(8)); // minimum code size
    frame.append(SubBlocks(codes));
    return frame;
}

QByteArray Segment(int marker, const QByteArray &payload)
{
    QByteArray segment;
    segment.append(char(0xFF));
    segment.append(char(marker));
    const int length = int(payload.size()) + 2;
    segment.append(char(length >> 8));
    segment.append(char(length & 0xFF));
    return segment + payload;
}

} // namespace

QByteArray BandedPng(int width, int height, bool interlaced, int seed)
{
    QByteArray bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return QByteArray();
    }
    png_set_write_fn(png, &bytes, AppendToBytes, nullptr);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    QByteArray text = QByteArray::number(seed);
    png_text comment {};
    comment.compression = PNG_TEXT_COMPRESSION_NONE;
    comment.key = const_cast<char *>("Comment");
    comment.text = text.data();
    png_set_text(png, info, &comment, 1);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    std::vector<png_byte> row(size_t(width) * 4);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            BandRow(&row, y, height);
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

QByteArray RunLengthBmp(int width, int height)
{
    QByteArray runs;
    for (int x = 0; x + 255 <= qMin(width, 255 * 8); x += 255) {
        runs.append(char(255));
        runs.append(char(1));
    }
    runs.append('\0');
    runs.append(char(1)); // end of bitmap: the rest is left to the reader

    QByteArray bmp("BM");
    const int pixelsAt = 14 + 40 + 256 * 4;
    AppendLong(&bmp, quint32(pixelsAt + runs.size()));
    AppendLong(&bmp, 0);
    AppendLong(&bmp, pixelsAt);
    AppendLong(&bmp, 40);
    AppendLong(&bmp, quint32(width));
    AppendLong(&bmp, quint32(height));
    AppendWord(&bmp, 1);
    AppendWord(&bmp, 8);
    AppendLong(&bmp, 1); // RLE8
    AppendLong(&bmp, quint32(runs.size()));
    AppendLong(&bmp, 2835);
    AppendLong(&bmp, 2835);
    AppendLong(&bmp, 256);
    AppendLong(&bmp, 0);
    for (int i = 0; i < 256; ++i)
        AppendLong(&bmp, i == 1 ? 0x0000FFu : 0u); // blue, red, green, 0
    return bmp + runs;
}

QByteArray Gif(const QImage &indexed)
{
    QByteArray pixels;
    pixels.reserve(qsizetype(indexed.width()) * indexed.height());
    for (int y = 0; y < indexed.height(); ++y)
        pixels.append(reinterpret_cast<const char *>(indexed.constScanLine(y)), indexed.width());
    return GifHeader(indexed.width(), indexed.height(), indexed.colorTable())
        + GifFrame(indexed.width(), indexed.height(),
                   LzwCodes(reinterpret_cast<const uchar *>(pixels.constData()), pixels.size()))
        + ';';
}

QByteArray SolidGif(int width, int height)
{
    QImage indexed(width, height, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 128, 255)});
    indexed.fill(0);
    return Gif(indexed);
}

QByteArray GifWithHugeScreen(int width, int height)
{
    const uchar pixel = 0;
    return GifHeader(width, height, {qRgb(255, 128, 0)}) + GifFrame(1, 1, LzwCodes(&pixel, 1)) + ';';
}

QByteArray JpegRepeatingScan(const QImage &picture, int repeats)
{
    const QByteArray jpeg = TestPictures::Jpeg(picture, 90, true);
    const qsizetype lastScan = jpeg.lastIndexOf(QByteArray("\xFF\xDA", 2));
    const qsizetype end = jpeg.lastIndexOf(QByteArray("\xFF\xD9", 2));
    if (lastScan < 0 || end < lastScan)
        return QByteArray();
    const QByteArray scan = jpeg.mid(lastScan, end - lastScan);
    return jpeg.left(end) + scan.repeated(repeats) + jpeg.mid(end);
}

QByteArray JpegWithExifThumbnail(const QImage &picture, const QImage &thumbnail)
{
    QByteArray exif("Exif\0\0II*\0", 10);
    AppendLong(&exif, 8);  // the first directory follows the TIFF header
    AppendWord(&exif, 0);  // with no entries
    AppendLong(&exif, 0);  // and no next directory
    exif.append(TestPictures::Jpeg(thumbnail, 75));
    const QByteArray jpeg = TestPictures::Jpeg(picture, 90);
    return jpeg.left(2) + Segment(0xE1, exif) + jpeg.mid(2);
}

QByteArray PaddedJpeg(const QImage &picture, int bytes, int seed)
{
    const QByteArray jpeg = TestPictures::Jpeg(picture, 90);
    QByteArray padding;
    QByteArray payload(65000, Qt::Uninitialized);
    for (int segment = 0; jpeg.size() + padding.size() < bytes; ++segment) {
        // Never 0xFF, so nothing in the padding looks like a marker.
        for (qsizetype i = 0; i < payload.size(); ++i)
            payload[i] = char((seed * 7 + segment * 3 + i) % 251);
        padding.append(Segment(0xEF, payload));
    }
    return jpeg.left(2) + padding + jpeg.mid(2);
}

namespace {

QByteArray ColourTable(const QList<QRgb> &colours, int entries)
{
    QByteArray table;
    for (int i = 0; i < entries; ++i) {
        const QRgb colour = colours.value(i, qRgb(0, 0, 0));
        table.append(char(qRed(colour)));
        table.append(char(qGreen(colour)));
        table.append(char(qBlue(colour)));
    }
    return table;
}

// The rows of an interlaced frame in the order they are stored.
QList<int> RowOrder(int height, bool interlaced)
{
    QList<int> rows;
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass)
        for (int y = interlaced ? starts[pass] : 0; y < height; y += interlaced ? steps[pass] : 1)
            rows << y;
    return rows;
}

} // namespace

QByteArray Gif(const QImage &indexed, const GifShape &shape)
{
    const QSize screen = shape.screen.isEmpty() ? indexed.size() : shape.screen;
    const int tableBits = shape.codeSize - 1; // 2^codeSize colours
    QByteArray gif("GIF89a");
    AppendWord(&gif, screen.width());
    AppendWord(&gif, screen.height());
    gif.append(char(shape.localTable ? 0x70 : 0xF0 | tableBits));
    gif.append(char(shape.background));
    gif.append('\0');
    if (!shape.localTable)
        gif.append(ColourTable(indexed.colorTable(), 1 << shape.codeSize));
    if (shape.transparent >= 0)
        gif.append(QByteArray("\x21\xF9\x04\x01\0\0", 6) + char(shape.transparent) + '\0');
    gif.append(',');
    AppendWord(&gif, shape.at.x());
    AppendWord(&gif, shape.at.y());
    AppendWord(&gif, indexed.width());
    AppendWord(&gif, indexed.height());
    gif.append(char((shape.localTable ? 0x80 | tableBits : 0) | (shape.interlaced ? 0x40 : 0)));
    if (shape.localTable)
        gif.append(ColourTable(indexed.colorTable(), 1 << shape.codeSize));
    QByteArray pixels;
    for (const int y : RowOrder(indexed.height(), shape.interlaced))
        pixels.append(reinterpret_cast<const char *>(indexed.constScanLine(y)), indexed.width());
    gif.append(char(shape.codeSize));
    gif.append(SubBlocks(LzwCodes(reinterpret_cast<const uchar *>(pixels.constData()), pixels.size(),
                                  shape.codeSize, shape.clearWhenFull)));
    return gif + ';';
}

namespace {

// Run lengths of a row of indices: runs of one index, stretches of
// differing ones as they are (padded to 16 bits), the end of the row.
QByteArray RunLengthRow(const uchar *row, int width, bool nibbles)
{
    QByteArray out;
    for (int x = 0; x < width;) {
        int run = 1;
        while (x + run < width && run < 255 && row[x + run] == row[x])
            ++run;
        if (run >= 2 || width - x < 3) {
            out.append(char(run));
            out.append(char(nibbles ? (row[x] << 4) | row[x] : row[x]));
            x += run;
            continue;
        }
        // Pixels as they are, up to where a run starts.
        int stretch = 0;
        while (x + stretch < width && stretch < 255
               && !(x + stretch + 1 < width && row[x + stretch] == row[x + stretch + 1]))
            ++stretch;
        if (stretch < 3) {
            out.append(char(1));
            out.append(char(nibbles ? (row[x] << 4) | row[x] : row[x]));
            ++x;
            continue;
        }
        out.append('\0');
        out.append(char(stretch));
        QByteArray literal;
        for (int i = 0; i < stretch; ++i) {
            if (!nibbles)
                literal.append(char(row[x + i]));
            else if (i % 2 == 0)
                literal.append(char(row[x + i] << 4));
            else
                literal[literal.size() - 1] = char(literal.back() | row[x + i]);
        }
        if (literal.size() % 2)
            literal.append('\0');
        out.append(literal);
        x += stretch;
    }
    out.append('\0');
    out.append('\0');
    return out;
}

quint32 PackFields(QRgb colour, const quint32 masks[4])
{
    quint32 pixel = 0;
    const int channels[] = {qRed(colour), qGreen(colour), qBlue(colour), qAlpha(colour)};
    for (int c = 0; c < 4; ++c) {
        if (!masks[c])
            continue;
        int shift = 0;
        while (!((masks[c] >> shift) & 1))
            ++shift;
        const quint32 top = masks[c] >> shift; // all ones
        int bits = 0;
        while (top >> bits)
            ++bits;
        pixel |= (quint32(channels[c]) >> (8 - qMin(bits, 8))) << shift;
    }
    return pixel;
}

QByteArray PixelRow(const QImage &image, int y, const BmpShape &shape)
{
    QByteArray row;
    const int width = image.width();
    if (shape.bits <= 8 && (shape.compression == 1 || shape.compression == 2))
        return RunLengthRow(image.constScanLine(y), width, shape.compression == 2);
    if (shape.bits <= 8) {
        const uchar *in = image.constScanLine(y);
        const int perByte = 8 / shape.bits;
        for (int x = 0; x < width; x += perByte) {
            int byte = 0;
            for (int i = 0; i < perByte; ++i)
                byte = (byte << shape.bits) | (x + i < width ? in[x + i] : 0);
            row.append(char(byte));
        }
    } else {
        const auto *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (shape.bits == 24) {
                row.append(char(qBlue(in[x])));
                row.append(char(qGreen(in[x])));
                row.append(char(qRed(in[x])));
                continue;
            }
            const quint32 pixel = PackFields(in[x], shape.masks);
            for (int i = 0; i < shape.bits / 8; ++i)
                row.append(char((pixel >> (8 * i)) & 0xFF));
        }
    }
    while (row.size() % 4)
        row.append('\0');
    return row;
}

} // namespace

QByteArray Bmp(const QImage &image, const BmpShape &shape)
{
    const QImage source = shape.bits <= 8 ? image : image.convertToFormat(QImage::Format_ARGB32);
    QByteArray pixels = shape.pixelData;
    if (pixels.isEmpty()) {
        for (int i = 0; i < source.height(); ++i)
            pixels.append(PixelRow(source, shape.topDown ? i : source.height() - 1 - i, shape));
        if (shape.compression == 1 || shape.compression == 2)
            pixels.append(QByteArray("\0\1", 2)); // end of bitmap
    }

    QByteArray header;
    const bool old = shape.headerSize == 12;
    AppendLong(&header, quint32(shape.headerSize));
    if (old) {
        AppendWord(&header, source.width());
        AppendWord(&header, source.height());
        AppendWord(&header, 1);
        AppendWord(&header, shape.bits);
    } else {
        AppendLong(&header, quint32(source.width()));
        AppendLong(&header, quint32(shape.topDown ? -source.height() : source.height()));
        AppendWord(&header, 1);
        AppendWord(&header, shape.bits);
        AppendLong(&header, quint32(shape.compression));
        AppendLong(&header, quint32(pixels.size()));
        AppendLong(&header, 2835);
        AppendLong(&header, 2835);
        AppendLong(&header, shape.bits <= 8 ? quint32(source.colorCount()) : 0);
        AppendLong(&header, 0);
        // Bit fields inside a newer header, or after a Windows 3 one.
        const int fields = shape.headerSize >= 56 || shape.compression == 6 ? 4
            : shape.headerSize >= 52 || shape.compression == 3               ? 3
                                                                             : 0;
        for (int i = 0; i < fields; ++i)
            AppendLong(&header, shape.masks[i]);
        while (header.size() < shape.headerSize)
            header.append('\0');
    }
    QByteArray table;
    for (int i = 0; shape.bits <= 8 && i < source.colorCount(); ++i) {
        const QRgb colour = source.color(i);
        table.append(char(qBlue(colour)));
        table.append(char(qGreen(colour)));
        table.append(char(qRed(colour)));
        if (!old)
            table.append('\0');
    }
    const int pixelsAt = int(14 + header.size() + table.size());
    QByteArray bmp("BM");
    AppendLong(&bmp, quint32(pixelsAt + pixels.size()));
    AppendLong(&bmp, 0);
    AppendLong(&bmp, quint32(pixelsAt));
    return bmp + header + table + pixels;
}

QByteArray WebpDeclaring(int width, int height, bool animated)
{
    QByteArray webp("RIFF\x16\0\0\0WEBPVP8X\x0A\0\0\0", 20);
    webp.append(char(animated ? 0x02 : 0)).append(3, '\0'); // the flags, then reserved bytes
    for (const int side : {width - 1, height - 1})            // 24 bits each, less one
        for (int shift = 0; shift < 24; shift += 8)
            webp.append(char((side >> shift) & 0xFF));
    return webp;
}

QImage Stripes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 5) % 256, (y * 3) % 256, ((x + y) * 2) % 256);
    }
    return image;
}

} // namespace HostilePictures
