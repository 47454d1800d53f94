#pragma once

#include <QString>
#include <QStringList>

// One row of the track list per MP3 file. Every field is text; the row's
// position in the list (1-based, current order) is how the program addresses it.

// The seven tag texts in the order tags are read. The list shows Year before
// Genre, so code that moves values between the two maps them by name.
struct TagFields
{
    QString Title;
    QString Artist;
    QString Album;
    QString Track;
    QString Genre;
    QString Year;
    QString Comment;
};

// The list's columns, 0-based, in display order.
enum TrackColumn {
    ColFileName = 0,
    ColOriginalSize,
    ColStatus,
    ColNewSize,
    ColTitle,
    ColArtist,
    ColAlbum,
    ColTrack,
    ColYear,
    ColGenre,
    ColComment,
    TrackColumnCount
};

QStringList TrackColumnHeadings();

// Indexes into the list's image list.
enum TrackIcon {
    IconNoPicture = 3,
    IconUnchanged = 4,
    IconResized = 5,
    IconChanged = 6,
    IconFailed = 7,
    IconWorking = 8
};

namespace Status {
inline const QString Unchanged = QStringLiteral("Unchanged");
inline const QString NoPicture = QStringLiteral("No Picture");
inline const QString Resized = QStringLiteral("Resized");
inline const QString ResizeFailed = QStringLiteral("Resize Failed");
inline const QString LowDriveSpace = QStringLiteral("Low Drive Space");
inline const QString FileMissing = QStringLiteral("File Missing");
inline const QString TagChanged = QStringLiteral("Tag Changed");
inline const QString PicTagChanged = QStringLiteral("Pic | Tag Changed");
inline const QString ChangePicFailed = QStringLiteral("Change Pic Failed");
} // namespace Status

// "----------": the new size of a picture not converted yet.
inline const QString NotConvertedSize = QStringLiteral("----------");

struct TrackRow
{
    QString Path;
    QString FileName;
    QString OriginalSize = QStringLiteral("0 x 0");
    QString Status;
    QString NewSize = NotConvertedSize;
    TagFields Tags;
    int Icon = 0;
};

// The icon that goes with a status text; 0 for a text the list does not know.
int StatusIcon(const QString &status);

// True for statuses a batch run skips: the file is done with or cannot be done.
// Failures other than "File Missing" are not final, so a later run retries them.
bool IsFinalStatus(const QString &status);

// "W x H" in whole pixels.
QString SizeText(int width, int height);

// A byte count as "#0.00" followed by " KB", " MB" or " GB". Takes single
// precision, as the size label always has, so the unit borders fall on the
// values a float can hold.
QString FormatSize(float bytes);
