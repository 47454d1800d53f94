// SPDX-License-Identifier: MIT
#include "engine/pictures/pictureloader.h"

#include "base/briskoerror.h"
#include "base/translation.h"
#include "engine/pictures/bmpcodec.h"
#include "engine/pictures/gifcodec.h"
#include "engine/pictures/jpegcodec.h"
#include "engine/pictures/pictureheaders.h"
#include "engine/pictures/pictureproblem.h"
#include "engine/pictures/picturelimits.h"
#include "engine/pictures/pngcodec.h"
#include "engine/pictures/rowreducer.h"
#include "engine/pictures/webpcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

[[noreturn]] void ThrowInvalid()
{
    throw MakeError(ErrorNumber::InvalidPicture);
}

[[noreturn]] void Refuse(const QString &reason)
{
    throw BriskoError(ErrorNumber::InvalidPicture, reason);
}

[[noreturn]] void RefuseOversized()
{
    Refuse(EnglishText("Engine", "Picture too large: a file of more than %1 MB").arg(PictureLimits::MaxFileBytes >> 20));
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

void RequireLoadable(PictureFormat format)
{
    if (format != PictureFormat::Jpeg && format != PictureFormat::Bmp && format != PictureFormat::Gif)
        ThrowInvalid();
}

// How a picture will be decoded, and what that takes, from its headers.
struct DecodePlan
{
    PictureFormat format = PictureFormat::Unknown;
    QSize size;     // as declared
    int factor = 1; // rows averaged while a PNG, GIF, BMP or WebP is decoded
    qint64 bytes = 0;
    GifHeader gif;
    BmpHeader bmp;
    WebpHeader webp;
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
    DecodePlan plan;
    plan.format = PictureFormat::Jpeg;
    plan.size = header.size;
    plan.bytes = header.workingBytes + Area(decoded) * 4 + decoded.width() * 4;
    return plan;
}

DecodePlan PlanPng(const QByteArray &data, QSize minSize)
{
    const PngHeader header = ReadPngHeader(data);
    if (!header.ok)
        ThrowInvalid();
    RequireWithinLimits(header.size);
    DecodePlan plan;
    plan.format = PictureFormat::Png;
    plan.size = header.size;
    plan.factor = RowReducer::FactorFor(header.size, minSize);
    plan.bytes = PngDecodeBytes(header.size, header.interlaced, plan.factor);
    return plan;
}

// GIF, BMP and WebP: their headers are read whole and checked the same way,
// and their rows are reduced as they are decoded.
template <typename Header>
void PlanFromHeader(DecodePlan *plan, PictureFormat format, const Header &header, QSize minSize)
{
    if (!header.ok)
        ThrowInvalid();
    if (!header.complete)
        RefuseCutShort();
    RequireWithinLimits(header.size);
    plan->format = format;
    plan->size = header.size;
    plan->factor = RowReducer::FactorFor(header.size, minSize);
}

DecodePlan PlanGif(const QByteArray &data, QSize minSize)
{
    DecodePlan plan;
    plan.gif = ReadGifHeader(data);
    PlanFromHeader(&plan, PictureFormat::Gif, plan.gif, minSize);
    plan.bytes = GifDecodeBytes(plan.gif, plan.factor);
    return plan;
}

DecodePlan PlanBmp(const QByteArray &data, QSize minSize)
{
    DecodePlan plan;
    plan.bmp = ReadBmpHeader(data);
    PlanFromHeader(&plan, PictureFormat::Bmp, plan.bmp, minSize);
    plan.bytes = BmpDecodeBytes(plan.bmp, plan.factor);
    return plan;
}

DecodePlan PlanWebp(const QByteArray &data, QSize minSize)
{
    DecodePlan plan;
    plan.webp = ReadWebpHeader(data);
    if (plan.webp.animated)
        Refuse(PictureProblem(data));
    PlanFromHeader(&plan, PictureFormat::Webp, plan.webp, minSize);
    plan.bytes = WebpDecodeBytes(plan.webp, plan.factor);
    return plan;
}

DecodePlan PlanDecode(const QByteArray &data, QSize minSize)
{
    DecodePlan plan;
    switch (DetectPictureFormat(data)) {
    case PictureFormat::Jpeg: plan = PlanJpeg(data, minSize); break;
    case PictureFormat::Png: plan = PlanPng(data, minSize); break;
    case PictureFormat::Gif: plan = PlanGif(data, minSize); break;
    case PictureFormat::Bmp: plan = PlanBmp(data, minSize); break;
    case PictureFormat::Webp: plan = PlanWebp(data, minSize); break;
    case PictureFormat::Unknown: ThrowInvalid();
    }
    plan.bytes += Area(minSize) * 4; // the caller's copy at the exact size
    return plan;
}

Image Checked(DecodeResult result, Image image, const QString &error)
{
    switch (result) {
    case DecodeResult::Ok: return image;
    case DecodeResult::Invalid: Refuse(error.isEmpty() ? ErrorText(ErrorNumber::InvalidPicture) : error);
    case DecodeResult::OutOfMemory: throw MakeError(ErrorNumber::PictureUnexpected);
    case DecodeResult::Stopped: ThrowStopped();
    }
    ThrowInvalid();
}

Image Decode(const QByteArray &data, const DecodePlan &plan, QSize minSize, qint64 grantBytes,
             const StopCheck &stop)
{
    StopPoll poll(stop);
    Image image;
    QString error;
    DecodeResult result = DecodeResult::Ok;
    switch (plan.format) {
    case PictureFormat::Jpeg: result = DecodeJpeg(data, minSize, &image, &error, &poll, grantBytes); break;
    case PictureFormat::Png: result = DecodePng(data, plan.factor, &image, &error, &poll); break;
    case PictureFormat::Gif: result = DecodeGif(data, plan.gif, plan.factor, &image, &error, &poll); break;
    case PictureFormat::Bmp: result = DecodeBmp(data, plan.bmp, plan.factor, &image, &error, &poll); break;
    case PictureFormat::Webp: result = DecodeWebp(data, plan.webp, plan.factor, &image, &error, &poll); break;
    case PictureFormat::Unknown: ThrowInvalid();
    }
    return Checked(result, std::move(image), error);
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
    if (data.startsWith("RIFF") && data.mid(8, 4) == "WEBP")
        return PictureFormat::Webp;
    return PictureFormat::Unknown;
}

QByteArray ReadPictureFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw MakeError(info.dir().exists() ? ErrorNumber::FileNotFound : ErrorNumber::PathNotFound);
    // Only a regular file can be a picture: a pipe or a device named like one
    // would never end.
    if (!info.isFile())
        Refuse(EnglishText("Engine", "not a regular file"));
    if (info.size() > PictureLimits::MaxFileBytes)
        RefuseOversized();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw MakeError(ErrorNumber::FileAccess);
    // Never more than a picture can be, even if the file grows meanwhile.
    const QByteArray data = file.read(PictureLimits::MaxFileBytes + 1);
    if (data.size() > PictureLimits::MaxFileBytes)
        RefuseOversized();
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

Image LoadPictureFrom(const QByteArray &data)
{
    RequireLoadable(DetectPictureFormat(data));
    return DecodePicture(data, QSize()).image;
}

DecodedPicture DecodePicture(const QByteArray &data, QSize minSize, const StopCheck &stop)
{
    const DecodePlan plan = PlanDecode(data, minSize);
    DecodeBudget &budget = DecodeBudget::Pictures();
    const qint64 allowed = qMin(budget.Capacity(), PictureLimits::MostPerPicture - data.size());
    if (plan.bytes > allowed)
        Refuse(EnglishText("Engine", "Picture too large: %1 x %2 needs %3 MB to decode, more than the %4 MB allowed")
                   .arg(plan.size.width())
                   .arg(plan.size.height())
                   .arg((plan.bytes + (1 << 20) - 1) >> 20)
                   .arg(qMax<qint64>(0, allowed) >> 20));
    DecodedPicture decoded;
    decoded.grant = budget.Acquire(plan.bytes, stop);
    decoded.image = Decode(data, plan, minSize, plan.bytes, stop);
    return decoded;
}

QByteArray JpegAsBaseline(const QByteArray &jpeg, const StopCheck &stop)
{
    if (DetectPictureFormat(jpeg) != PictureFormat::Jpeg)
        ThrowInvalid();
    const DecodePlan plan = PlanDecode(jpeg, QSize());
    const DecodeBudget::Grant grant = DecodeBudget::Pictures().Acquire(plan.bytes, stop);
    StopPoll poll(stop);
    QByteArray baseline;
    QString error;
    Checked(JpegToBaseline(jpeg, &baseline, &error, &poll, plan.bytes), Image(), error);
    return baseline;
}

QSize PictureSize(const QString &path)
{
    return PictureSizeOf(ReadPictureFile(path));
}

Image LoadPicture(const QString &path)
{
    return LoadPictureFrom(ReadPictureFile(path));
}

Image LoadReplacementPicture(const QString &path, const StopCheck &stop)
{
    const QByteArray data = ReadPictureFile(path);
    try {
        return DecodePicture(data, QSize(), stop).image;
    } catch (const BriskoError &error) {
        if (error.Number() != ErrorNumber::InvalidPicture)
            throw;
        throw BriskoError(ErrorNumber::InvalidPicture, RefusalReason(data, error.Description()));
    }
}
