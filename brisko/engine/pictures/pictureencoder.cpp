// SPDX-License-Identifier: MIT
#include "engine/pictures/pictureencoder.h"

#include "base/translation.h"
#include "engine/pictures/imagescaler.h"
#include "engine/pictures/jpegcodec.h"
#include "engine/pictures/picturefailure.h"
#include "engine/pictures/picturelimits.h"
#include "engine/pictures/pictureloader.h"

#include <QFile>

namespace {

// The encoder's failures are all the same unexpected error to callers.
Result<QByteArray> ToJpeg(const Image &image, int quality)
{
    Result<QByteArray> jpeg = EncodeJpeg(image, quality);
    if (!jpeg)
        return StandardFailure(ErrorNumber::PictureUnexpected);
    return jpeg;
}

// The size a tenth smaller on its longer side, not below smallest, the
// other side in proportion (at least one pixel).
QSize StepSmaller(QSize size, int smallest)
{
    const int longer = qMax(size.width(), size.height());
    const int next = qMax(smallest, longer - qMax(1, longer / 10));
    const auto scaled = [&](int side) { return qMax(1, int(qint64(side) * next / longer)); };
    return size.width() >= size.height() ? QSize(next, scaled(size.height())) : QSize(scaled(size.width()), next);
}

Result<void> WriteFile(const Result<QByteArray> &jpeg, const QString &destination)
{
    if (!jpeg)
        return jpeg.Why();
    QFile file(destination);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return StandardFailure(ErrorNumber::FileAccess);
    if (file.write(*jpeg) != jpeg->size() || !file.flush()) {
        file.close();
        file.remove();
        return StandardFailure(ErrorNumber::FileAccess);
    }
    return Result<void>::Success();
}

} // namespace

QString Kilobytes(qint64 bytes)
{
    return QString::number(bytes / 1024.0, 'f', bytes % 1024 == 0 ? 0 : 1) + QStringLiteral(" KB");
}

Result<Image> ScaledPicture(const QByteArray &data, QSize size, const StopCheck &stop)
{
    if (!PictureLimits::IsWithin(size))
        return StandardFailure(ErrorNumber::InvalidArgument);
    // The grant is held until the large picture is gone.
    Result<DecodedPicture> decoded = DecodePicture(data, size, stop);
    if (!decoded)
        return decoded.Why();
    if (decoded->image.Size() == size)
        return std::move(decoded->image);
    return ScaledImage(decoded->image, size);
}

PictureEncoder::PictureEncoder()
    : own_(3, PictureLimits::ArtCacheBytes)
    , cache_(&own_)
{
}

PictureEncoder::PictureEncoder(ArtCache *shared)
    : own_(0, 0)
    , cache_(shared)
{
}

Result<QByteArray> PictureEncoder::Encode(const QByteArray &source, QSize size, int quality, const StopCheck &stop)
{
    return cache_->Get(source, size, quality, [&]() -> Result<QByteArray> {
        if (size.isEmpty()) {
            const Result<DecodedPicture> decoded = DecodePicture(source, QSize(), stop);
            if (!decoded)
                return decoded.Why();
            return ToJpeg(decoded->image, quality);
        }
        const Result<Image> scaled = ScaledPicture(source, size, stop);
        if (!scaled)
            return scaled.Why();
        return ToJpeg(*scaled, quality);
    });
}

Result<void> PictureEncoder::ResizeToJpeg(const QString &source, const QString &destination, int width,
                                          int height, bool flag, int quality)
{
    Q_UNUSED(flag)
    if (!PictureLimits::IsWithin(QSize(width, height)))
        return StandardFailure(ErrorNumber::InvalidArgument);
    const Result<QByteArray> data = ReadPictureFile(source);
    if (!data)
        return data.Why();
    return WriteFile(Encode(*data, QSize(width, height), quality, {}), destination);
}

Result<QByteArray> PictureEncoder::ResizeToJpegData(const QByteArray &source, QSize size, int quality,
                                                    const StopCheck &stop)
{
    if (!PictureLimits::IsWithin(size))
        return StandardFailure(ErrorNumber::InvalidArgument);
    return Encode(source, size, quality, stop);
}

Result<MadeJpeg> PictureEncoder::FittedJpegData(const QByteArray &source, QSize size, int quality, qint64 maxBytes,
                                                const StopCheck &stop)
{
    const Result<QByteArray> first = ResizeToJpegData(source, size, quality, stop);
    if (!first)
        return first.Why();
    MadeJpeg made{*first, size, quality};
    if (maxBytes <= 0 || made.jpeg.size() <= maxBytes)
        return made;
    // Decoded once a size; each quality is only encoded again.
    Result<Image> image = ScaledPicture(source, size, stop);
    if (!image)
        return image.Why();
    // The scaled picture encoded at the quality made holds: whether it fits.
    const auto encodedFits = [&made, maxBytes](const Image &scaled) -> Result<bool> {
        const Result<QByteArray> jpeg = ToJpeg(scaled, made.quality);
        if (!jpeg)
            return jpeg.Why();
        made.jpeg = *jpeg;
        return made.jpeg.size() <= maxBytes;
    };
    while (made.quality > LowestFittingQuality) {
        made.quality = qMax(LowestFittingQuality, made.quality - 5);
        const Result<bool> fits = encodedFits(*image);
        if (!fits)
            return fits.Why();
        if (*fits)
            return made;
    }
    const int smallest = qMin(SmallestFittingSide, qMax(size.width(), size.height()));
    while (qMax(made.size.width(), made.size.height()) > smallest) {
        made.size = StepSmaller(made.size, smallest);
        image = ScaledPicture(source, made.size, stop);
        if (!image)
            return image.Why();
        const Result<bool> fits = encodedFits(*image);
        if (!fits)
            return fits.Why();
        if (*fits)
            return made;
    }
    return Failure{DoesNotFit, EnglishText("Engine", "the picture cannot be made to fit in %1: at %2 x %3 and "
                                                     "quality %4 it takes %5")
                                   .arg(Kilobytes(maxBytes))
                                   .arg(made.size.width())
                                   .arg(made.size.height())
                                   .arg(made.quality)
                                   .arg(Kilobytes(made.jpeg.size()))};
}

Result<QByteArray> PictureEncoder::BaselineJpegData(const QByteArray &jpeg, const StopCheck &stop)
{
    // Kept as a JPEG of no size and quality: no conversion makes one such.
    return cache_->Get(jpeg, QSize(), 0, [&] { return JpegAsBaseline(jpeg, stop); });
}

Result<QByteArray> PictureEncoder::ImageToJpegData(const Image &image, QSize size, int quality)
{
    if (!PictureLimits::IsWithin(size) || image.IsNull())
        return StandardFailure(ErrorNumber::InvalidArgument);
    if (image.Size() == size)
        return ToJpeg(image, quality); // the encoder puts transparent parts over white
    const Result<Image> scaled = ScaledImage(image, size);
    if (!scaled)
        return scaled.Why();
    return ToJpeg(*scaled, quality);
}

Result<void> PictureEncoder::ConvertToJpeg(const QString &source, const QString &destination)
{
    const Result<QByteArray> data = ReadPictureFile(source);
    if (!data)
        return data.Why();
    return WriteFile(Encode(*data, QSize(), DefaultQuality, {}), destination);
}
