// SPDX-License-Identifier: MIT
#include "engine/convert/artconversion.h"

#include "base/briskoerror.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/files/atomicsave.h"
#include "engine/convert/filerewrite.h"
#include "engine/convert/folderart.h"
#include "engine/pictures/jpegcodec.h"
#include "engine/files/localpath.h"
#include "engine/files/sidefile.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/pictures/pictureloader.h"
#include "engine/pictures/pictureproblem.h"
#include "engine/tags/taglibrary.h"

#include <QFileInfo>

#include <sys/stat.h>

#include <cmath>
#include <limits>

namespace {

Result<qint16> RoundHalfEven(long double value)
{
    long double rounded = std::round(value);
    if (std::fabs(value - std::trunc(value)) == 0.5L)
        rounded = 2 * std::round(value / 2);
    if (!(rounded >= std::numeric_limits<qint16>::min() && rounded <= std::numeric_limits<qint16>::max()))
        return Failure{ErrorNumber::Overflow, ErrorText(ErrorNumber::Overflow)};
    return qint16(rounded);
}

} // namespace

RowStatus StatusOfArt(ArtOutcome outcome)
{
    switch (outcome) {
    case ArtOutcome::Resized: return RowStatus::Resized;
    case ArtOutcome::SaveFailed:
    case ArtOutcome::TooLarge: return RowStatus::ResizeFailed;
    case ArtOutcome::PictureAdded: return RowStatus::PictureAdded;
    case ArtOutcome::LowDriveSpace: return RowStatus::LowDriveSpace;
    case ArtOutcome::FileMissing: return RowStatus::FileMissing;
    case ArtOutcome::NoPicture: return RowStatus::NoPicture;
    case ArtOutcome::Skipped:
    case ArtOutcome::Stopped: return RowStatus::Unchanged;
    case ArtOutcome::SpaceFreed: return RowStatus::SpaceFreed;
    }
    return RowStatus::ResizeFailed;
}

RowStatus StatusOfConversion(const ArtConversion &conversion)
{
    if (conversion.outcome == ArtOutcome::NoPicture && !conversion.reason.isEmpty())
        return RowStatus::ResizeFailed;
    return StatusOfArt(conversion.outcome);
}

Result<QSize> NewPictureSize(double width, double height, int target)
{
    const long double w = width;
    const long double h = height;
    if (w == h)
        return QSize(target, target);
    const Result<qint16> shorter = RoundHalfEven(h > w ? w / h * target : h / w * target);
    if (!shorter)
        return shorter.Why();
    // A sliver keeps at least one pixel: no picture has a side of none.
    const int side = qMax<qint16>(1, *shorter);
    return h > w ? QSize(side, target) : QSize(target, side);
}

namespace {

// The picture's size from its headers (a PNG or WebP decoded as it is, which
// is as good as converting it first). Fails with 481 for a picture that
// cannot be read.
Result<QSize> MeasureArt(const QByteArray &art, bool *fromPng)
{
    *fromPng = DetectPictureFormat(art) == PictureFormat::Png;
    return DeclaredPictureSize(art);
}

// Within the target, or exactly at it when smaller pictures are to grow.
bool Sized(QSize size, const ArtRequest &request)
{
    const int longer = qMax(size.width(), size.height());
    return request.neverEnlarge ? longer <= request.target : longer == request.target;
}

// Already what a conversion makes: a JPEG players show as it is, sized and
// within the byte limit.
bool AlreadyFits(const QByteArray &art, QSize size, const ArtRequest &request)
{
    if (!Sized(size, request) || DetectPictureFormat(art) != PictureFormat::Jpeg)
        return false;
    const Result<JpegHeader> header = ReadJpegHeader(art);
    return header && PlayersShowJpeg(*header) && (request.maxBytes <= 0 || art.size() <= request.maxBytes);
}

// A sized JPEG that only its progressive scans keep from players.
bool OnlyItsScansInTheWay(const QByteArray &art, QSize size, const ArtRequest &request)
{
    if (!Sized(size, request) || DetectPictureFormat(art) != PictureFormat::Jpeg)
        return false;
    const Result<JpegHeader> read = ReadJpegHeader(art);
    if (!read)
        return false;
    JpegHeader header = *read;
    const bool progressive = header.progressive;
    header.progressive = false;
    return progressive && PlayersShowJpeg(header);
}

Result<QSize> NewSizeFor(QSize size, const ArtRequest &request)
{
    if (request.neverEnlarge && qMax(size.width(), size.height()) <= request.target)
        return size;
    return NewPictureSize(size.width(), size.height(), request.target);
}

// The new picture, and what it took.
struct NewArt
{
    QByteArray jpeg;
    QSize size;
    int quality = 0;
    QString note;
};

// A progressive picture within the size becomes baseline from its
// coefficients, unless that is over the byte limit; every other picture is
// encoded at the size (and within the byte limit). Fails as the encoder
// does: with its codes, or PictureEncoder::DoesNotFit.
Result<NewArt> MakeNewArt(PictureEncoder &encoder, const ArtRequest &request, const QByteArray &art, QSize size)
{
    if (request.leaveFitting && OnlyItsScansInTheWay(art, size, request)) {
        const Result<QByteArray> baseline = encoder.BaselineJpegData(art, request.stopRequested);
        if (!baseline)
            return baseline.Why();
        if (request.maxBytes <= 0 || baseline->size() <= request.maxBytes)
            return NewArt{*baseline, size, 0,
                          EnglishText("Engine", "made baseline without encoding it again: the same pixels")};
    }
    const Result<QSize> sized = NewSizeFor(size, request);
    if (!sized)
        return sized.Why();
    const QSize planned = *sized;
    const Result<MadeJpeg> made =
        encoder.FittedJpegData(art, planned, request.quality, request.maxBytes, request.stopRequested);
    if (!made)
        return made.Why();
    NewArt fitted{made->jpeg, made->size, made->quality, QString()};
    if (made->size != planned || made->quality != request.quality)
        fitted.note = EnglishText("Engine", "%1 at quality %2 to stay within %3")
                          .arg(SizeText(made->size.width(), made->size.height()))
                          .arg(made->quality)
                          .arg(Kilobytes(request.maxBytes));
    return fitted;
}

// Pictures other than the one converted first that are larger than the
// target, each in its place. One that cannot be read or made to fit stays as
// it is: the first picture decides the file's outcome. How many were
// converted; other failures (a stop, memory) end the conversion.
Result<int> ConvertLaterPictures(TagLibrary &tags, PictureEncoder &encoder, const ArtRequest &request, int first)
{
    const auto passedOver = [](const Failure &why) {
        return why.code == ErrorNumber::InvalidPicture || why.code == PictureEncoder::DoesNotFit;
    };
    int converted = 0;
    for (int number = 1; number <= tags.PictureCount(); ++number) {
        if (number == first)
            continue;
        const Result<QByteArray> art = tags.PictureData(number);
        if (!art)
            continue;
        bool fromPng = false;
        const Result<QSize> size = MeasureArt(*art, &fromPng);
        if (!size && passedOver(size.Why()))
            continue;
        if (!size)
            return size.Why();
        if (qMax(size->width(), size->height()) <= request.target)
            continue;
        const Result<QSize> sized = NewSizeFor(*size, request);
        if (!sized)
            return sized.Why();
        const Result<MadeJpeg> made =
            encoder.FittedJpegData(*art, *sized, request.quality, request.maxBytes, request.stopRequested);
        if (made)
            converted += tags.ReplacePictureData(number, made->jpeg).Ok();
        else if (!passedOver(made.Why()))
            return made.Why();
    }
    return converted;
}

ArtConversion Ended(ArtConversion result, ArtOutcome outcome, const QString &reason = QString())
{
    // A new size only for a picture that was made (or would be, in a dry run).
    if (outcome != ArtOutcome::Resized && outcome != ArtOutcome::PictureAdded)
        result.newSize = QSize();
    result.outcome = outcome;
    result.reason = reason;
    return result;
}

// How a conversion ends when its picture failed: a picture that cannot be
// read is none that can be converted, and says why. Failures it does not
// know fail the conversion.
Result<ArtConversion> PictureFailed(ArtConversion result, const QByteArray &art, const Failure &why)
{
    switch (why.code) {
    case ErrorNumber::FileNotFound:
    case ErrorNumber::PathNotFound: return Ended(result, ArtOutcome::FileMissing);
    case ErrorNumber::InvalidPicture: return Ended(result, ArtOutcome::NoPicture, RefusalReason(art, why.reason));
    case ErrorNumber::UserInterrupt: return Ended(result, ArtOutcome::Stopped);
    default: return why;
    }
}

// How a conversion ends when no new picture was made for art.
Result<ArtConversion> NotMade(ArtConversion result, const QByteArray &art, const Failure &why)
{
    if (why.code == PictureEncoder::DoesNotFit)
        return Ended(result, ArtOutcome::TooLarge, why.reason);
    return PictureFailed(std::move(result), art, why);
}

// The file left as it was for why, which the tag library gave.
ArtConversion Refused(ArtConversion result, const Failure &why)
{
    result.failureCode = why.code;
    return Ended(std::move(result), ArtOutcome::SaveFailed, why.reason);
}

// What became of a file that could not be opened for rewriting.
ArtConversion NotOpened(ArtConversion result, const Failure &why)
{
    switch (why.code) {
    case TagLibraryError::FileNotFound: return Ended(std::move(result), ArtOutcome::FileMissing);
    case TagLibraryError::NoRoom: return Ended(std::move(result), ArtOutcome::LowDriveSpace);
    case ErrorNumber::UserInterrupt: return Ended(std::move(result), ArtOutcome::Stopped); // waiting for memory
    default: return Refused(std::move(result), why);
    }
}

// The edits made: saved (or, in a dry run, measured) as outcome.
ArtConversion Written(TagLibrary &tags, const QString &path, const ArtRequest &request, ArtConversion result,
                      ArtOutcome outcome)
{
    if (request.dryRun) {
        const Result<qint64> size = tags.SizeAfterSave(path);
        if (!size)
            return Refused(result, size.Why());
        result.bytesAfter = *size;
        return Ended(result, outcome);
    }
    const Result<void> saved = SaveKeepingTime(tags, path, false);
    if (!saved) {
        // The copy itself found no room: as when the file was opened.
        if (saved.Why().code == TagLibraryError::NoRoom)
            return Ended(result, ArtOutcome::LowDriveSpace);
        return Refused(result, saved.Why());
    }
    result.otherNames = tags.OtherNamesOfSaved();
    result.bytesAfter = tags.SavedLength();
    return Ended(result, outcome);
}

// Art left as it is, in a file that may still hold the padding of an
// earlier save that kept the file's length: that space is given back.
ArtConversion LeaveArt(TagLibrary &tags, const QString &path, const ArtRequest &request, ArtConversion result)
{
    if (tags.SparePadding() == 0)
        return Ended(result, ArtOutcome::Skipped);
    tags.ShrinkPadding();
    return Written(tags, path, request, result, ArtOutcome::SpaceFreed);
}

// The folder's picture, made to fit, as the front cover of a file that has
// no picture; art holds it for the caller's reasons.
Result<ArtConversion> AddFolderPicture(TagLibrary &tags, PictureEncoder &encoder, const QString &path,
                                       const ArtRequest &request, ArtConversion result, QByteArray *art)
{
    const std::optional<FolderPicture> found = request.folderArt->For(path);
    if (!found)
        return Ended(result, ArtOutcome::NoPicture);
    const QString name = ReadablePath(QFileInfo(found->path).fileName());
    if (!found->data)
        return Ended(result, ArtOutcome::NoPicture,
                     EnglishText("Engine", "the folder picture %1 cannot be read: %2")
                         .arg(name, found->data.Why().reason));
    *art = *found->data;
    const Result<QSize> measured = MeasureArt(*art, &result.fromPng);
    if (!measured)
        return PictureFailed(result, *art, measured.Why());
    result.oldSize = *measured;
    NewArt added{*art, result.oldSize, 0, QString()};
    if (!(request.leaveFitting && AlreadyFits(*art, result.oldSize, request))) {
        const Result<NewArt> made = MakeNewArt(encoder, request, *art, result.oldSize);
        if (!made)
            return NotMade(result, *art, made.Why());
        added = *made;
    }
    result.newSize = added.size;
    result.quality = added.quality;
    result.notes << EnglishText("Engine", "the folder picture %1 added as the front cover").arg(name);
    if (!added.note.isEmpty())
        result.notes << added.note;
    const Result<void> stored = tags.AddPictureData(added.jpeg, FrontCoverType);
    if (!stored)
        return Refused(result, stored.Why());
    result = Written(tags, path, request, result, ArtOutcome::PictureAdded);
    if (result.outcome == ArtOutcome::PictureAdded && !request.dryRun)
        result.picture = added.jpeg;
    return result;
}

// The picture to convert: the first front cover when asked to put it first
// and picture 1 is not one, else picture 1.
int PictureToConvert(const TagLibrary &tags, const ArtRequest &request)
{
    if (!request.frontCoverFirst || tags.GetPictureType(1) == FrontCoverType)
        return 1;
    for (int number = 2; number <= tags.PictureCount(); ++number) {
        if (tags.GetPictureType(number) == FrontCoverType)
            return number;
    }
    return 1;
}

} // namespace

Result<ArtConversion> ConvertArt(TagLibrary &tags, PictureEncoder &encoder, const QString &path,
                                 const ArtRequest &request)
{
    ArtConversion result;
    const CloseOnExit closeFile(tags);
    QByteArray art;
    // What a killed run left beside the file is cleared before the file
    // is read: finishing its work may replace the file.
    if (!request.dryRun)
        RemoveLeftoverSideFiles(BytesFromPath(FolderOf(path)));
    // The picture stays in memory from the tag to the tag: no temporary
    // files, so none can be left behind.
    const Result<void> open = OpenForRewrite(tags, path);
    if (!open)
        return NotOpened(result, open.Why());
    result.bytesBefore = qint64(tags.OpenState().st_size);
    result.picture = QByteArray();
    const Result<void> wholeTag = tags.TagReadWhole();
    if (tags.PictureCount() == 0 && request.folderArt && wholeTag)
        return AddFolderPicture(tags, encoder, path, request, result, &art);
    if (tags.PictureCount() == 0 && !wholeTag)
        return Ended(result, ArtOutcome::NoPicture,
                     EnglishText("Engine", "the tag cannot be read whole: %1").arg(wholeTag.Why().reason));
    if (tags.PictureCount() == 0)
        return Ended(result, ArtOutcome::NoPicture);
    const int first = PictureToConvert(tags, request);
    const bool moved = first != 1;
    const short pictureType = tags.GetPictureType(first);
    const Result<QByteArray> stored = tags.PictureData(first);
    if (!stored)
        return Ended(result, ArtOutcome::NoPicture, stored.Why().reason);
    art = *stored;
    result.picture = art;
    const Result<QSize> measured = MeasureArt(art, &result.fromPng);
    if (!measured)
        return PictureFailed(result, art, measured.Why());
    result.oldSize = *measured;
    const QSize &size = result.oldSize;
    const bool small = request.skipSmaller && size.width() <= request.target && size.height() <= request.target;
    if (small && !moved)
        return LeaveArt(tags, path, request, result);
    const bool firstStays = small || (request.leaveFitting && AlreadyFits(art, size, request));
    if (firstStays && !moved && !request.allPictures)
        return LeaveArt(tags, path, request, result);

    if (moved) {
        tags.MovePictureToFront(first);
        result.notes << EnglishText("Engine", "the front cover (picture %1) moved to be picture 1").arg(first);
    }
    QByteArray jpeg;
    if (!firstStays) {
        const Result<NewArt> made = MakeNewArt(encoder, request, art, size);
        if (!made)
            return NotMade(result, art, made.Why());
        jpeg = made->jpeg;
        result.newSize = made->size;
        result.quality = made->quality;
        if (!made->note.isEmpty())
            result.notes << made->note;
        const Result<void> replaced = tags.AddPictureData(jpeg, pictureType);
        if (!replaced)
            return Refused(result, replaced.Why());
    } else if (moved) {
        result.newSize = size;
    }
    const Result<int> later = request.allPictures ? ConvertLaterPictures(tags, encoder, request, first) : 0;
    if (!later)
        return PictureFailed(result, art, later.Why());
    if (firstStays && !moved && *later == 0)
        return LeaveArt(tags, path, request, result);

    result = Written(tags, path, request, result, ArtOutcome::Resized);
    if (result.outcome == ArtOutcome::Resized && !request.dryRun && !firstStays)
        result.picture = jpeg;
    return result;
}
