#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// What a picture file holds, told from its first bytes.
enum class PictureFormat { Unknown, Jpeg, Png, Bmp, Gif };

PictureFormat DetectPictureFormat(const QByteArray &data);

// The whole file, for the picture code. Throws BriskoError 53 when it does
// not exist, 75 when it cannot be read, 481 when it is larger than a picture
// can be.
QByteArray ReadPictureFile(const QString &path);

// The picture loader that measures and shows pictures. It reads JPEG, BMP and
// GIF (the first frame); PNG and anything else fail with BriskoError 481
// (invalid picture), as do files cut short, damaged headers and pictures
// declaring more than PictureLimits allow. A picture of a known kind that the
// decoder cannot hold in memory fails with 50003.
//
// PictureSize reads only the headers; LoadPicture decodes the pixels.
QSize PictureSize(const QString &path);
QImage LoadPicture(const QString &path);

// The same rules on bytes already read.
QSize PictureSizeOf(const QByteArray &data);
QImage LoadPictureFrom(const QByteArray &data);

// Decodes PNG as well, for the encoder, with the same checks and errors.
// With a non-empty minSize a JPEG is shrunk while it is decoded, as far as
// both sides stay at least that big.
QImage DecodePicture(const QByteArray &data, QSize minSize);
