// SPDX-License-Identifier: MIT
#include "engine/pictures/pictureencoder.h"

#include "base/briskoerror.h"
#include "base/translation.h"
#include "engine/pictures/imagescaler.h"
#include "engine/pictures/jpegcodec.h"
#include "engine/pictures/picturelimits.h"
#include "engine/pictures/pictureloader.h"

#include <QFile>

namespace {

QByteArray ToJpeg(const Image &image, int quality)
{
    QByteArray jpeg;
    QString error;
    if (!EncodeJpeg(image, quality, &jpeg, &error))
        throw MakeError(ErrorNumber::PictureUnexpected);
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

// A kilobyte figure for reasons: "60 KB", "60.5 KB".
QString Kilobytes(qint64 bytes)
{
    return QString::number(bytes / 1024.0, 'f', bytes % 1024 == 0 ? 0 : 1) + QStringLiteral(" KB");
}

void WriteFile(const QByteArray &jpeg, const QString &destination)
{
    QFile file(destination);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw MakeError(ErrorNumber::FileAccess);
    if (file.write(jpeg) != jpeg.size() || !file.flush()) {
        file.close();
        file.remove();
        throw MakeError(ErrorNumber::FileAccess);
    }
}

} // namespace

Image ScaledPicture(const QByteArray &data, QSize size, const StopCheck &stop)
{
    if (!PictureLimits::IsWithin(size))
        throw MakeError(ErrorNumber::InvalidArgument);
    // The grant is held until the large picture is gone.
    DecodedPicture decoded = DecodePicture(data, size, stop);
    Image image = decoded.image.Size() == size ? std::move(decoded.image) : ScaledImage(decoded.image, size);
    if (image.IsNull())
        throw MakeError(ErrorNumber::PictureUnexpected);
    return image;
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

QByteArray PictureEncoder::Encode(const QByteArray &source, QSize size, int quality, const StopCheck &stop)
{
    return cache_->Get(source, size, quality, [&] {
        if (size.isEmpty())
            return ToJpeg(DecodePicture(source, QSize(), stop).image, quality);
        return ToJpeg(ScaledPicture(source, size, stop), quality);
    });
}

void PictureEncoder::ResizeToJpeg(const QString &source, const QString &destination, int width,
                                  int height, bool flag, int quality)
{
    Q_UNUSED(flag)
    if (!PictureLimits::IsWithin(QSize(width, height)))
        throw MakeError(ErrorNumber::InvalidArgument);
    WriteFile(Encode(ReadPictureFile(source), QSize(width, height), quality, {}), destination);
}

QByteArray PictureEncoder::ResizeToJpegData(const QByteArray &source, QSize size, int quality,
                                            const StopCheck &stop)
{
    if (!PictureLimits::IsWithin(size))
        throw MakeError(ErrorNumber::InvalidArgument);
    return Encode(source, size, quality, stop);
}

Result<MadeJpeg> PictureEncoder::FittedJpegData(const QByteArray &source, QSize size, int quality, qint64 maxBytes,
                                                const StopCheck &stop)
{
    MadeJpeg made{ResizeToJpegData(source, size, quality, stop), size, quality};
    if (maxBytes <= 0 || made.jpeg.size() <= maxBytes)
        return made;
    // Decoded once a size; each quality is only encoded again.
    Image image = ScaledPicture(source, size, stop);
    while (made.quality > LowestFittingQuality) {
        made.quality = qMax(LowestFittingQuality, made.quality - 5);
        made.jpeg = ToJpeg(image, made.quality);
        if (made.jpeg.size() <= maxBytes)
            return made;
    }
    const int smallest = qMin(SmallestFittingSide, qMax(size.width(), size.height()));
    while (qMax(made.size.width(), made.size.height()) > smallest) {
        made.size = StepSmaller(made.size, smallest);
        image = ScaledPicture(source, made.size, stop);
        made.jpeg = ToJpeg(image, made.quality);
        if (made.jpeg.size() <= maxBytes)
            return made;
    }
    return Failure{0, EnglishText("Engine", "the picture cannot be made to fit in %1: at %2 x %3 and quality %4 "
                                            "it takes %5")
                          .arg(Kilobytes(maxBytes))
                          .arg(made.size.width())
                          .arg(made.size.height())
                          .arg(made.quality)
                          .arg(Kilobytes(made.jpeg.size()))};
}

QByteArray PictureEncoder::BaselineJpegData(const QByteArray &jpeg, const StopCheck &stop)
{
    // Kept as a JPEG of no size and quality: no conversion makes one such.
    return cache_->Get(jpeg, QSize(), 0, [&] { return JpegAsBaseline(jpeg, stop); });
}

QByteArray PictureEncoder::ImageToJpegData(const Image &image, QSize size, int quality)
{
    if (!PictureLimits::IsWithin(size) || image.IsNull())
        throw MakeError(ErrorNumber::InvalidArgument);
    if (image.Size() == size)
        return ToJpeg(image, quality); // the encoder puts transparent parts over white
    const Image scaled = ScaledImage(image, size);
    if (scaled.IsNull())
        throw MakeError(ErrorNumber::PictureUnexpected);
    return ToJpeg(scaled, quality);
}

void PictureEncoder::ConvertToJpeg(const QString &source, const QString &destination)
{
    WriteFile(Encode(ReadPictureFile(source), QSize(), DefaultQuality, {}), destination);
}
