// SPDX-License-Identifier: MIT
#include "engine/pictures/pictureproblem.h"

#include "base/briskoerror.h"
#include "base/byteorder.h"
#include "base/translation.h"
#include "engine/pictures/jpegcodec.h"
#include "engine/pictures/pictureheaders.h"
#include "engine/pictures/picturelimits.h"
#include "engine/pictures/pictureloader.h"
#include "engine/pictures/webpcodec.h"

#include <optional>

namespace {

QString Unsupported(const char *kind)
{
    return EnglishText("Engine", "unsupported picture (%1)").arg(QLatin1String(kind));
}

// Formats that are no JPEG, PNG, GIF, BMP or WebP, by their signatures.
QString UnknownFormat(const QByteArray &data)
{
    if (data.startsWith(QByteArray("II*\0", 4)) || data.startsWith(QByteArray("MM\0*", 4)))
        return Unsupported("TIFF");
    if (data.mid(4, 8) == "ftypavif")
        return Unsupported("AVIF");
    if (data.mid(4, 4) == "ftyp")
        return Unsupported("HEIF");
    if (data.startsWith(QByteArray("\xFF\x0A", 2)) || data.mid(4, 8) == QByteArray("JXL \r\n\x87\n", 8))
        return Unsupported("JPEG XL");
    if (data.startsWith(QByteArray("\0\0\0\x0CjP  ", 8)))
        return Unsupported("JPEG 2000");
    return EnglishText("Engine", "unsupported picture format");
}

// The JPEG kinds an 8-bit baseline or progressive decoder cannot read: the
// start-of-frame marker names lossless and hierarchical coding, and its
// first byte the sample precision. None for a kind it reads.
std::optional<QString> UnsupportedJpegKind(const QByteArray &data)
{
    for (qsizetype at = 2; at + 4 < data.size();) {
        if (uchar(data.at(at)) != 0xFF)
            return std::nullopt;
        const uchar marker = uchar(data.at(at + 1));
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        const int length = int(BigEndian(data, at + 2, 2));
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (marker == 0xC3 || marker == 0xC7 || marker == 0xCB || marker == 0xCF)
                return Unsupported("lossless JPEG");
            if (marker == 0xC5 || marker == 0xC6 || marker == 0xCD || marker == 0xCE)
                return Unsupported("hierarchical JPEG");
            if (at + 4 < data.size() && uchar(data.at(at + 4)) != 8)
                return Unsupported(uchar(data.at(at + 4)) == 12 ? "12-bit JPEG" : "JPEG of unusual precision");
            return std::nullopt;
        }
        if (marker == 0xDA || length < 2)
            return std::nullopt;
        at += 2 + length;
    }
    return std::nullopt;
}

// The size as the header writes it, beyond the limits too.
QSize DeclaredSize(const QByteArray &data, PictureFormat format)
{
    switch (format) {
    case PictureFormat::Jpeg: {
        const Result<JpegHeader> header = ReadJpegHeader(data);
        return header ? header->size : QSize();
    }
    case PictureFormat::Png: return ReadPngHeader(data).declared;
    case PictureFormat::Gif: return ReadGifHeader(data).declared;
    case PictureFormat::Bmp: return ReadBmpHeader(data).declared;
    case PictureFormat::Webp: return ReadWebpHeader(data).size;
    case PictureFormat::Unknown: break;
    }
    return QSize();
}

} // namespace

QString PictureProblem(const QByteArray &picture)
{
    if (picture.isEmpty())
        return EnglishText("Engine", "empty picture");
    const PictureFormat format = DetectPictureFormat(picture);
    if (format == PictureFormat::Unknown)
        return UnknownFormat(picture);
    if (format == PictureFormat::Jpeg) {
        if (const std::optional<QString> kind = UnsupportedJpegKind(picture))
            return *kind;
    }
    if (format == PictureFormat::Webp && ReadWebpHeader(picture).animated)
        return Unsupported("animated WebP"); // libwebp's decoder reads still pictures only
    const QSize size = DeclaredSize(picture, format);
    if (size.isValid() && !PictureLimits::IsWithin(size))
        return EnglishText("Engine", "Picture too large: %1 x %2 is beyond the limits").arg(size.width()).arg(size.height());
    return EnglishText("Engine", "damaged picture");
}

QString RefusalReason(const QByteArray &picture, const QString &told)
{
    const QString kind = PictureProblem(picture);
    if (kind.startsWith(QLatin1String("unsupported")) || told.isEmpty()
        || told == ErrorText(ErrorNumber::InvalidPicture))
        return kind;
    return told.left(1).toLower() + told.mid(1);
}
