// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QImage>

// Pictures made to cost their reader as much as possible, or cut short, for
// the tests, the fuzz seeds and the memory benchmark. Each is made with little
// more memory than its own bytes, whatever size it declares.
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

// A picture with detail everywhere, so that cutting its file short shows.
QImage Stripes(int width, int height);

} // namespace HostilePictures
