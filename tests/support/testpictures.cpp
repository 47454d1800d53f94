// SPDX-License-Identifier: MIT
#include "support/testpictures.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QRandomGenerator>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>
#include <webp/encode.h>

namespace TestPictures {

QImage Solid(int width, int height, const QColor &colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QImage Noise(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(quint32(width * 7 + height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000u);
    }
    return image;
}

QByteArray Jpeg(const QImage &image, int quality, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

namespace {

// A JPEG written by libjpeg itself, for the kinds Qt does not write: setUp
// chooses the colour space and coding after the defaults, row(y) gives a
// scanline of components bytes a pixel.
QByteArray LibjpegJpeg(int width, int height, int components, J_COLOR_SPACE input,
                       const std::function<void(jpeg_compress_struct &)> &setUp,
                       const std::function<JSAMPROW(int y)> &row)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = input;
    jpeg_set_defaults(&cinfo);
    setUp(cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW pointer = row(int(cinfo.next_scanline));
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char *>(out), int(size));
    std::free(out);
    return bytes;
}

} // namespace

QByteArray AdobeCmykJpeg(int width, int height, int c, int m, int y, int k)
{
    std::vector<JSAMPLE> row(size_t(width) * 4);
    for (int x = 0; x < width; ++x) {
        row[size_t(x) * 4 + 0] = JSAMPLE(255 - c);
        row[size_t(x) * 4 + 1] = JSAMPLE(255 - m);
        row[size_t(x) * 4 + 2] = JSAMPLE(255 - y);
        row[size_t(x) * 4 + 3] = JSAMPLE(255 - k);
    }
    return LibjpegJpeg(
        width, height, 4, JCS_CMYK,
        [](jpeg_compress_struct &cinfo) {
            jpeg_set_colorspace(&cinfo, JCS_YCCK); // writes the Adobe marker
            jpeg_set_quality(&cinfo, 95, TRUE);
        },
        [&row](int) { return row.data(); });
}

QByteArray ArithmeticJpeg(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    return LibjpegJpeg(
        rgb.width(), rgb.height(), 3, JCS_RGB,
        [](jpeg_compress_struct &cinfo) {
            cinfo.arith_code = TRUE;
            jpeg_set_quality(&cinfo, 90, TRUE);
        },
        [&rgb](int y) { return const_cast<JSAMPROW>(rgb.constScanLine(y)); });
}

QByteArray Encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray SolidGif(int width, int height, const QColor &colour)
{
    QByteArray gif("GIF89a");
    const auto word = [&gif](int value) {
        gif.append(char(value & 0xFF));
        gif.append(char((value >> 8) & 0xFF));
    };
    word(width);
    word(height);
    gif.append(char(0x81)); // a global table of 4 colours
    gif.append('\0');
    gif.append('\0');
    for (const QColor &entry : {colour, QColor(Qt::black), QColor(Qt::black), QColor(Qt::black)}) {
        gif.append(char(entry.red()));
        gif.append(char(entry.green()));
        gif.append(char(entry.blue()));
    }
    gif.append(',');
    word(0);
    word(0);
    word(width);
    word(height);
    gif.append('\0');

    // LZW with 3-bit codes that never grow: a clear code before every two
    // pixels keeps the table from filling.
    constexpr int clear = 4;
    constexpr int end = 5;
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    const auto put = [&](int code) {
        bits |= quint32(code) << count;
        count += 3;
        while (count >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    const qint64 pixels = qint64(width) * height;
    for (qint64 i = 0; i < pixels; ++i) {
        if (i % 2 == 0)
            put(clear);
        put(0);
    }
    put(end);
    if (count > 0)
        data.append(char(bits & 0xFF));

    gif.append(char(2)); // minimum code size
    for (int at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        gif.append(char(block.size()));
        gif.append(block);
    }
    gif.append('\0');
    gif.append(';');
    return gif;
}

QByteArray JpegDeclaring(int width, int height)
{
    QByteArray bytes = Jpeg(Solid(16, 16, Qt::gray), 90, true);
    // Rewrite the frame header's height and width (big-endian, after the
    // marker, the length and the precision byte).
    const int frame = bytes.indexOf(QByteArray("\xFF\xC2", 2));
    if (frame < 0)
        return QByteArray();
    bytes[frame + 5] = char((height >> 8) & 0xFF);
    bytes[frame + 6] = char(height & 0xFF);
    bytes[frame + 7] = char((width >> 8) & 0xFF);
    bytes[frame + 8] = char(width & 0xFF);
    return bytes;
}

QList<int> JpegMarkers(const QByteArray &jpeg)
{
    QList<int> markers;
    int i = 0;
    while (i + 1 < jpeg.size()) {
        if (uchar(jpeg[i]) != 0xFF) {
            ++i;
            continue;
        }
        const int marker = uchar(jpeg[i + 1]);
        if (marker == 0xFF || marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7)) {
            ++i;
            continue;
        }
        markers << marker;
        if (marker == 0xD8 || marker == 0xD9) {
            i += 2;
            continue;
        }
        if (i + 3 >= jpeg.size())
            break;
        const int length = (uchar(jpeg[i + 2]) << 8) | uchar(jpeg[i + 3]);
        i += 2 + length;
        // After a start of scan the entropy-coded data follows; the loop
        // skips it byte by byte, stepping over stuffed 0xFF00 pairs.
    }
    return markers;
}

QByteArray Webp(const QImage &image, bool lossless)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    const int stride = int(rgba.bytesPerLine());
    uint8_t *out = nullptr;
    const size_t size = lossless ? WebPEncodeLosslessRGBA(rgba.constBits(), rgba.width(), rgba.height(), stride, &out)
                                 : WebPEncodeRGBA(rgba.constBits(), rgba.width(), rgba.height(), stride, 90, &out);
    const QByteArray webp(reinterpret_cast<const char *>(out), qsizetype(size));
    WebPFree(out);
    return webp;
}

} // namespace TestPictures
