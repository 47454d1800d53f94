// SPDX-License-Identifier: MIT
#include "engine/pictureloader.h"

#include "base/briskoerror.h"
#include "base/translation.h"
#include "engine/jpegcodec.h"
#include "engine/pictureheaders.h"
#include "engine/picturelimits.h"
#include "engine/pngcodec.h"
#include "engine/rowreducer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace {

[[noreturn]] void ThrowInvalid()
{
    throw MakeError(ErrorNumber::InvalidPicture);
}

[[noreturn]] void Refuse(const QString &reason)
{
    throw BriskoError(ErrorNumber::InvalidPicture, reason);
}

[[noreturn]] void RefuseCutShort()
{
    Refuse(EnglishText("Engine", "Damaged picture: cut short"));
}

void RequireWithinLimits(QSize size)
{
    if (size.isEmpty())
        Refuse(EnglishText("Engine", "Damaged picture: it declares no size"));
    if (!PictureLimits::IsWithin(size))
        Refuse(EnglishText("Engine", "Picture too large: %1 x %2 is beyond the limits")
                   .arg(size.width())
                   .arg(size.height()));
}

qint64 Area(QSize size)
{
    return size.isEmpty() ? 0 : qint64(size.width()) * size.height();
}

const char *QtFormatName(PictureFormat format)
{
    return format == PictureFormat::Bmp ? "bmp" : "gif";
}

void RequireLoadable(PictureFormat format)
{
    if (format != PictureFormat::Jpeg && format != PictureFormat::Bmp && format != PictureFormat::Gif)
        ThrowInvalid();
}

// How a picture will be decoded, and what that takes, from its headers.
struct DecodePlan
{
    PictureFormat format = PictureFormat::Unknown;
    QSize size;        // as declared
    int pngFactor = 1; // rows averaged while a PNG is decoded
    qint64 bytes = 0;
};

DecodePlan PlanJpeg(const QByteArray &data, QSize minSize)
{
    const JpegHeader header = ReadJpegHeader(data);
    if (!header.ok)
        Refuse(header.error.isEmpty() ? ErrorText(ErrorNumber::InvalidPicture) : header.error);
    RequireWithinLimits(header.size);
    if (!JpegIsComplete(data))
        RefuseCutShort();
    const QSize decoded = JpegDecodedSize(header.size, minSize);
    // The picture, one CMYK row, and the decoder's own.
    return {PictureFormat::Jpeg, header.size, 1, header.workingBytes + Area(decoded) * 4 + decoded.width() * 4};
}

DecodePlan PlanPng(const QByteArray &data, QSize minSize)
{
    const PngHeader header = ReadPngHeader(data);
    if (!header.ok)
        ThrowInvalid();
    RequireWithinLimits(header.size);
    const int factor = RowReducer::FactorFor(header.size, minSize);
    return {PictureFormat::Png, header.size, factor, PngDecodeBytes(header.size, header.interlaced, factor)};
}

// Qt's readers make the whole picture (four bytes a pixel, a byte for BMP's
// paletted ones), and the opaque copy takes four more.
DecodePlan PlanQt(QSize size, PictureFormat format)
{
    RequireWithinLimits(size);
    constexpr qint64 ReaderOwn = 1 << 20;
    return {format, size, 1, Area(size) * 8 + ReaderOwn};
}

DecodePlan PlanGif(const QByteArray &data)
{
    const GifHeader header = ReadGifHeader(data);
    if (!header.ok)
        ThrowInvalid();
    if (!header.complete)
        RefuseCutShort();
    return PlanQt(header.size, PictureFormat::Gif);
}

DecodePlan PlanBmp(const QByteArray &data)
{
    const BmpHeader header = ReadBmpHeader(data);
    if (!header.ok)
        ThrowInvalid();
    if (!header.complete)
        RefuseCutShort();
    return PlanQt(header.size, PictureFormat::Bmp);
}

DecodePlan PlanDecode(const QByteArray &data, QSize minSize)
{
    DecodePlan plan;
    switch (DetectPictureFormat(data)) {
    case PictureFormat::Jpeg: plan = PlanJpeg(data, minSize); break;
    case PictureFormat::Png: plan = PlanPng(data, minSize); break;
    case PictureFormat::Gif: plan = PlanGif(data); break;
    case PictureFormat::Bmp: plan = PlanBmp(data); break;
    case PictureFormat::Unknown: ThrowInvalid();
    }
    plan.bytes += Area(minSize) * 4; // the caller's copy at the exact size
    return plan;
}

QImage Checked(DecodeResult result, const QImage &image, const QString &error)
{
    switch (result) {
    case DecodeResult::Ok: return image;
    case DecodeResult::Invalid: Refuse(error.isEmpty() ? ErrorText(ErrorNumber::InvalidPicture) : error);
    case DecodeResult::OutOfMemory: throw MakeError(ErrorNumber::PictureUnexpected);
    case DecodeResult::Stopped: ThrowStopped();
    }
    ThrowInvalid();
}


// BMP and GIF through Qt's readers, which offer neither a progress callback
// nor reduced rows: the plan holds them to what the budget allows.
QImage DecodeWithQt(const QByteArray &data, PictureFormat format, qint64 grantBytes)
{
    QByteArray copy = data;
    QBuffer buffer(&copy);
    QImageReader reader(&buffer, QtFormatName(format));
    reader.setAllocationLimit(int(qMax<qint64>(1, grantBytes >> 20)));
    const QImage image = reader.read();
    if (image.isNull()) {
        if (reader.error() == QImageReader::InvalidDataError || reader.error() == QImageReader::UnknownError)
            Refuse(EnglishText("Engine", "Damaged picture: %1").arg(reader.errorString()));
        throw MakeError(ErrorNumber::PictureUnexpected);
    }
    const QImage opaque = OverWhite(image);
    if (opaque.isNull())
        throw MakeError(ErrorNumber::PictureUnexpected);
    return opaque;
}

QImage Decode(const QByteArray &data, const DecodePlan &plan, QSize minSize, qint64 grantBytes,
              const StopCheck &stop)
{
    StopPoll poll(stop);
    QImage image;
    QString error;
    DecodeResult result = DecodeResult::Ok;
    switch (plan.format) {
    case PictureFormat::Jpeg: result = DecodeJpeg(data, minSize, &image, &error, &poll, grantBytes); break;
    case PictureFormat::Png: result = DecodePng(data, plan.pngFactor, &image, &error, &poll); break;
    default:
        if (poll.Stopped())
            ThrowStopped();
        return DecodeWithQt(data, plan.format, grantBytes);
    }
    return Checked(result, image, error);
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

QSize DeclaredPictureSize(const QByteArray &data)
{
    return PlanDecode(data, QSize()).size;
}

QSize PictureSizeOf(const QByteArray &data)
{
    RequireLoadable(DetectPictureFormat(data));
    return DeclaredPictureSize(data);
}

QImage LoadPictureFrom(const QByteArray &data)
{
    RequireLoadable(DetectPictureFormat(data));
    return DecodePicture(data, QSize()).image;
}

DecodedPicture DecodePicture(const QByteArray &data, QSize minSize, const StopCheck &stop)
{
    const DecodePlan plan = PlanDecode(data, minSize);
    DecodeBudget &budget = DecodeBudget::Pictures();
    if (plan.bytes > budget.Capacity())
        Refuse(EnglishText("Engine", "Picture too large: %1 x %2 needs %3 MB to decode, more than the %4 MB allowed")
                   .arg(plan.size.width())
                   .arg(plan.size.height())
                   .arg((plan.bytes + (1 << 20) - 1) >> 20)
                   .arg(budget.Capacity() >> 20));
    DecodedPicture decoded;
    decoded.grant = budget.Acquire(plan.bytes, stop);
    decoded.image = Decode(data, plan, minSize, plan.bytes, stop);
    return decoded;
}

QSize PictureSize(const QString &path)
{
    return PictureSizeOf(ReadPictureFile(path));
}

QImage LoadPicture(const QString &path)
{
    return LoadPictureFrom(ReadPictureFile(path));
}

// Transparent parts become white, as they look on a white page.
QImage OverWhite(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage flat(image.size(), QImage::Format_RGB32);
    if (flat.isNull())
        throw MakeError(ErrorNumber::PictureUnexpected);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}
