// SPDX-License-Identifier: MIT
#include "engine/convert/artcheck.h"

#include "base/translation.h"
#include "engine/convert/artconversion.h"
#include "engine/convert/folderart.h"
#include "engine/pictures/jpegcodec.h"
#include "engine/pictures/pictureloader.h"
#include "engine/pictures/pictureproblem.h"
#include "engine/tags/taglibrary.h"

#include <algorithm>

namespace {

enum Reason {
    CannotRead,
    NotFrontCover,
    LargerThanSize,
    Progressive,
    NotJpeg,
    Cmyk,
    Arithmetic,
    OverByteLimit,
    LargeTag,
    SeveralFrontCovers,
    FolderPictureNotUsed,
};

QString ReasonText(Reason reason)
{
    switch (reason) {
    case CannotRead: return EnglishText("Engine", "the file or its picture cannot be read");
    case NotFrontCover: return EnglishText("Engine", "picture 1 is not the front cover");
    case LargerThanSize: return EnglishText("Engine", "larger than the size");
    case Progressive: return EnglishText("Engine", "progressive");
    case NotJpeg: return EnglishText("Engine", "not a JPEG (PNG, GIF, BMP or WebP)");
    case Cmyk: return EnglishText("Engine", "CMYK");
    case Arithmetic: return EnglishText("Engine", "arithmetic-coded");
    case OverByteLimit: return EnglishText("Engine", "over the byte limit");
    case LargeTag: return EnglishText("Engine", "tag over 3 MiB");
    case SeveralFrontCovers: return EnglishText("Engine", "several front covers");
    case FolderPictureNotUsed: return EnglishText("Engine", "no picture while a folder picture exists");
    }
    return QString();
}

QString FormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Jpeg: return QStringLiteral("JPEG");
    case PictureFormat::Png: return QStringLiteral("PNG");
    case PictureFormat::Gif: return QStringLiteral("GIF");
    case PictureFormat::Bmp: return QStringLiteral("BMP");
    case PictureFormat::Webp: return QStringLiteral("WebP");
    case PictureFormat::Unknown: break;
    }
    return QString();
}

// Picture 1's facts and reasons.
void CheckFirstPicture(const QByteArray &art, const CheckRules &rules, ArtCheck *check, QList<Reason> *reasons)
{
    check->pictureBytes = art.size();
    const PictureFormat format = DetectPictureFormat(art);
    check->format = FormatName(format);
    const Result<QSize> size = DeclaredPictureSize(art);
    if (!size) {
        check->problem = RefusalReason(art, size.Why().reason);
        *reasons << CannotRead;
        return;
    }
    check->size = *size;
    if (qMax(check->size.width(), check->size.height()) > rules.target)
        *reasons << LargerThanSize;
    if (format == PictureFormat::Jpeg) {
        // Its size was read from this very header.
        const JpegHeader header = *ReadJpegHeader(art);
        check->progressive = header.progressive;
        check->colours = JpegColoursName(header.colours);
        if (header.progressive)
            *reasons << Progressive;
        if (header.colours == JpegColours::Cmyk || header.colours == JpegColours::Ycck)
            *reasons << Cmyk;
        if (header.arithmetic)
            *reasons << Arithmetic;
    } else {
        *reasons << NotJpeg;
    }
    if (rules.maxBytes > 0 && art.size() > rules.maxBytes)
        *reasons << OverByteLimit;
}

} // namespace

QStringList CheckReasons()
{
    QStringList texts;
    for (int reason = CannotRead; reason <= FolderPictureNotUsed; ++reason)
        texts << ReasonText(Reason(reason));
    return texts;
}

ArtCheck UnreadableArt(const QString &why)
{
    ArtCheck check;
    check.problem = why;
    check.reasons << ReasonText(CannotRead);
    return check;
}

ArtCheck CheckArt(TagLibrary &tags, const QString &path, const CheckRules &rules)
{
    ArtCheck check;
    const CloseOnExit closeFile(tags);
    QList<Reason> reasons;
    const Result<void> open = tags.Open(path);
    if (!open)
        return UnreadableArt(open.Why().reason);
    check.tagBytes = tags.TagBytes();
    check.pictures = tags.PictureCount();
    // Pictures of formats that store no type are all taken as front covers:
    // only stored types tell of several.
    int frontCovers = 0;
    int storedFrontCovers = 0;
    for (int number = 1; number <= check.pictures; ++number) {
        check.types << tags.GetPictureType(number);
        frontCovers += check.types.last() == FrontCoverType;
        storedFrontCovers += check.types.last() == FrontCoverType && tags.PictureTypeStored(number);
    }
    if (check.pictures > 0 && check.types.first() != FrontCoverType && frontCovers > 0)
        reasons << NotFrontCover;
    if (check.pictures > 0) {
        const Result<QByteArray> art = tags.PictureData(1);
        if (art) {
            CheckFirstPicture(*art, rules, &check, &reasons);
        } else {
            check.problem = art.Why().reason;
            reasons << CannotRead;
        }
    }
    if (check.tagBytes > LargestTagPlayersRead)
        reasons << LargeTag;
    if (storedFrontCovers > 1)
        reasons << SeveralFrontCovers;
    if (check.pictures == 0 && rules.folderArt && rules.folderArt->For(path))
        reasons << FolderPictureNotUsed;
    std::sort(reasons.begin(), reasons.end());
    reasons.erase(std::unique(reasons.begin(), reasons.end()), reasons.end());
    for (const Reason reason : reasons)
        check.reasons << ReasonText(reason);
    return check;
}
