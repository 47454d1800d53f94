// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

// Pictures for the tests, made on the spot.
namespace TestPictures {

QImage Solid(int width, int height, const QColor &colour);
// Pixels of every colour: a picture that takes many bytes at any quality.
QImage Noise(int width, int height);

// JPEG bytes through Qt's writer: baseline or progressive, colour or grey.
QByteArray Jpeg(const QImage &image, int quality = 90, bool progressive = false);
// A CMYK JPEG of one colour, written the way Adobe programs write it
// (inverted values and an Adobe marker).
QByteArray AdobeCmykJpeg(int width, int height, int c, int m, int y, int k);
// An arithmetic-coded baseline JPEG through libjpeg (Qt writes Huffman only).
QByteArray ArithmeticJpeg(const QImage &image);
// PNG or BMP bytes through Qt's writers.
QByteArray Encoded(const QImage &image, const char *format);
// A GIF of one colour (Qt reads GIF but does not write it).
QByteArray SolidGif(int width, int height, const QColor &colour);
// A small progressive JPEG whose frame header claims width x height.
QByteArray JpegDeclaring(int width, int height);
// WebP bytes through libwebp's encoder: lossy at quality 90 (with an alpha
// channel where the picture has transparency), or lossless.
QByteArray Webp(const QImage &image, bool lossless = false);


// The markers of a JPEG file in order (0xD8 for SOI, 0xC0 for SOF0, ...).
QList<int> JpegMarkers(const QByteArray &jpeg);

} // namespace TestPictures
