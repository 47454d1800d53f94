// SPDX-License-Identifier: MIT
#include "engine/convert/artconversion.h"

#include "base/briskoerror.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/files/atomicsave.h"
#include "engine/convert/filerewrite.h"
#include "engine/pictures/jpegcodec.h"
#include "engine/files/localpath.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/pictures/pictureloader.h"
#include "engine/pictures/pictureproblem.h"
#include "engine/tags/taglibrary.h"

#include <sys/stat.h>
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

RowStatus StatusOfArt(ArtOutcome outcome)
{
    switch (outcome) {
    case ArtOutcome::Resized: return RowStatus::Resized;
    case ArtOutcome::SaveFailed: return RowStatus::ResizeFailed;
    case ArtOutcome::LowDriveSpace: return RowStatus::LowDriveSpace;
    case ArtOutcome::FileMissing: return RowStatus::FileMissing;
    case ArtOutcome::NoPicture: return RowStatus::NoPicture;
    case ArtOutcome::Skipped:
    case ArtOutcome::Stopped: return RowStatus::Unchanged;
    case ArtOutcome::SpaceFreed: return RowStatus::SpaceFreed;
    }
    return RowStatus::ResizeFailed;
}

bool Exists(const QString &path)
{
    struct stat info {};
    return ::stat(BytesFromPath(path).constData(), &info) == 0;
}

qint64 FreeSpaceFor(const QString &path)
{
    if (FreeSpace())
        return FreeSpace()(path);
    // statvfs() alone: QStorageInfo would read the whole mount table first.
    struct statvfs volume {};
    if (::statvfs(BytesFromPath(FolderOf(path)).constData(), &volume) != 0)
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
    // A sliver keeps at least one pixel: no picture has a side of none.
    if (h > w)
        return QSize(qMax<qint16>(1, RoundHalfEven(w / h * target)), target);
    if (w > h)
        return QSize(target, qMax<qint16>(1, RoundHalfEven(h / w * target)));
    return QSize(target, target);
}

namespace {

// The picture's size from its headers (a PNG or WebP decoded as it is, which
// is as good as converting it first). Throws BriskoError 481 for a picture
// that cannot be read.
QSize MeasureArt(const QByteArray &art, bool *fromPng)
{
    *fromPng = DetectPictureFormat(art) == PictureFormat::Png;
    return DeclaredPictureSize(art);
}

// Already what a conversion makes: a baseline JPEG within the target, or
// exactly at it when smaller pictures are to grow.
bool AlreadyFits(const QByteArray &art, QSize size, const ArtRequest &request)
{
    const int longer = qMax(size.width(), size.height());
    const bool sized = request.neverEnlarge ? longer <= request.target : longer == request.target;
    return sized && DetectPictureFormat(art) == PictureFormat::Jpeg && !ReadJpegHeader(art).progressive;
}

QSize NewSizeFor(QSize size, const ArtRequest &request)
{
    if (request.neverEnlarge && qMax(size.width(), size.height()) <= request.target)
        return size;
    return NewPictureSize(size.width(), size.height(), request.target);
}

QByteArray Encode(PictureEncoder &encoder, const ArtRequest &request, const QByteArray &art, QSize size)
{
    return encoder.ResizeToJpegData(art, size, request.quality, request.stopRequested);
}

// Why a picture that is there cannot be converted.
QString ProblemOf(const QByteArray &art, const BriskoError &error)
{
    return RefusalReason(art, error.Description());
}

// Pictures 2 and on that are larger than the target, each in its place. One
// that cannot be read stays as it is: picture 1 decides the file's outcome.
// How many were converted.
int ConvertLaterPictures(TagLibrary &tags, PictureEncoder &encoder, const ArtRequest &request)
{
    int converted = 0;
    for (int number = 2; number <= tags.PictureCount(); ++number) {
        QByteArray art;
        bool fromPng = false;
        try {
            if (!tags.PictureData(number, &art))
                continue;
            const QSize size = MeasureArt(art, &fromPng);
            if (qMax(size.width(), size.height()) > request.target)
                converted += tags.ReplacePictureData(number, Encode(encoder, request, art, NewSizeFor(size, request)));
        } catch (const BriskoError &error) {
            if (error.Number() != ErrorNumber::InvalidPicture)
                throw;
        }
    }
    return converted;
}

ArtConversion Ended(ArtConversion result, ArtOutcome outcome, const QString &reason = QString())
{
    // A new size only for a picture that was made (or would be, in a dry run).
    if (outcome != ArtOutcome::Resized)
        result.newSize = QSize();
    result.outcome = outcome;
    result.reason = reason;
    return result;
}

// Art left as it is, in a file that may still hold the padding of an
// earlier save that kept the file's length: that space is given back.
ArtConversion LeaveArt(TagLibrary &tags, const QString &path, const ArtRequest &request, ArtConversion result)
{
    if (tags.SparePadding() == 0)
        return Ended(result, ArtOutcome::Skipped);
    tags.ShrinkPadding();
    if (request.dryRun) {
        result.bytesAfter = tags.SizeAfterSave(path);
        return result.bytesAfter < 0 ? Ended(result, ArtOutcome::SaveFailed, tags.LastErrorText())
                                     : Ended(result, ArtOutcome::SpaceFreed);
    }
    if (!SaveKeepingTime(tags, path, false))
        return Ended(result, ArtOutcome::SaveFailed, tags.LastErrorText());
    result.otherNames = tags.OtherNamesOfSaved();
    return Ended(result, ArtOutcome::SpaceFreed);
}

} // namespace

ArtConversion ConvertArt(TagLibrary &tags, PictureEncoder &encoder, const QString &path,
                         const ArtRequest &request)
{
    ArtConversion result;
    const CloseOnExit closeFile(tags);
    QByteArray art;
    try {
        // The picture stays in memory from the tag to the tag: no temporary
        // files, so none can be left behind.
        switch (OpenForRewrite(tags, path)) {
        case OpenStep::FileMissing: return Ended(result, ArtOutcome::FileMissing);
        case OpenStep::LowDriveSpace: return Ended(result, ArtOutcome::LowDriveSpace);
        case OpenStep::CannotOpen: return Ended(result, ArtOutcome::SaveFailed, tags.LastErrorText());
        case OpenStep::Ready: break;
        }
        result.picture = QByteArray();
        const bool tagDamaged = tags.LastErrorCode() == TagLibraryError::TagUnreadable;
        const QString tagProblem = tags.LastErrorText();
        if (tags.PictureCount() == 0)
            return Ended(result, ArtOutcome::NoPicture,
                         tagDamaged ? EnglishText("Engine", "the tag cannot be read whole: %1").arg(tagProblem)
                                    : QString());
        const short pictureType = tags.GetPictureType(1);
        if (!tags.PictureData(1, &art))
            return Ended(result, ArtOutcome::NoPicture, tags.LastErrorText());
        result.picture = art;
        result.oldSize = MeasureArt(art, &result.fromPng);
        const QSize &size = result.oldSize;
        if (request.skipSmaller && size.width() <= request.target && size.height() <= request.target)
            return LeaveArt(tags, path, request, result);
        const bool firstFits = request.leaveFitting && AlreadyFits(art, size, request);
        if (firstFits && !request.allPictures)
            return LeaveArt(tags, path, request, result);

        QByteArray jpeg;
        if (!firstFits) {
            result.newSize = NewSizeFor(size, request);
            try {
                jpeg = Encode(encoder, request, art, result.newSize);
            } catch (const BriskoError &error) {
                // Its headers were fine, the picture itself is not.
                if (error.Number() != ErrorNumber::InvalidPicture)
                    throw;
                return Ended(result, ArtOutcome::NoPicture, ProblemOf(art, error));
            }
            if (!tags.AddPictureData(jpeg, pictureType))
                throw BriskoError(tags.LastErrorCode(), tags.LastErrorText());
        }
        const int later = request.allPictures ? ConvertLaterPictures(tags, encoder, request) : 0;
        if (firstFits && later == 0)
            return LeaveArt(tags, path, request, result);

        if (request.dryRun) {
            result.bytesAfter = tags.SizeAfterSave(path);
            return result.bytesAfter < 0 ? Ended(result, ArtOutcome::SaveFailed, tags.LastErrorText())
                                         : Ended(result, ArtOutcome::Resized);
        }
        if (!SaveKeepingTime(tags, path, false))
            return Ended(result, ArtOutcome::SaveFailed, tags.LastErrorText());
        result.otherNames = tags.OtherNamesOfSaved();
        if (!firstFits)
            result.picture = jpeg;
        return Ended(result, ArtOutcome::Resized);
    } catch (const BriskoError &error) {
        switch (error.Number()) {
        case ErrorNumber::FileNotFound:
        case ErrorNumber::PathNotFound: return Ended(result, ArtOutcome::FileMissing);
        case ErrorNumber::InvalidPicture: return Ended(result, ArtOutcome::NoPicture, ProblemOf(art, error));
        case ErrorNumber::UserInterrupt: return Ended(result, ArtOutcome::Stopped);
        default: throw;
        }
    }
}
