#pragma once

#include "processing/stopcheck.h"

#include <QSize>
#include <QString>

#include <functional>

class PictureEncoder;
class TagLibrary;

// The size a picture gets: its longer side becomes the target, the other side
// in proportion, rounded once to the nearest pixel, halves to even
// (1000 x 333 at 300 gives 300 x 100; 2 x 1 at 5 gives 5 x 2). Smaller
// pictures are enlarged. Throws BriskoError 6 (overflow) for a result beyond
// 16 bits.
QSize NewPictureSize(double width, double height, int target);

// What became of one file's art.
enum class ArtOutcome {
    Resized = 0,      // converted, saved, modification time restored
    SaveFailed = 1,   // the tag could not be saved; the file is as it was
    LowDriveSpace = 2,
    FileMissing = 3,  // the file, or its picture, could not be found
    NoPicture = 4,    // the picture is not one the program can read, even as PNG
    Skipped = 5,      // within the size and asked to leave such pictures alone
    Stopped = 6,      // a stop request came while the picture was worked on; the file is as it was
};

struct ArtConversion
{
    ArtOutcome outcome = ArtOutcome::NoPicture;
    QSize oldSize;    // the picture's size, once measured
    QSize newSize;    // when Resized
    bool fromPng = false;
    // Why the picture was refused, when NoPicture came from a picture that is
    // there ("Damaged picture: cut short", "Picture too large: ...").
    QString pictureProblem;
};

// How to convert: the target and quality, whether pictures with both sides
// within the target are left alone, whether to stop short of writing (the
// outcome then tells what would happen), what lets a window stay
// responsive once the picture is encoded, and what is asked, while the
// picture is decoded, whether to give up (the outcome is then Stopped).
struct ArtRequest
{
    int target = 250;
    int quality = 80;
    bool skipSmaller = false;
    bool dryRun = false;
    std::function<void()> letEventsRun;
    StopCheck stopRequested;
};

// The bytes the user may still write on the volume holding path. Tests put a
// smaller figure in its place; nullptr restores the real query.
using FreeSpaceQuery = std::function<qint64(const QString &path)>;
qint64 FreeSpaceFor(const QString &path);
void SetFreeSpaceQuery(FreeSpaceQuery query);
// Whether a file of fileSize bytes at path may be rewritten: the volume must
// hold its length and 256,000 bytes more.
bool RoomToRewrite(const QString &path, qint64 fileSize);

// Converts picture number 1 of one MP3 file without a window: checks the free
// space (the file's length and 256,000 bytes more), takes the picture out,
// measures it (PNG art too; a picture that cannot be read, or a file without
// one, is NoPicture), resizes it to target at quality, puts it back with its
// old picture type, saves the tag and gives the file back its modification
// time. The picture never leaves memory: no temporary files are made.
// letEventsRun is called once the picture is encoded, so a window stays
// responsive. Unexpected errors are thrown as BriskoError (1001 "File
// Timestamp Failed" when the time cannot be restored: the art is converted).
ArtConversion ConvertArt(TagLibrary &tags, PictureEncoder &encoder, const QString &path,
                         const ArtRequest &request);
ArtConversion ConvertArt(TagLibrary &tags, PictureEncoder &encoder, const QString &path, int target,
                         int quality, const std::function<void()> &letEventsRun = {});
