// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>

// What PNG, GIF and BMP headers declare, read without decoding a pixel: the
// size a reader will make, and whether the data it needs is all there.

struct PngHeader
{
    bool ok = false;
    QSize size;
    QSize declared; // as written, beyond the limits too (for saying why a picture is refused)
    bool interlaced = false;
};

// The IHDR chunk, which a PNG must start with.
PngHeader ReadPngHeader(const QByteArray &data);

struct GifHeader
{
    bool ok = false;       // a header and a first frame were found
    QSize size;            // of the picture: the logical screen
    QSize declared;
    bool complete = false; // the first frame's data ends where it should
    QRect frame;           // the first frame's place on the screen
    bool interlaced = false;
    // Where the colour tables start (-1: none) and how many colours each has.
    qsizetype globalColours = -1;
    int globalCount = 0;
    qsizetype localColours = -1;
    int localCount = 0;
    int background = 0;    // the screen's background colour, in the global table
    int transparent = -1;  // the first frame's transparent colour, or -1
    qsizetype imageData = -1; // the LZW code size byte, then the data sub-blocks
};

// Walks the blocks up to the end of the first frame, skipping its data
// sub-blocks by their lengths: a file cut short anywhere before is not
// complete (a decoder would have to make up its missing part).
GifHeader ReadGifHeader(const QByteArray &data);

struct BmpHeader
{
    bool ok = false;
    QSize size;
    QSize declared;
    int bitsPerPixel = 0;
    bool complete = false; // the pixel data the header announces is all there
    int headerSize = 0;    // 12 for the old OS/2 header; 40 to 124 for the Windows ones
    int compression = 0;   // 0 none, 1 and 2 run lengths of 8 and 4 bits, 3 and 6 bit fields
    bool topDown = false;  // rows stored from the top (a negative height)
    qsizetype palette = 0; // where the colour table starts
    int colours = 0;       // its entries, of 3 bytes (OS/2) or 4
    // Bit fields of red, green, blue and alpha in a 16- or 32-bit pixel, as
    // the header gives them (zero where it gives none).
    quint32 masks[4] = {0, 0, 0, 0};
    qsizetype pixels = 0;  // where the pixel data starts
    qint64 imageBytes = 0; // its length, as the header gives it (for compressed data)
};

BmpHeader ReadBmpHeader(const QByteArray &data);
