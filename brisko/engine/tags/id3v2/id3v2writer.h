// SPDX-License-Identifier: MIT
#pragma once

#include "engine/files/atomicsave.h"
#include "engine/tags/id3v2/id3v2raw.h"
#include "engine/tags/tagfield.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>

// The changes a save writes, collected until then.
struct TagEdits
{
    struct Picture
    {
        QByteArray jpeg;
        short type = 3; // the picture type it is stored with
    };
    QMap<TagField, QString> fields; // ID3v2 fields other than the comment
    std::optional<QString> comment;
    std::optional<Picture> firstPicture;
    QMap<int, Picture> laterPictures; // numbers 2 and on, each keeping its type
    QMap<TagField, QString> id3v1;

    bool HasId3v2Changes() const;
};

// Turns the changes into the new file of an MP3 file as read: a new ID3v2
// tag in which only the changed frames are made anew, each in its place, an
// ID3v1 tag in which only the changed fields' bytes change, and everything
// between them kept. False, with the error's code (TagLibraryError) and text,
// when the save would lose or damage anything.
class Id3v2Writer
{
public:
    Id3v2Writer(const Id3v2::Tag &tag, bool tagAtEnd, const QByteArray &id3v1, qint64 fileSize);

    // The new ID3v2 tag at the head of the rewrite, in place of the old one.
    bool PrepareId3v2(const TagEdits &edits, FileRewrite *rewrite);
    // The ID3v1 tag with its changed fields at the tail, in place of the old one.
    bool PrepareId3v1(const QMap<TagField, QString> &changes, FileRewrite *rewrite);
    // The last look at the new file before it replaces the original: every
    // byte after the tag is where it was, read from both files themselves.
    void AddAudioCheck(FileRewrite *rewrite) const;

    int ErrorCode() const { return errorCode_; }
    QString ErrorText() const { return errorText_; }

private:
    // The tag as it is to be saved: the frames as they are, with only the
    // changed ones made anew in their places.
    std::optional<Id3v2::Tag> EditedTag(const TagEdits &edits);
    void SetError(int code, const QString &text);

    const Id3v2::Tag &tag_;
    const bool tagAtEnd_;
    const QByteArray &id3v1_;
    const qint64 fileSize_;
    int errorCode_ = 0;
    QString errorText_;
};
