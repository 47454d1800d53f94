// SPDX-License-Identifier: MIT
#include "window/filepreview.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "base/tagerrors.h"
#include "engine/pictures/pictureproblem.h"
#include "engine/convert/statuses.h"
#include "engine/tags/taglibrary.h"
#include "window/widgets/enginepicture.h"

#include <QCoreApplication>

namespace {

QString FileSizeText(qint64 bytes)
{
    return QCoreApplication::translate("Window", "File Size: %1").arg(FormatSize(float(bytes)));
}

QString ImageSizeText(QSize size)
{
    return QCoreApplication::translate("Window", "Image Size: %1").arg(SizeText(size.width(), size.height()));
}

QString NoSize()
{
    return QCoreApplication::translate("Window", "File Size: -----");
}

} // namespace

MeasuredPicture MeasureLogged(const QByteArray &picture, const QString &path, const char *procedure)
{
    const MeasuredPicture measured = MeasurePicture(picture);
    if (!measured.valid)
        LogError(QLatin1String(procedure), path + QStringLiteral(": ") + ErrorText(ErrorNumber::InvalidPicture)
                                               + QStringLiteral(" (") + PictureProblem(picture) + u')');
    return measured;
}

bool PreviewOfAdded(const QByteArray &picture, bool hasPicture, const MeasuredPicture &measured, QSize box,
                    FilePreview *preview)
{
    if (!measured.valid) {
        *preview = FilePreview();
        preview->problem = hasPicture ? PictureProblem(picture) : QString();
        preview->fileSize = NoSize();
        preview->imageSize = ImageSizeText(QSize(0, 0));
        return true;
    }
    const Result<Image> shown = PreviewPicture(picture, measured.size, box);
    if (!shown)
        return false; // counted by its headers; the conversion will tell
    preview->picture = ToQImage(*shown);
    if (preview->picture.isNull())
        return false;
    preview->fileSize = FileSizeText(picture.size());
    preview->imageSize = ImageSizeText(measured.size);
    preview->fromPng = measured.fromPng;
    return true;
}

FilePreview ReadFilePreview(TagLibrary &tags, const QString &path, QSize box)
{
    const Result<void> open = tags.Open(path);
    if (!open)
        return open.Why().code == TagLibraryError::FileNotFound ? MissingFilePreview()
                                                                : UnreadableFilePreview(open.Why().reason);
    const Result<QByteArray> picture = tags.PictureCount() > 0 ? tags.PictureData(1) : QByteArray();
    tags.CloseAudioFile();
    return PreviewOfPicture(picture ? *picture : QByteArray(), path, box);
}

FilePreview PreviewOfPicture(const QByteArray &picture, const QString &path, QSize box)
{
    FilePreview preview;
    if (!picture.isEmpty()) {
        const MeasuredPicture measured = MeasureLogged(picture, path, "ShowPicOnDemand");
        if (measured.valid) {
            const Result<Image> shown = PreviewPicture(picture, measured.size, box);
            if (shown) {
                preview.picture = ToQImage(*shown);
                preview.fileSize = FileSizeText(picture.size());
                preview.imageSize = ImageSizeText(measured.size);
                preview.fromPng = measured.fromPng;
                return preview;
            }
            // The window's handlers tell the other failures by their numbers.
            const Failure &why = shown.Why();
            if (why.code != ErrorNumber::InvalidPicture && why.code != ErrorNumber::PictureUnexpected)
                throw BriskoError(why.code, why.reason);
        }
        preview.problem = PictureProblem(picture);
    }
    preview.picture = QImage();
    preview.fileSize = NoSize();
    preview.imageSize = QCoreApplication::translate("Window", "No Picture");
    return preview;
}

FilePreview MissingFilePreview()
{
    FilePreview preview;
    preview.missing = true;
    preview.fileSize = NoSize();
    preview.imageSize = QCoreApplication::translate("Window", "No Picture");
    return preview;
}

FilePreview UnreadableFilePreview(const QString &why)
{
    FilePreview preview = MissingFilePreview();
    preview.missing = false;
    preview.unreadable = why;
    return preview;
}

bool PreviewTurn::Take()
{
    const qint64 now = clock_.elapsed();
    qint64 due = next_.load();
    return now >= due && next_.compare_exchange_strong(due, now + Interval);
}
