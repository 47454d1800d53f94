#include "engine/pictureloader.h"

#include "base/briskoerror.h"
#include "engine/jpegcodec.h"
#include "engine/picturelimits.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace {

[[noreturn]] void ThrowInvalid()
{
    throw MakeError(ErrorNumber::InvalidPicture);
}

const char *QtFormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Bmp: return "bmp";
    case PictureFormat::Gif: return "gif";
    case PictureFormat::Png: return "png";
    default: return "";
    }
}

QSize CheckedJpegSize(const QByteArray &data)
{
    const JpegHeader header = ReadJpegHeader(data);
    if (!header.ok || !PictureLimits::IsWithin(header.size) || !JpegIsComplete(data))
        ThrowInvalid();
    return header.size;
}

quint32 LittleEndian(const QByteArray &data, int at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | uchar(data.at(at + i));
    return value;
}

// Qt's reader fills in what is missing from a BMP cut short; count the bytes
// its pixels need instead.
bool BmpIsComplete(const QByteArray &data)
{
    if (data.size() < 26)
        return false;
    const qint64 pixelsAt = LittleEndian(data, 10, 4);
    const quint32 headerSize = LittleEndian(data, 14, 4);
    qint64 width = 0, height = 0, bitsPerPixel = 0, compression = 0, imageSize = 0;
    if (headerSize == 12) { // the old OS/2 header
        width = LittleEndian(data, 18, 2);
        height = LittleEndian(data, 20, 2);
        bitsPerPixel = LittleEndian(data, 24, 2);
    } else if (headerSize >= 40 && data.size() >= 38) {
        width = qint32(LittleEndian(data, 18, 4));
        height = qAbs(qint64(qint32(LittleEndian(data, 22, 4))));
        bitsPerPixel = LittleEndian(data, 28, 2);
        compression = LittleEndian(data, 30, 4);
        imageSize = LittleEndian(data, 34, 4);
    } else {
        return false;
    }
    // Sides beyond the limits are refused before anything is multiplied.
    if (width <= 0 || width > PictureLimits::MaxSide || height > PictureLimits::MaxSide)
        return false;
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    const qint64 needed = uncompressed ? (width * bitsPerPixel + 31) / 32 * 4 * height : imageSize;
    return pixelsAt + needed <= data.size();
}

QSize CheckedQtSize(const QByteArray &data, PictureFormat format)
{
    if (format == PictureFormat::Bmp && !BmpIsComplete(data))
        ThrowInvalid();
    QByteArray copy = data;
    QBuffer buffer(&copy);
    QImageReader reader(&buffer, QtFormatName(format));
    const QSize size = reader.size();
    if (!PictureLimits::IsWithin(size))
        ThrowInvalid();
    return size;
}

void RequireLoadable(PictureFormat format)
{
    if (format != PictureFormat::Jpeg && format != PictureFormat::Bmp && format != PictureFormat::Gif)
        ThrowInvalid();
}

} // namespace

PictureFormat DetectPictureFormat(const QByteArray &data)
{
    if (data.startsWith("\xFF\xD8\xFF"))
        return PictureFormat::Jpeg;
    if (data.startsWith("\x89PNG\r\n\x1A\n"))
        return PictureFormat::Png;
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        return PictureFormat::Gif;
    if (data.startsWith("BM") && data.size() >= 26)
        return PictureFormat::Bmp;
    return PictureFormat::Unknown;
}

QByteArray ReadPictureFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw MakeError(info.dir().exists() ? ErrorNumber::FileNotFound : ErrorNumber::PathNotFound);
    // Only a regular file can be a picture: a pipe or a device named like one
    // would never end.
    if (!info.isFile() || info.size() > PictureLimits::MaxFileBytes)
        ThrowInvalid();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw MakeError(ErrorNumber::FileAccess);
    // Never more than a picture can be, even if the file grows meanwhile.
    const QByteArray data = file.read(PictureLimits::MaxFileBytes + 1);
    if (data.size() > PictureLimits::MaxFileBytes)
        ThrowInvalid();
    return data;
}

// JPEG, the usual album art, is measured from its headers. BMP and GIF are
// rare in tags and cheap to decode, and decoding is the surest test that one
// is whole.
QSize PictureSizeOf(const QByteArray &data)
{
    const PictureFormat format = DetectPictureFormat(data);
    RequireLoadable(format);
    return format == PictureFormat::Jpeg ? CheckedJpegSize(data) : LoadPictureFrom(data).size();
}

QImage LoadPictureFrom(const QByteArray &data)
{
    RequireLoadable(DetectPictureFormat(data));
    return DecodePicture(data, QSize());
}

QImage DecodePicture(const QByteArray &data, QSize minSize)
{
    const PictureFormat format = DetectPictureFormat(data);
    if (format == PictureFormat::Unknown)
        ThrowInvalid();

    if (format == PictureFormat::Jpeg) {
        CheckedJpegSize(data);
        QImage image;
        QString error;
        switch (DecodeJpeg(data, minSize, &image, &error)) {
        case JpegDecodeResult::Ok: return image;
        case JpegDecodeResult::OutOfMemory: throw MakeError(ErrorNumber::PictureUnexpected);
        case JpegDecodeResult::Invalid: ThrowInvalid();
        }
    }

    CheckedQtSize(data, format);
    QByteArray copy = data;
    QBuffer buffer(&copy);
    QImageReader reader(&buffer, QtFormatName(format));
    reader.setAllocationLimit(PictureLimits::QtAllocationMegabytes);
    QImage image = reader.read();
    if (image.isNull()) {
        if (reader.error() == QImageReader::InvalidDataError || reader.error() == QImageReader::UnknownError)
            ThrowInvalid();
        throw MakeError(ErrorNumber::PictureUnexpected);
    }
    return image;
}

QSize PictureSize(const QString &path)
{
    return PictureSizeOf(ReadPictureFile(path));
}

QImage LoadPicture(const QString &path)
{
    return LoadPictureFrom(ReadPictureFile(path));
}
