#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// JPEG reading and writing on libjpeg(-turbo), with the controls Qt's reader
// does not offer: a bound on the decoder's working memory (a progressive file
// of a few kilobytes can declare gigabytes of coefficients), shrinking while
// decoding, and Adobe CMYK.

struct JpegHeader
{
    bool ok = false;
    QSize size;
    bool progressive = false;
    QString error;
};

// The frame size, from the markers before the image data.
JpegHeader ReadJpegHeader(const QByteArray &data);

// True when the image data is followed by an end-of-image marker, so the
// file was not cut short.
bool JpegIsComplete(const QByteArray &data);

enum class JpegDecodeResult { Ok, Invalid, OutOfMemory };

// Decodes into an RGB32 image. With a non-empty minSize the picture is
// shrunk by the largest DCT scale that keeps both sides at least that big.
// The caller checks the declared size against its limits first.
JpegDecodeResult DecodeJpeg(const QByteArray &data, QSize minSize, QImage *image, QString *error);

// Baseline JPEG, 4:2:0, at the quality, with a JFIF header and no other
// markers. The same image and quality always give the same bytes.
bool EncodeJpeg(const QImage &image, int quality, QByteArray *jpeg, QString *error);
