// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QSize>

// What PNG, GIF and BMP headers declare, read without decoding a pixel: the
// size a reader will make, and whether the data it needs is all there.

struct PngHeader
{
    bool ok = false;
    QSize size;
    bool interlaced = false;
};

// The IHDR chunk, which a PNG must start with.
PngHeader ReadPngHeader(const QByteArray &data);

struct GifHeader
{
    bool ok = false;       // a header and a first frame were found
    QSize size;            // of the picture a reader makes: the logical screen
    bool complete = false; // the first frame's data ends where it should
};

// Walks the blocks up to the end of the first frame, skipping its data
// sub-blocks by their lengths: a file cut short anywhere before is not
// complete (Qt's reader gives such a file back without an error, its missing
// part black).
GifHeader ReadGifHeader(const QByteArray &data);

struct BmpHeader
{
    bool ok = false;
    QSize size;
    int bitsPerPixel = 0;
    bool complete = false; // the pixel data the header announces is all there
};

BmpHeader ReadBmpHeader(const QByteArray &data);
