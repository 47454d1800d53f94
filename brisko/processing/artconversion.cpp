#include "processing/artconversion.h"

#include "processing/atomicsave.h"
#include "processing/filetimes.h"
#include "processing/pictureencoder.h"
#include "processing/pictureloader.h"
#include "processing/taglibrary.h"
#include "shell/briskoerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

#include <cmath>
#include <limits>

namespace {

constexpr qint64 SpaceBeyondFileSize = 256000;

qint16 RoundHalfEven(long double value)
{
    long double rounded = std::round(value);
    if (std::fabs(value - std::trunc(value)) == 0.5L)
        rounded = 2 * std::round(value / 2);
    if (!(rounded >= std::numeric_limits<qint16>::min() && rounded <= std::numeric_limits<qint16>::max()))
        throw MakeError(ErrorNumber::Overflow);
    return qint16(rounded);
}

FreeSpaceQuery &FreeSpace()
{
    static FreeSpaceQuery query;
    return query;
}

} // namespace

qint64 FreeSpaceFor(const QString &path)
{
    if (FreeSpace())
        return FreeSpace()(path);
    // statvfs() alone: QStorageInfo would read the whole mount table first.
    struct statvfs volume {};
    if (::statvfs(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &volume) != 0)
        return -1;
    return qint64(volume.f_bavail) * qint64(volume.f_frsize);
}

void SetFreeSpaceQuery(FreeSpaceQuery query)
{
    FreeSpace() = std::move(query);
}

bool RoomToRewrite(const QString &path, qint64 fileSize)
{
    return FreeSpaceFor(path) >= fileSize + SpaceBeyondFileSize;
}

QSize NewPictureSize(double width, double height, int target)
{
    const long double w = width;
    const long double h = height;
    if (h > w)
        return QSize(RoundHalfEven(w / h * target), target);
    if (w > h)
        return QSize(target, RoundHalfEven(h / w * target));
    return QSize(target, target);
}

ArtConversion ConvertArt(TagLibrary &tags, PictureEncoder &encoder, const QString &path, int target,
                         int quality, const std::function<void()> &letEventsRun)
{
    ArtRequest request;
    request.target = target;
    request.quality = quality;
    request.letEventsRun = letEventsRun;
    return ConvertArt(tags, encoder, path, request);
}

ArtConversion ConvertArt(TagLibrary &tags, PictureEncoder &encoder, const QString &path,
                         const ArtRequest &request)
{
    ArtConversion result;
    try {
        const QFileInfo file(path);
        if (!file.exists()) {
            result.outcome = ArtOutcome::FileMissing;
            return result;
        }
        if (!RoomToRewrite(path, file.size())) {
            result.outcome = ArtOutcome::LowDriveSpace;
            return result;
        }

        // The picture stays in memory from the tag to the tag: no temporary
        // files, so none can be left behind.
        if (tags.OpenAudioFile(path) != 1) {
            result.outcome = QFileInfo::exists(path) ? ArtOutcome::SaveFailed : ArtOutcome::FileMissing;
            return result;
        }
        const short pictureType = tags.GetPictureType(1);
        QByteArray art;
        if (!tags.PictureData(1, &art)) {
            result.outcome = ArtOutcome::NoPicture;
            return result;
        }
        QSize size;
        if (DetectPictureFormat(art) == PictureFormat::Png) {
            result.fromPng = true; // decoded as it is, as good as converting it first
            size = DeclaredPictureSize(art);
        } else {
            size = PictureSizeOf(art);
        }

        result.oldSize = size;
        if (request.skipSmaller && size.width() <= request.target && size.height() <= request.target) {
            result.outcome = ArtOutcome::Skipped;
            return result;
        }
        result.newSize = NewPictureSize(size.width(), size.height(), request.target);
        if (request.dryRun) {
            QString why;
            result.outcome = MayRewrite(path, &why) ? ArtOutcome::Resized : ArtOutcome::SaveFailed;
            return result;
        }
        QByteArray jpeg;
        try {
            jpeg = encoder.ResizeToJpegData(art, result.newSize, request.quality, request.stopRequested);
        } catch (const BriskoError &error) {
            // Its headers were fine, the picture itself is not.
            if (error.Number() != ErrorNumber::InvalidPicture)
                throw;
            result.outcome = ArtOutcome::NoPicture;
            result.pictureProblem = error.Description();
            return result;
        }
        if (request.letEventsRun)
            request.letEventsRun();
        if (!tags.AddPictureData(jpeg, pictureType))
            throw BriskoError(tags.LastErrorCode(), tags.LastErrorText());

        // The new file carries the old time before it replaces the old one,
        // so no one ever sees the file with a new time.
        const QDateTime modified = LastModified(path);
        if (tags.SaveId3v2Tag(path, modified) != -1) {
            QFile::remove(path + QLatin1Char('~'));
            result.outcome = ArtOutcome::SaveFailed;
            return result;
        }
        if (!RestoreModifiedTime(path, modified))
            throw MakeError(ErrorNumber::TimestampFailed);
        result.outcome = ArtOutcome::Resized;
        return result;
    } catch (const BriskoError &error) {
        switch (error.Number()) {
        case ErrorNumber::FileNotFound:
        case ErrorNumber::PathNotFound: result.outcome = ArtOutcome::FileMissing; return result;
        case ErrorNumber::InvalidPicture:
            result.outcome = ArtOutcome::NoPicture;
            result.pictureProblem = error.Description();
            return result;
        case ErrorNumber::UserInterrupt: result.outcome = ArtOutcome::Stopped; return result;
        default: throw;
        }
    }
}
