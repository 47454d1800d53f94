// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The ID3v2 tag as bytes: its header, its frames exactly as stored, and what
// follows them. Read before TagLib sees anything, so damaged or hostile tags
// are caught here, and written back frame by frame, so every frame the
// program does not change keeps its bytes.
namespace Id3v2 {

constexpr int HeaderSize = 10;
constexpr int FooterSize = 10;
// Larger tags are refused unread. A tag is held in memory once, its pictures
// share its bytes, and with the new tag and picture beside it a file stays
// well under 256 MB; real album art is a few megabytes.
constexpr qint64 MostTagBytes = 160LL << 20;

struct Frame
{
    QByteArray id;    // 3 letters in version 2.2, else 4
    QByteArray bytes; // header and content as stored (after any whole-tag unsynchronisation is undone)
    int headerSize = 10;

    QByteArray Content() const { return bytes.mid(headerSize); }
    quint16 Flags() const;
    bool IsCompressed(int major) const;
    bool IsEncrypted(int major) const;
    bool operator==(const Frame &other) const { return id == other.id && bytes == other.bytes; }
};

struct Tag
{
    bool present = false;
    int major = 0;
    int revision = 0;
    quint8 flags = 0;
    qint64 size = 0;        // bytes the tag takes at the start of the file, header and any footer included
    QList<Frame> frames;
    // Bytes after the last frame that are not zero padding: damaged frames,
    // or audio inside the declared size. Kept as they are when the tag is
    // written again, so nothing is lost.
    QByteArray trailing;
    // What makes the tag unreadable in full (empty when it is sound), and
    // whether it is too damaged to be written back at all.
    QString problem;
    bool writable = true;
    // Version 2.4 frame sizes stored as plain numbers, as iTunes wrote them.
    // New frames are written the same way: readers take one reading of the
    // sizes for the whole tag, and lose the frames that do not fit it.
    bool plainFrameSizes = false;

    bool IsComplete() const { return problem.isEmpty(); }
    // Version 2.4 only: the header says every frame is unsynchronised, even
    // where the frame itself does not (as some writers leave it). Every
    // reader then undoes it in every frame, so the flag stays, and new frames
    // are unsynchronised too.
    bool FramesUnsynchronised() const { return major == 4 && (flags & 0x80); }
    int FrameHeaderSize() const { return major == 2 ? 6 : 10; }
};

// The most bytes the tag that starts with these bytes can take: header,
// body, and a footer where the header announces one; 0 when they hold no
// ID3v2 header. How much to read to parse the tag.
qint64 DeclaredSize(const QByteArray &start);

// Where the tag that starts with header ends without its footer: header and
// body; 0 when header is no ID3v2 header.
qint64 BodyEnd(const QByteArray &header);

// Whether the ten bytes after the tag's body are its footer: "3DI" with the
// header's version and size. A footer flag alone does not make them one:
// writers set it with no footer written, and those bytes are audio.
bool FooterFollows(const QByteArray &header, const QByteArray &afterBody);

// Parses the tag at the start of a file of fileSize bytes; data holds at
// least the first DeclaredSize() bytes, or all there is, or only the header
// of a tag larger than MostTagBytes, which is refused.
Tag Parse(const QByteArray &data, qint64 fileSize);

// True when the file ends in an ID3v2 tag (a footer "3DI" at the end, or just
// before an ID3v1 tag): the kind of tag that readers looking at the start do
// not see.
bool HasTagAtEnd(const QByteArray &lastBytes);

// Where a picture frame's (APIC, or PIC in version 2.2) type byte and image
// data stand in its bytes, found as TagLib finds them, so that the data can
// be shared instead of copied. -1 for both where the content is not stored
// plainly (compressed, encrypted, unsynchronised, grouped or with a data
// length), its text encoding is unknown or it is too short: TagLib reads
// such frames whole.
struct PictureFields
{
    qsizetype typeAt = -1;
    qsizetype dataAt = -1;
};
PictureFields FindPictureFields(const Frame &frame, const Tag &tag);

// The same tag as version 2.3, frame by frame: the three-letter IDs become
// their four-letter names with the content unchanged, and pictures get a MIME
// type in place of their three-letter format. Fails when a frame has no
// version 2.3 counterpart.
Result<Tag> ConvertTo23(const Tag &v22);

// A frame with the given content and no flags, for a tag of that version.
Frame MakeFrame(const QByteArray &id, const QByteArray &content, int major);
// A frame with the given content written as the tag's other frames are: the
// same reading of its size, unsynchronised when they are.
Frame MakeFrame(const QByteArray &id, const QByteArray &content, const Tag &tag);

// The frame's bytes with a sync-safe size in version 2.4, as readers that see
// one frame alone expect (its stored size may be a plain number).
QByteArray StandardFrameBytes(const Frame &frame, int major);

// The tag's bytes: a header of the version given, no extended header and no
// footer, unsynchronisation only as FramesUnsynchronised() keeps it, the
// frames, the trailing bytes, and zero padding up to at least minimumSize
// bytes in all.
QByteArray Render(const Tag &tag, qint64 minimumSize);

} // namespace Id3v2
