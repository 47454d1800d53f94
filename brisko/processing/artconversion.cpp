#include "processing/artconversion.h"

#include "processing/filetimes.h"
#include "processing/pictureencoder.h"
#include "processing/pictureloader.h"
#include "processing/taglibrary.h"
#include "shell/briskoerror.h"
#include "shell/errorlog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <cmath>
#include <limits>

namespace {

constexpr qint64 SpaceBeyondFileSize = 256000;

// A fresh, private (0600) file in the temporary folder, removed when the
// conversion is over, whichever way it ends.
class TemporaryPicture
{
public:
    TemporaryPicture()
    {
        QTemporaryFile file(QDir::tempPath() + QStringLiteral("/brisko-XXXXXX.jpg"));
        file.setAutoRemove(false);
        if (!file.open())
            throw MakeError(ErrorNumber::FileAccess);
        path_ = file.fileName();
    }
    ~TemporaryPicture() { QFile::remove(path_); }
    TemporaryPicture(const TemporaryPicture &) = delete;
    TemporaryPicture &operator=(const TemporaryPicture &) = delete;
    const QString &Path() const { return path_; }

private:
    QString path_;
};

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

void PngToJpg(PictureEncoder &encoder, bool *pngMark, const QString &file)
{
    *pngMark = true;
    const QString png = file + QStringLiteral(".png");
    try {
        QFile::remove(png);
        if (!QFile::copy(file, png))
            throw MakeError(ErrorNumber::FileAccess);
        encoder.ConvertToJpeg(png, file);
    } catch (const BriskoError &error) {
        LogError(QStringLiteral("PngToJpg"), error.Description());
    }
    QFile::remove(png);
}

qint64 FreeSpaceFor(const QString &path)
{
    if (FreeSpace())
        return FreeSpace()(path);
    return QStorageInfo(QFileInfo(path).absolutePath()).bytesAvailable();
}

void SetFreeSpaceQuery(FreeSpaceQuery query)
{
    FreeSpace() = std::move(query);
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
    ArtConversion result;
    try {
        const QFileInfo file(path);
        if (!file.exists()) {
            result.outcome = ArtOutcome::FileMissing;
            return result;
        }
        if (FreeSpaceFor(path) < file.size() + SpaceBeyondFileSize) {
            result.outcome = ArtOutcome::LowDriveSpace;
            return result;
        }

        const TemporaryPicture source;
        const TemporaryPicture resized;
        tags.OpenAudioFile(path);
        const short pictureType = tags.GetPictureType(1);
        if (!tags.SavePictureToFile(1, source.Path()))
            QFile::remove(source.Path()); // measuring then finds no file

        QSize size;
        try {
            size = PictureSize(source.Path());
        } catch (const BriskoError &error) {
            if (error.Number() != ErrorNumber::InvalidPicture)
                throw;
            PngToJpg(encoder, &result.fromPng, source.Path());
            try {
                size = PictureSize(source.Path());
            } catch (const BriskoError &again) {
                if (again.Number() != ErrorNumber::InvalidPicture)
                    throw;
                result.outcome = ArtOutcome::NoPicture;
                return result;
            }
        }

        result.newSize = NewPictureSize(size.width(), size.height(), target);
        try {
            encoder.ResizeToJpeg(source.Path(), resized.Path(), result.newSize.width(),
                                 result.newSize.height(), false, quality);
        } catch (const BriskoError &error) {
            // Its headers were fine, the picture itself is not.
            if (error.Number() != ErrorNumber::InvalidPicture)
                throw;
            result.outcome = ArtOutcome::NoPicture;
            return result;
        }
        if (letEventsRun)
            letEventsRun();
        if (!tags.AddPictureFromFile(resized.Path(), QString(), 1, pictureType, 0))
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
        if (error.Number() == ErrorNumber::FileNotFound || error.Number() == ErrorNumber::PathNotFound) {
            result.outcome = ArtOutcome::FileMissing;
            return result;
        }
        throw;
    }
}
