#include "processing/pictureencoder.h"

#include "processing/jpegcodec.h"
#include "processing/picturelimits.h"
#include "processing/pictureloader.h"
#include "shell/briskoerror.h"

#include <QFile>
#include <QPainter>

namespace {

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

void WriteJpeg(const QImage &image, int quality, const QString &destination)
{
    QByteArray jpeg;
    QString error;
    if (!EncodeJpeg(image, quality, &jpeg, &error))
        throw MakeError(ErrorNumber::PictureUnexpected);

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

QImage ScaledPicture(const QByteArray &data, QSize size)
{
    if (!PictureLimits::IsWithin(size))
        throw MakeError(ErrorNumber::InvalidArgument);
    QImage image = OverWhite(DecodePicture(data, size));
    if (image.size() != size)
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (image.isNull())
        throw MakeError(ErrorNumber::PictureUnexpected);
    return image;
}

void PictureEncoder::ResizeToJpeg(const QString &source, const QString &destination, int width,
                                  int height, bool flag, int quality)
{
    Q_UNUSED(flag)
    const QImage scaled = ScaledPicture(ReadPictureFile(source), QSize(width, height));
    WriteJpeg(scaled, quality, destination);
}

void PictureEncoder::ConvertToJpeg(const QString &source, const QString &destination)
{
    const QImage image = OverWhite(DecodePicture(ReadPictureFile(source), QSize()));
    WriteJpeg(image, DefaultQuality, destination);
}
