// SPDX-License-Identifier: MIT
#include "engine/pictures/pictureencoder.h"

#include "base/briskoerror.h"
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
