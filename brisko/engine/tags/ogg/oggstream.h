// SPDX-License-Identifier: MIT
#pragma once

#include "engine/tags/ogg/oggpage.h"
#include "engine/tags/vorbis/tagbytes.h"
#include "engine/tags/vorbis/vorbiscomment.h"

#include <QString>

#include <optional>

// The header packets of an Ogg Vorbis or Opus file, read from its
// descriptor and checked, and a walk over the audio pages after them.
namespace Ogg {

enum class Codec { Vorbis, Opus };

struct Stream
{
    QByteArray prefix;          // an ID3v2 tag in front, kept as it is
    Codec codec = Codec::Vorbis;
    quint32 serial = 0;
    QByteArray firstPage;       // the identification header's page, kept as it is
    QList<Page> headerPages;    // the pages after it, up to the last header packet's end (without their bytes)
    QList<QByteArray> packets;  // the header packets on them: the comments, and Vorbis' setup
    Vorbis::Comments comments;
    qint64 audioStart = 0;      // the first audio page
    QString problem;            // why the file must not be written; empty when it may be
    int readError = 0;          // errno of a read that failed
};

// The stream of the file that reader reads, which may go on to its audio pages.
Stream ReadStream(ByteReader &reader);

// The comment header's packet with these comments.
QByteArray CommentPacket(Codec codec, const Vorbis::Comments &comments);

// The audio pages of a stream one after the other, each checked: of the
// same logical stream, none after its last page, the file ending with the
// last. A multiplexed or chained file has pages of another stream.
class AudioPages
{
public:
    AudioPages(ByteReader &reader, const Stream &stream);
    // The next page; none at the end of the file, or where Problem() tells why.
    std::optional<Page> Next();
    const QString &Problem() const { return problem_; }

private:
    ByteReader &reader_;
    quint32 serial_;
    qint64 at_;
    bool ended_ = false;
    QString problem_;
};

} // namespace Ogg
