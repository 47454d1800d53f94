// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/pictures/decodebudget.h"
#include "engine/pictures/image.h"
#include "base/stopcheck.h"

#include <QByteArray>
#include <QSize>
#include <QString>

// What a picture file holds, told from its first bytes.
enum class PictureFormat { Unknown, Jpeg, Png, Bmp, Gif, Webp };

PictureFormat DetectPictureFormat(const QByteArray &data);

// The whole file, for the picture code. Fails with 53 when it does not
// exist, 76 when its folder does not, 75 when it cannot be read, 481 when it
// is larger than a picture can be.
Result<QByteArray> ReadPictureFile(const QString &path);

// The picture loader that measures and shows pictures. It reads JPEG, BMP and
// GIF (the first frame); PNG, WebP and anything else fail with 481 (invalid
// picture), as do files cut short, damaged data and pictures declaring more
// than PictureLimits allow. A picture of a known kind that the decoder cannot
// hold in memory fails with 50003. The failure's reason says why a picture
// was refused ("Damaged picture: cut short", "Picture too large: ...").
//
// PictureSize reads only the headers; LoadPicture decodes the pixels into
// an opaque picture (transparent parts over white).
Result<QSize> PictureSize(const QString &path);
Result<Image> LoadPicture(const QString &path);

// A picture a user chose to put into tags: JPEG, BMP, GIF and PNG (a
// user's covers are often PNG), decoded as PNG art in a tag is, transparent
// parts over white, within the same limits and decoding budget. A refusal
// (481) says why in its reason. stop is asked while it decodes, as below.
Result<Image> LoadReplacementPicture(const QString &path, const StopCheck &stop = {});

// The same rules on bytes already read.
Result<QSize> PictureSizeOf(const QByteArray &data);
Result<Image> LoadPictureFrom(const QByteArray &data);

// The size any of the five kinds declares, PNG and WebP included, from its
// headers alone, with the same checks and failures (an animated WebP is
// refused: its frames are not read).
Result<QSize> DeclaredPictureSize(const QByteArray &data);

// A decoded picture with the memory it was granted: the grant is kept while
// the picture is worked on, and given back with it.
struct DecodedPicture
{
    DecodeBudget::Grant grant; // first, so that it is given back after the picture is gone
    Image image;
};

// Decodes PNG and WebP as well, for the encoder, with the same checks and failures,
// into an opaque picture (transparent parts over white). With a non-empty
// minSize the picture is shrunk while it is decoded, as far as both sides
// stay at least that big.
//
// What decoding will take is worked out from the header first (with
// minSize's worth for the caller's exact-size copy), and waited for in
// DecodeBudget::Pictures(); a picture that needs more than the whole budget
// is refused (481). stop is asked while it decodes or waits: when it says
// so, the decode fails with 18.
Result<DecodedPicture> DecodePicture(const QByteArray &data, QSize minSize, const StopCheck &stop = {});

// A JPEG as a baseline JPEG of the very same pixels (JpegToBaseline), with
// the same checks, failures and decoding budget as DecodePicture.
Result<QByteArray> JpegAsBaseline(const QByteArray &jpeg, const StopCheck &stop = {});
