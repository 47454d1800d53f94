// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "base/tagerrors.h"
#include "engine/files/atomicsave.h"
#include "engine/tags/tagedits.h"
#include "engine/tags/tagfield.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class LockedFile;

// ReadWhole's answer for a tag whose reading noted problem (none: empty).
inline Result<void> WholeUnless(const QString &problem)
{
    if (problem.isEmpty())
        return Result<void>::Success();
    return Failure{TagLibraryError::TagUnreadable, problem};
}

// A picture as a tag stores it.
struct StoredPicture
{
    QByteArray data;       // the image bytes, shared with the tag's bytes where they can be
    short type = 0;        // the picture type (3 is the front cover), numbered alike in every format
    bool readable = false; // false: stored in a form that cannot be read (compressed, encrypted, damaged)
    QString problem;       // then why, in the words of its format ("picture 1 is empty")
    bool link = false;     // not a picture: the address of one outside the file (also not readable)
    bool typeStored = true; // false where the format keeps no type (M4A's covr, Ogg's COVERART): taken as 3
};

// One file's tags, whatever their format: the seven fields and the pictures
// that the conversion and the tag editor read, and the new file a set of
// changes makes. Read once from the opened file; a container never writes:
// it renders only what changed, and the file layer splices that into a new
// copy, runs the container's own check on it and replaces the file.
class TagContainer
{
public:
    virtual ~TagContainer() = default;

    // Whether the file holds the format's tag (an ID3v2 tag, a comment block).
    virtual bool HasTag() const = 0;
    // Whether the tag was read whole, else what keeps it from that
    // (TagUnreadable). What could be read stays usable.
    virtual Result<void> ReadWhole() const = 0;

    virtual QString Field(TagField field) const = 0;
    // Pictures are numbered from 1 in the order the file stores them.
    virtual int PictureCount() const = 0;
    virtual std::optional<StoredPicture> Picture(int number) const = 0;

    // The bytes of the tag as stored (an MP3's ID3v2 tag, a FLAC file's
    // metadata blocks but padding, an Ogg file's comment header, an M4A
    // file's ilst): what a player reads before it plays.
    virtual qint64 TagBytes() const = 0;

    // The new file with the edits made and every other byte kept, or why it
    // cannot be written without losing or damaging anything.
    virtual Result<FileRewrite> Render(const TagEdits &edits) const = 0;
    // The padding between the tags and the audio, which a save uses for a
    // change or gives back (see padding.h).
    virtual qint64 Padding() const { return 0; }

    // An ID3v1 tag at the end of the file: only MP3 files carry one.
    virtual bool HasId3v1() const { return false; }
    virtual QString Id3v1Field(TagField) const { return QString(); }
};
