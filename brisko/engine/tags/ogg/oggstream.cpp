// SPDX-License-Identifier: MIT
#include "engine/tags/ogg/oggstream.h"

#include "base/translation.h"

namespace Ogg {

namespace {

// Pages of the header packets beyond this are no real file's.
constexpr int MostHeaderPages = 65536;

QString OtherStream()
{
    return EnglishText("Engine", "the file holds more than one logical stream (multiplexed or chained)");
}

// The identification header alone on the stream's first page.
bool ReadFirstPage(ByteReader &reader, qint64 at, Stream *stream)
{
    Result<Page> page = ReadPage(reader, at);
    if (!page) {
        stream->problem = page.Why().reason;
        return false;
    }
    const QByteArray &body = page->body;
    const bool onePacket = !page->lacing.isEmpty() && uchar(page->lacing.back()) < 255
                           && page->lacing.count(char(255)) == page->lacing.size() - 1;
    if (body.startsWith("\x01vorbis"))
        stream->codec = Codec::Vorbis;
    else if (body.startsWith("OpusHead"))
        stream->codec = Codec::Opus;
    if (!onePacket || page->flags != FirstPage || !(body.startsWith("\x01vorbis") || body.startsWith("OpusHead"))) {
        stream->problem = EnglishText("Engine", "the file does not begin with a Vorbis or Opus stream");
        return false;
    }
    stream->serial = page->serial;
    // Its own bytes, not a slice that would hold the reader's window.
    const QByteArray bytes = reader.Read(at, page->size).value_or(QByteArray());
    stream->firstPage = QByteArray(bytes.constData(), bytes.size());
    stream->audioStart = at + page->size;
    return true;
}

// The pages after the first, gathered into packets up to the last header
// packet, which must end its page: audio begins on a page of its own.
void ReadHeaderPages(ByteReader &reader, Stream *stream)
{
    const qsizetype wanted = stream->codec == Codec::Vorbis ? 2 : 1;
    QByteArray packet;
    qint64 bytes = 0;
    while (stream->packets.size() < wanted) {
        Result<Page> page = ReadPage(reader, stream->audioStart);
        if (!page) {
            stream->problem = page.Why().reason;
            return;
        }
        if (page->serial != stream->serial || (page->flags & FirstPage)) {
            stream->problem = OtherStream();
            return;
        }
        bytes += page->size;
        if (bytes > MostTagBytes || stream->headerPages.size() == MostHeaderPages) {
            stream->problem = EnglishText("Engine", "the header packets are larger than %1 MB").arg(MostTagBytes >> 20);
            return;
        }
        qint64 at = 0;
        for (qsizetype i = 0; i < page->lacing.size(); ++i) {
            if (stream->packets.size() == wanted) {
                stream->problem = EnglishText("Engine", "audio begins on the last header page");
                return;
            }
            const int length = uchar(page->lacing.at(i));
            packet.append(page->body.constData() + at, length);
            at += length;
            if (length < 255) {
                stream->packets.append(packet);
                packet.clear();
            }
        }
        stream->audioStart += page->size;
        // Its bytes are in the packets now; slices of them would hold the reader's window.
        page->body.clear();
        page->lacing.clear();
        stream->headerPages.append(*page);
        if (page->flags & LastPage) {
            stream->problem = EnglishText("Engine", "the file holds no audio");
            return;
        }
    }
}

// The comments in the comment header, and the framing bit Vorbis ends it with.
void ReadComments(Stream *stream)
{
    const bool vorbis = stream->codec == Codec::Vorbis;
    const QByteArray &packet = stream->packets.at(0);
    const QByteArray magic = vorbis ? QByteArray("\x03vorbis") : QByteArray("OpusTags");
    if (!packet.startsWith(magic) || (vorbis && !stream->packets.at(1).startsWith("\x05vorbis"))) {
        stream->problem = EnglishText("Engine", "the header packets are not in the order Vorbis and Opus lay down");
        return;
    }
    Result<Vorbis::Comments> comments = Vorbis::ParseComments(packet.mid(magic.size()));
    if (!comments) {
        stream->problem = comments.Why().reason;
        return;
    }
    stream->comments = *comments;
    if (vorbis && (comments->trailing.isEmpty() || !(comments->trailing.at(0) & 1)))
        stream->problem = EnglishText("Engine", "the comment header's framing bit is missing");
}

} // namespace

Stream ReadStream(ByteReader &reader)
{
    Stream stream;
    const StreamStart start = FindStreamStart(reader);
    stream.prefix = start.prefix;
    stream.problem = start.problem;
    if (stream.problem.isEmpty() && ReadFirstPage(reader, start.offset, &stream))
        ReadHeaderPages(reader, &stream);
    if (stream.problem.isEmpty())
        ReadComments(&stream);
    stream.readError = reader.Error();
    return stream;
}

QByteArray CommentPacket(Codec codec, const Vorbis::Comments &comments)
{
    return (codec == Codec::Vorbis ? QByteArray("\x03vorbis") : QByteArray("OpusTags"))
           + Vorbis::RenderComments(comments);
}

AudioPages::AudioPages(ByteReader &reader, const Stream &stream)
    : reader_(reader)
    , serial_(stream.serial)
    , at_(stream.audioStart)
{
}

std::optional<Page> AudioPages::Next()
{
    if (!problem_.isEmpty() || at_ == reader_.Size())
        return std::nullopt;
    Result<Page> page = ReadPage(reader_, at_);
    if (!page) {
        problem_ = page.Why().reason;
        return std::nullopt;
    }
    if (ended_ || page->serial != serial_ || (page->flags & FirstPage)) {
        problem_ = OtherStream();
        return std::nullopt;
    }
    ended_ = page->flags & LastPage;
    at_ += page->size;
    return *page;
}

} // namespace Ogg
