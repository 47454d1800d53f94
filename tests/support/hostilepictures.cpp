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
// code needs another bit, and the table starts again when it is full.
QByteArray LzwCodes(const uchar *pixels, qint64 count)
{
    constexpr int Clear = 256, End = 257, Full = 4095;
    std::vector<int> table(size_t(4096) * 256, -1); // (prefix, byte) -> code
    QByteArray out;
    quint32 bits = 0;
    int held = 0, width = 9, next = End + 1;
    const auto put = [&](int code) {
        bits |= quint32(code) << held;
        for (held += width; held >= 8; held -= 8, bits >>= 8)
            out.append(char(bits & 0xFF));
        if (next >= (1 << width) && width < 12)
            ++width;
    };
    const auto restart = [&] {
        put(Clear);
        std::fill(table.begin(), table.end(), -1);
        next = End + 1;
        width = 9;
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
        if (next >= Full)
            restart();
        else
            table[key] = next++;
        prefix = pixels[i];
    }
    put(prefix);
    put(End);
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
