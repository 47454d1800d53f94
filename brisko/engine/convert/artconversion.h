// SPDX-License-Identifier: MIT
#pragma once

#include "engine/convert/statuses.h"
#include "base/result.h"
#include "base/stopcheck.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include <sys/stat.h>

class FolderArt;
class PictureEncoder;
class TagLibrary;

// The size a picture gets: its longer side becomes the target, the other side
// in proportion, rounded once to the nearest pixel, halves to even
// (1000 x 333 at 300 gives 300 x 100; 2 x 1 at 5 gives 5 x 2), and never
// below one pixel (30000 x 2 at 250 gives 250 x 1). Smaller pictures are
// enlarged. Fails with the overflow error (6) for a result beyond 16 bits.
Result<QSize> NewPictureSize(double width, double height, int target);

// What became of one file's art.
enum class ArtOutcome {
    Resized = 0,      // converted, saved, modification time restored
    SaveFailed = 1,   // the tag could not be saved; the file is as it was
    LowDriveSpace = 2,
    FileMissing = 3,  // the file, or its picture, could not be found
    NoPicture = 4,    // no picture, or one the program cannot read (reason says why)
    Skipped = 5,      // within the size and asked to leave such pictures alone
    Stopped = 6,      // a stop request came while the picture was worked on; the file is as it was
    SpaceFreed = 7,   // the art left as it was, the padding an earlier save left given back
    PictureAdded = 8, // a file without a picture got its folder's picture
    TooLarge = 9,     // the picture cannot be made to fit the byte limit; the file is as it was (reason says why)
};

// The status a file gets for its art's outcome, in the window and in
// brisko-batch alike. Skipped art keeps the file "Unchanged", or "Space
// Freed" where its padding was given back.
RowStatus StatusOfArt(ArtOutcome outcome);

struct ArtConversion
{
    ArtOutcome outcome = ArtOutcome::NoPicture;
    QSize oldSize;    // the picture's size, once measured
    QSize newSize;    // when Resized or PictureAdded
    int quality = 0;  // the quality the new picture was written at; 0 when it was not encoded
    bool fromPng = false;
    int otherNames = 0; // hard links of a Resized file that keep the old picture
    // Why the art could not be converted: empty for a file without any
    // picture, else the picture's or the save's problem ("damaged picture:
    // cut short", "unsupported picture (AVIF)", ...).
    QString reason;
    // The code (a TagLibraryError) of the failure that left a SaveFailed
    // file as it was; 0 otherwise.
    int failureCode = 0;
    // What else the user should know of a written file: the picture made
    // baseline without re-encoding, the quality and size it took to fit the
    // byte limit, the front cover moved first, the folder picture used.
    QStringList notes;
    // The file's length as it was locked; -1 when it could not be opened
    // for rewriting (missing, unreadable, no room for the copy).
    qint64 bytesBefore = -1;
    // The new file's length, measured in a dry run, or that of the copy a
    // save made; -1 when nothing was (or would be) written.
    qint64 bytesAfter = -1;
    // Picture 1 as the file holds it afterwards (empty when it has none, or
    // none that can be read), once the file was opened: what a preview of
    // the file shows, without reading it again.
    std::optional<QByteArray> picture;
};

// The status a file gets for its conversion, in the window and in
// brisko-batch alike: art that is there but cannot be converted, like a file
// that cannot be read, fails with its reason; "No Picture" is for a file
// without any picture.
RowStatus StatusOfConversion(const ArtConversion &conversion);

// How to convert: the target and quality, whether pictures with both sides
// within the target are left alone, whether to stop short of writing (the
// outcome then tells what would happen), and what is asked, while the
// picture is decoded, whether to give up (the outcome is then Stopped).
struct ArtRequest
{
    int target = 250;
    int quality = 80;
    bool skipSmaller = false;
    // A picture players show as it is (a baseline, Huffman-coded JPEG in
    // YCbCr or grey, within the target, or at it when enlarging, and within
    // maxBytes) is left alone (Skipped), so a second run over a library
    // writes nothing, but for more than 64 KB of padding beside art left
    // alone, which is given back (SpaceFreed); one that is only progressive
    // is made baseline from its coefficients, with its very pixels.
    bool leaveFitting = false;
    // The longest a new picture may be (0: no limit): its quality and then
    // its size step down until it fits, and a picture that cannot fit is
    // refused (TooLarge).
    qint64 maxBytes = 0;
    // A front cover (type 3) that is not picture 1 is moved ahead of the
    // others first, and is the picture converted.
    bool frontCoverFirst = false;
    // A file without any picture gets its folder's picture, made to fit, as
    // its front cover (PictureAdded). Null: files without one stay so.
    FolderArt *folderArt = nullptr;
    // Smaller pictures keep their size rather than being enlarged.
    bool neverEnlarge = false;
    // Every picture larger than the target is converted, not only picture 1,
    // each keeping its type and description.
    bool allPictures = false;
    // Every check of a real run, the new picture made, nothing written.
    bool dryRun = false;
    StopCheck stopRequested;
};

// The picture type of a front cover, in every format.
constexpr short FrontCoverType = 3;

// Converts picture number 1 of one music file without a window: checks the free
// space (the file's length and 256,000 bytes more), takes the picture out,
// measures it (PNG and WebP art too; a picture that cannot be read, or a file
// without one, is NoPicture), resizes it to target at quality, puts it back
// with its old picture type and saves the tag; the new file keeps the old
// one's modification time to the nanosecond. The picture never leaves memory:
// no temporary files are made. Fails only for what no outcome foresees (out
// of memory for the picture, ...); the file is then as it was. The file is
// closed (and unlocked) on return.
Result<ArtConversion> ConvertArt(TagLibrary &tags, PictureEncoder &encoder, const QString &path,
                                 const ArtRequest &request);
