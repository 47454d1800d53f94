// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/pictures/image.h"

#include <QByteArray>
#include <QSize>
#include <QString>

class StopPoll;

// JPEG reading and writing on libjpeg(-turbo), with the controls Qt's reader
// does not offer: a bound on the decoder's working memory (a progressive file
// of a few kilobytes can declare gigabytes of coefficients), a bound on the
// number of scans, a stop request looked at while it works, refusal of files
// cut short, shrinking while decoding, and Adobe CMYK.

// How a JPEG stores its colours.
enum class JpegColours { Grey, YCbCr, Rgb, Cmyk, Ycck, Other };

struct JpegHeader
{
    QSize size;
    bool progressive = false;
    bool arithmetic = false; // arithmetic-coded rather than Huffman-coded
    JpegColours colours = JpegColours::Other;
    // What the decoder holds whatever the output size: every coefficient of
    // the picture when it comes in several scans, and its row buffers.
    qint64 workingBytes = 0;
};

// The frame size, from the markers before the image data; a refusal (481)
// with libjpeg's words when they cannot be read.
Result<JpegHeader> ReadJpegHeader(const QByteArray &data);

// Whether players show the picture as it is: baseline, Huffman-coded, in
// YCbCr or grey. Portable players and car units decode nothing else (no
// progressive scans, no CMYK), and many no arithmetic coding. (A header that
// reads at all is 8-bit: the decoder refuses other precisions.)
bool PlayersShowJpeg(const JpegHeader &header);

// The picture's name for its colours: "YCbCr", "grey", "CMYK", ...
QString JpegColoursName(JpegColours colours);

// The size DecodeJpeg gives for minSize: the picture shrunk by the largest DCT
// scale that keeps both sides at least that big.
QSize JpegDecodedSize(QSize size, QSize minSize);

// True when the image data is followed by an end-of-image marker, so the
// file was not cut short.
bool JpegIsComplete(const QByteArray &data);

// Decodes into an opaque image of JpegDecodedSize(). The caller checks the
// declared size against its limits first. Refuses the picture (481) after
// PictureLimits::MaxScans scans or when the data ends early (libjpeg's
// premature-end warnings), fails with 50003 when the decoder's working
// memory would pass maxMemory (0: the whole decoding budget), and with 18
// when stop says so (see picturefailure.h).
Result<Image> DecodeJpeg(const QByteArray &data, QSize minSize, StopPoll *stop = nullptr, qint64 maxMemory = 0);

// The same picture as a baseline JPEG, made from its DCT coefficients as
// they are (as jpegtran does), so it decodes to the very same pixels: for a
// progressive picture players would not show. Its Huffman tables are made
// for it; no marker but JFIF is kept. Gives up as DecodeJpeg does, with the
// decoder's memory bound by maxMemory.
Result<QByteArray> JpegToBaseline(const QByteArray &data, StopPoll *stop, qint64 maxMemory);

// Baseline JPEG, 4:2:0, at the quality, with a JFIF header and no other
// markers. The same image and quality always give the same bytes.
// Transparent parts come out over white. Fails with 50003 and libjpeg's
// words, or when there is no picture or no memory for it.
Result<QByteArray> EncodeJpeg(const Image &image, int quality);
