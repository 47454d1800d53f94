// SPDX-License-Identifier: MIT
#include "engine/pictures/pictureloader.h"

#include "base/translation.h"
#include "engine/pictures/bmpcodec.h"
#include "engine/pictures/gifcodec.h"
#include "engine/pictures/jpegcodec.h"
#include "engine/pictures/picturefailure.h"
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

Failure Invalid()
{
    return StandardFailure(ErrorNumber::InvalidPicture);
}

Failure Oversized()
{
    return PictureRefused(
        EnglishText("Engine", "Picture too large: a file of more than %1 MB").arg(PictureLimits::MaxFileBytes >> 20));
}

Failure CutShort()
{
    return PictureRefused(EnglishText("Engine", "Damaged picture: cut short"));
}

Result<void> WithinLimits(QSize size)
{
    if (size.isEmpty())
        return PictureRefused(EnglishText("Engine", "Damaged picture: it declares no size"));
    if (!PictureLimits::IsWithin(size))
        return PictureRefused(EnglishText("Engine", "Picture too large: %1 x %2 is beyond the limits")
                                  .arg(size.width())
                                  .arg(size.height()));
    return Result<void>::Success();
}

qint64 Area(QSize size)
{
    return size.isEmpty() ? 0 : qint64(size.width()) * size.height();
}

bool Loadable(PictureFormat format)
{
    return format == PictureFormat::Jpeg || format == PictureFormat::Bmp || format == PictureFormat::Gif;
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

Result<DecodePlan> PlanJpeg(const QByteArray &data, QSize minSize)
{
    const Result<JpegHeader> header = ReadJpegHeader(data);
    if (!header)
        return header.Why().reason.isEmpty() ? Invalid() : header.Why();
    const Result<void> within = WithinLimits(header->size);
    if (!within)
        return within.Why();
    if (!JpegIsComplete(data))
        return CutShort();
    const QSize decoded = JpegDecodedSize(header->size, minSize);
    // The picture, one CMYK row, and the decoder's own.
    DecodePlan plan;
    plan.format = PictureFormat::Jpeg;
    plan.size = header->size;
    plan.bytes = header->workingBytes + Area(decoded) * 4 + decoded.width() * 4;
    return plan;
}

Result<DecodePlan> PlanPng(const QByteArray &data, QSize minSize)
{
    const PngHeader header = ReadPngHeader(data);
    if (!header.ok)
        return Invalid();
    const Result<void> within = WithinLimits(header.size);
    if (!within)
        return within.Why();
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
Result<void> PlanFromHeader(DecodePlan *plan, PictureFormat format, const Header &header, QSize minSize)
{
    if (!header.ok)
        return Invalid();
    if (!header.complete)
        return CutShort();
    const Result<void> within = WithinLimits(header.size);
    if (!within)
        return within;
    plan->format = format;
    plan->size = header.size;
    plan->factor = RowReducer::FactorFor(header.size, minSize);
    return Result<void>::Success();
}

Result<DecodePlan> PlanGif(const QByteArray &data, QSize minSize)
{
    DecodePlan plan;
    plan.gif = ReadGifHeader(data);
    const Result<void> planned = PlanFromHeader(&plan, PictureFormat::Gif, plan.gif, minSize);
    if (!planned)
        return planned.Why();
    plan.bytes = GifDecodeBytes(plan.gif, plan.factor);
    return plan;
}

Result<DecodePlan> PlanBmp(const QByteArray &data, QSize minSize)
{
    DecodePlan plan;
    plan.bmp = ReadBmpHeader(data);
    const Result<void> planned = PlanFromHeader(&plan, PictureFormat::Bmp, plan.bmp, minSize);
    if (!planned)
        return planned.Why();
    plan.bytes = BmpDecodeBytes(plan.bmp, plan.factor);
    return plan;
}

Result<DecodePlan> PlanWebp(const QByteArray &data, QSize minSize)
{
    DecodePlan plan;
    plan.webp = ReadWebpHeader(data);
    if (plan.webp.animated)
        return PictureRefused(PictureProblem(data));
    const Result<void> planned = PlanFromHeader(&plan, PictureFormat::Webp, plan.webp, minSize);
    if (!planned)
        return planned.Why();
    plan.bytes = WebpDecodeBytes(plan.webp, plan.factor);
    return plan;
}

Result<DecodePlan> PlanFor(PictureFormat format, const QByteArray &data, QSize minSize)
{
    switch (format) {
    case PictureFormat::Jpeg: return PlanJpeg(data, minSize);
    case PictureFormat::Png: return PlanPng(data, minSize);
    case PictureFormat::Gif: return PlanGif(data, minSize);
    case PictureFormat::Bmp: return PlanBmp(data, minSize);
    case PictureFormat::Webp: return PlanWebp(data, minSize);
    case PictureFormat::Unknown: break;
    }
    return Invalid();
}

Result<DecodePlan> PlanDecode(const QByteArray &data, QSize minSize)
{
    Result<DecodePlan> plan = PlanFor(DetectPictureFormat(data), data, minSize);
    if (plan)
        plan->bytes += Area(minSize) * 4; // the caller's copy at the exact size
    return plan;
}

// A decoder's failure as the loader's callers know it: a refusal with no
// words of its own is an invalid picture, and running out of memory is the
// encoder's unexpected error.
Failure Checked(const Failure &failure)
{
    if (failure.code == ErrorNumber::InvalidPicture && failure.reason.isEmpty())
        return Invalid();
    if (failure.code == ErrorNumber::InvalidPicture)
        return failure;
    return StandardFailure(failure.code);
}

Result<Image> Decode(const QByteArray &data, const DecodePlan &plan, QSize minSize, qint64 grantBytes,
                     const StopCheck &stop)
{
    StopPoll poll(stop);
    Result<Image> image = Invalid();
    switch (plan.format) {
    case PictureFormat::Jpeg: image = DecodeJpeg(data, minSize, &poll, grantBytes); break;
    case PictureFormat::Png: image = DecodePng(data, plan.factor, &poll); break;
    case PictureFormat::Gif: image = DecodeGif(data, plan.gif, plan.factor, &poll); break;
    case PictureFormat::Bmp: image = DecodeBmp(data, plan.bmp, plan.factor, &poll); break;
    case PictureFormat::Webp: image = DecodeWebp(data, plan.webp, plan.factor, &poll); break;
    case PictureFormat::Unknown: break;
    }
    if (!image)
        return Checked(image.Why());
    return image;
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

Result<QByteArray> ReadPictureFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return StandardFailure(info.dir().exists() ? ErrorNumber::FileNotFound : ErrorNumber::PathNotFound);
    // Only a regular file can be a picture: a pipe or a device named like one
    // would never end.
    if (!info.isFile())
        return PictureRefused(EnglishText("Engine", "not a regular file"));
    if (info.size() > PictureLimits::MaxFileBytes)
        return Oversized();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return StandardFailure(ErrorNumber::FileAccess);
    // Never more than a picture can be, even if the file grows meanwhile.
    QByteArray data = file.read(PictureLimits::MaxFileBytes + 1);
    if (data.size() > PictureLimits::MaxFileBytes)
        return Oversized();
    return data;
}

Result<QSize> DeclaredPictureSize(const QByteArray &data)
{
    const Result<DecodePlan> plan = PlanDecode(data, QSize());
    if (!plan)
        return plan.Why();
    return plan->size;
}

Result<QSize> PictureSizeOf(const QByteArray &data)
{
    if (!Loadable(DetectPictureFormat(data)))
        return Invalid();
    return DeclaredPictureSize(data);
}

Result<Image> LoadPictureFrom(const QByteArray &data)
{
    if (!Loadable(DetectPictureFormat(data)))
        return Invalid();
    Result<DecodedPicture> decoded = DecodePicture(data, QSize());
    if (!decoded)
        return decoded.Why();
    return std::move(decoded->image);
}

Result<DecodedPicture> DecodePicture(const QByteArray &data, QSize minSize, const StopCheck &stop)
{
    const Result<DecodePlan> plan = PlanDecode(data, minSize);
    if (!plan)
        return plan.Why();
    DecodeBudget &budget = DecodeBudget::Pictures();
    const qint64 allowed = qMin(budget.Capacity(), PictureLimits::MostPerPicture - data.size());
    if (plan->bytes > allowed)
        return PictureRefused(
            EnglishText("Engine", "Picture too large: %1 x %2 needs %3 MB to decode, more than the %4 MB allowed")
                .arg(plan->size.width())
                .arg(plan->size.height())
                .arg((plan->bytes + (1 << 20) - 1) >> 20)
                .arg(qMax<qint64>(0, allowed) >> 20));
    Result<DecodeBudget::Grant> grant = budget.Acquire(plan->bytes, stop);
    if (!grant)
        return grant.Why();
    Result<Image> image = Decode(data, *plan, minSize, plan->bytes, stop);
    if (!image)
        return image.Why();
    return DecodedPicture{std::move(*grant), std::move(*image)};
}

Result<QByteArray> JpegAsBaseline(const QByteArray &jpeg, const StopCheck &stop)
{
    if (DetectPictureFormat(jpeg) != PictureFormat::Jpeg)
        return Invalid();
    const Result<DecodePlan> plan = PlanDecode(jpeg, QSize());
    if (!plan)
        return plan.Why();
    const Result<DecodeBudget::Grant> grant = DecodeBudget::Pictures().Acquire(plan->bytes, stop);
    if (!grant)
        return grant.Why();
    StopPoll poll(stop);
    const Result<QByteArray> baseline = JpegToBaseline(jpeg, &poll, plan->bytes);
    if (!baseline)
        return Checked(baseline.Why());
    return baseline;
}

Result<QSize> PictureSize(const QString &path)
{
    const Result<QByteArray> data = ReadPictureFile(path);
    if (!data)
        return data.Why();
    return PictureSizeOf(*data);
}

Result<Image> LoadPicture(const QString &path)
{
    const Result<QByteArray> data = ReadPictureFile(path);
    if (!data)
        return data.Why();
    return LoadPictureFrom(*data);
}

Result<Image> LoadReplacementPicture(const QString &path, const StopCheck &stop)
{
    const Result<QByteArray> data = ReadPictureFile(path);
    if (!data)
        return data.Why();
    Result<DecodedPicture> decoded = DecodePicture(*data, QSize(), stop);
    if (decoded)
        return std::move(decoded->image);
    if (decoded.Why().code != ErrorNumber::InvalidPicture)
        return decoded.Why();
    return PictureRefused(RefusalReason(*data, decoded.Why().reason));
}
