// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QImage>

// Pictures made to cost their reader as much as possible, or cut short, or
// laid out in the less common ways a reader must follow, for the tests, the
// fuzz seeds and the memory benchmark. Each is made with little more memory
// than its own bytes, whatever size it declares.
namespace HostilePictures {

// An RGBA PNG in horizontal bands of red, green, blue and half-transparent
// black, written a row at a time: 10000 x 10000 takes under half a megabyte.
// seed changes a text chunk, so that copies differ byte for byte.
QByteArray BandedPng(int width, int height, bool interlaced = false, int seed = 0);

// A run-length (RLE8) BMP declaring width x height: one row of blue runs, then
// the end-of-bitmap code. About a kilobyte, whatever it declares.
QByteArray RunLengthBmp(int width, int height);

// A GIF of the indexed image (at most 256 colours), LZW-coded as a real
// writer does. A one-colour 10000 x 10000 picture takes under 100 KB.
QByteArray Gif(const QImage &indexed);
// How a GIF of an indexed picture is laid out.
struct GifShape
{
    QSize screen;              // empty: the picture's own size
    QPoint at;                 // the frame's place on the screen
    bool interlaced = false;
    int transparent = -1;      // made transparent by a graphic control extension
    bool localTable = false;   // the colours in the frame's table, none for the screen
    int background = 0;        // the screen's background colour
    int codeSize = 8;          // the LZW minimum code size; the table has 2^codeSize colours
    bool clearWhenFull = true; // false: the code table stays full, as some writers leave it
};
QByteArray Gif(const QImage &indexed, const GifShape &shape);

// How a BMP is laid out: bits a pixel (1, 4 and 8 take an indexed picture),
// compression (0, 1 and 2 for run lengths of 8 and 4 bits, 3 and 6 for bit
// fields), header size (12 for OS/2; 40, 52, 56, 108, 124), rows from the top.
struct BmpShape
{
    int bits = 24;
    int compression = 0;
    int headerSize = 40;
    bool topDown = false;
    quint32 masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha, where the header holds them
    QByteArray pixelData;            // when given, stored instead of the picture's rows
};
QByteArray Bmp(const QImage &image, const BmpShape &shape);

// A one-colour GIF of width x height (indexed, so it costs a byte a pixel to make).
QByteArray SolidGif(int width, int height);
// A GIF whose logical screen is width x height with a 1 x 1 frame in it.
QByteArray GifWithHugeScreen(int width, int height);

// A progressive JPEG of the picture whose last scan is repeated repeats times
// more: every repeat makes a decoder walk the whole picture again.
QByteArray JpegRepeatingScan(const QImage &picture, int repeats);

// A baseline JPEG of the picture carrying an Exif thumbnail: a whole small
// JPEG, end-of-image marker included, inside its APP1 segment.
QByteArray JpegWithExifThumbnail(const QImage &picture, const QImage &thumbnail);

// The picture as a baseline JPEG padded with application segments to at least
// bytes; seed goes into the padding, so that copies differ.
QByteArray PaddedJpeg(const QImage &picture, int bytes, int seed);

// A WebP of the extended layout declaring width x height (an animation when
// asked) with nothing after its header chunk: 30 bytes.
QByteArray WebpDeclaring(int width, int height, bool animated = false);

// A picture with detail everywhere, so that cutting its file short shows.
QImage Stripes(int width, int height);

} // namespace HostilePictures
