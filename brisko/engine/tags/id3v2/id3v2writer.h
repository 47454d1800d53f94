// SPDX-License-Identifier: MIT
#pragma once

#include "engine/files/atomicsave.h"
#include "engine/tags/id3v2/id3v2raw.h"
#include "base/result.h"
#include "engine/tags/tagedits.h"
#include "engine/tags/tagfield.h"

#include <QByteArray>
#include <QMap>
#include <QString>


// Turns the changes into the new file of an MP3 file as read: a new ID3v2
// tag in which only the changed frames are made anew, each in its place, an
// ID3v1 tag in which only the changed fields' bytes change, and everything
// between them kept. The rewrite carries the last look at the new file before
// it replaces the original: every byte after the tag is where it was, read
// from both files themselves.
class Id3v2Writer
{
public:
    // block: the file system's, by which the audio moves (ShareBlock).
    Id3v2Writer(const Id3v2::Tag &tag, bool tagAtEnd, const QByteArray &id3v1, qint64 fileSize, qint64 block);

    // The new file, or why it would lose or damage anything (a TagLibraryError code).
    Result<FileRewrite> Render(const TagEdits &edits) const;

private:
    // The tag as it is to be saved: the frames as they are, with only the
    // changed ones made anew in their places.
    Result<Id3v2::Tag> EditedTag(const TagEdits &edits) const;
    // The new ID3v2 tag at the head of the rewrite, in place of the old one.
    Result<void> PrepareId3v2(const TagEdits &edits, FileRewrite *rewrite) const;
    // The ID3v1 tag with its changed fields at the tail, in place of the old one.
    Result<void> PrepareId3v1(const QMap<TagField, QString> &changes, FileRewrite *rewrite) const;

    const Id3v2::Tag &tag_;
    const bool tagAtEnd_;
    const QByteArray &id3v1_;
    const qint64 fileSize_;
    const qint64 block_;
};

// The bytes of the tag's header, frames and trailing bytes: all but its padding.
qint64 TagBytesWithoutPadding(const Id3v2::Tag &tag);
