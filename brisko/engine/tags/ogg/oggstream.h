// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/ogg/oggpage.h"
#include "engine/tags/tagbytes.h"
#include "engine/tags/vorbis/vorbiscomment.h"

#include <QString>

#include <optional>

// The header packets of an Ogg Vorbis, Opus or FLAC file, read from its
// descriptor and checked, and a walk over the audio pages after them.
namespace Ogg {

enum class Codec { Vorbis, Opus, Flac };

// The metadata block types of Ogg FLAC's header packets that Brisko reads.
constexpr int FlacComments = 4;
constexpr int FlacPicture = 6;

struct Stream
{
    QByteArray prefix;          // an ID3v2 tag in front, kept as it is
    Codec codec = Codec::Vorbis;
    quint32 serial = 0;
    QByteArray firstPage;       // the identification header's page, kept as it is
    QList<Page> headerPages;    // the pages after it, up to the last header packet's end (without their bytes)
    // The header packets on them: the comments, then Vorbis' setup or FLAC's
    // other metadata blocks (each with its block header).
    QList<QByteArray> packets;
    Vorbis::Comments comments;
    qint64 audioStart = 0;      // the first audio page
    QString problem;            // why the file must not be written; empty when it may be
    Result<void> reading;       // why a read failed, if one did
};

// The stream of the file that reader reads, which may go on to its audio pages.
Stream ReadStream(ByteReader &reader);

// The indexes in packets of Ogg FLAC's PICTURE blocks, in stored order.
QList<int> PicturePackets(const Stream &stream);

// The comment header's packet of the stream with these comments.
QByteArray CommentPacket(const Stream &stream, const Vorbis::Comments &comments);
// An Ogg FLAC header packet: the metadata block of the stream's packet at
// index (its type and last-block flag) with this body. FLAC gives a block
// 24 bits of length: a larger body gives nothing.
std::optional<QByteArray> FlacPacket(const Stream &stream, int index, const QByteArray &body);

// The audio pages of a stream one after the other, each checked: of the
// same logical stream, none after its last page, the file ending with the
// last or with bytes that players skip there (an ID3v1 tag, zero bytes),
// which are kept as they are. A multiplexed or chained file has pages of
// another stream.
class AudioPages
{
public:
    AudioPages(ByteReader &reader, const Stream &stream);
    // The next page; none after the last, or where Sound() tells why.
    std::optional<Page> Next();
    // Whether the pages read so far are sound, else why the file must not
    // be written (WouldLoseData).
    Result<void> Sound() const;
    // Where the pages end, once Next() found no more: the bytes from here
    // to the end of the file are the ones kept after them.
    qint64 End() const { return at_; }

private:
    ByteReader &reader_;
    quint32 serial_;
    qint64 at_;
    bool ended_ = false;
    bool done_ = false;
    QString problem_;
};

} // namespace Ogg
