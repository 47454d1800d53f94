// SPDX-License-Identifier: MIT
#include "engine/tags/ogg/oggstream.h"

#include "base/byteorder.h"
#include "base/sharedbytes.h"
#include "base/tagerrors.h"
#include "base/translation.h"

namespace Ogg {

namespace {

// Pages of the header packets beyond this are no real file's.
constexpr int MostHeaderPages = 65536;
// Ogg FLAC's first packet: 0x7F "FLAC", the mapping's version (1.0), the
// count of header packets after it, "fLaC" and the STREAMINFO block.
constexpr int FlacFirstPacketSize = 51;

QString OtherStream()
{
    return EnglishText("Engine", "the file holds more than one logical stream (multiplexed or chained)");
}

// The kind of stream that a first packet opens, by its signature; empty
// when it is none that Ogg files are known to carry.
QString StreamKind(const QByteArray &packet)
{
    static const QList<QPair<QByteArray, const char *>> kinds = {
        {"\x01vorbis", "Vorbis"},   {"OpusHead", "Opus"},        {"\x7F" "FLAC", "FLAC"},
        {"Speex   ", "Speex"},      {"\x80theora", "Theora"},    {QByteArray("fishead\0", 8), "Skeleton"},
        {"CELT    ", "CELT"},       {"\x80kate", "Kate"},        {"\x80" "daala", "Daala"},
        {QByteArray("BBCD\0", 5), "Dirac"}, {"PCM     ", "PCM"}, {"\x01video", "OGM video"},
    };
    for (const auto &kind : kinds) {
        if (packet.startsWith(kind.first))
            return QString::fromLatin1(kind.second);
    }
    return QString();
}

// What keeps the file from being written.
Failure Unwritable(const QString &why)
{
    return Failure{TagLibraryError::WouldLoseData, why};
}

// Whether a file whose first pages open streams of these kinds (one a first
// page, in order) is one Brisko writes, else why not.
Result<void> CheckStreamKinds(const QStringList &kinds)
{
    if (kinds.size() > 1) {
        QStringList named = kinds;
        for (QString &kind : named)
            kind = kind.isEmpty() ? EnglishText("Engine", "unknown") : kind;
        return Unwritable(EnglishText("Engine", "the file holds %1 and %2 streams side by side")
                              .arg(named.mid(0, named.size() - 1).join(QStringLiteral(", ")), named.last()));
    }
    const QString &kind = kinds.first();
    if (kind.isEmpty())
        return Unwritable(EnglishText("Engine", "the file holds an Ogg stream of a kind Brisko does not know"));
    if (kind != QLatin1String("Vorbis") && kind != QLatin1String("Opus") && kind != QLatin1String("FLAC"))
        return Unwritable(EnglishText("Engine", "the file holds a %1 stream, not Vorbis, Opus or FLAC").arg(kind));
    return Result<void>::Success();
}

// The identification header alone on the stream's first page, and the
// first pages of any streams beside it.
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
    // A multiplexed file opens all its streams before any other page.
    QStringList kinds{StreamKind(body)};
    for (qint64 next = at + page->size; page->flags == FirstPage && kinds.size() < 8;) {
        Result<Page> beside = ReadPage(reader, next);
        if (!beside || !(beside->flags & FirstPage))
            break;
        kinds.append(StreamKind(beside->body));
        next += beside->size;
    }
    const Result<void> written = CheckStreamKinds(kinds);
    if (!written) {
        stream->problem = written.Why().reason;
        return false;
    }
    stream->codec = kinds.first() == QLatin1String("Vorbis") ? Codec::Vorbis
                    : kinds.first() == QLatin1String("Opus") ? Codec::Opus
                                                             : Codec::Flac;
    const bool flacSound = stream->codec != Codec::Flac
                           || (body.size() == FlacFirstPacketSize && body.at(5) == 1 && body.mid(9, 4) == "fLaC");
    if (!onePacket || page->flags != FirstPage || !flacSound) {
        stream->problem = EnglishText("Engine", "the file does not begin with a Vorbis, Opus or FLAC stream");
        return false;
    }
    stream->serial = page->serial;
    // Its own bytes, not a slice that would hold the reader's window.
    const QByteArray bytes = reader.Read(at, page->size).value_or(QByteArray());
    stream->firstPage = QByteArray(bytes.constData(), bytes.size());
    stream->audioStart = at + page->size;
    return true;
}

// Whether the header packets read so far are all of them: Vorbis has two
// after the first, Opus one; FLAC as many as its first packet says, or,
// where it says 0, up to the block with the last-block flag.
bool HeadersComplete(const Stream &stream)
{
    const QList<QByteArray> &packets = stream.packets;
    switch (stream.codec) {
    case Codec::Vorbis: return packets.size() == 2;
    case Codec::Opus: return packets.size() == 1;
    case Codec::Flac: break;
    }
    const int count = int(BigEndian(stream.firstPage, stream.firstPage.size() - FlacFirstPacketSize + 7, 2));
    if (count > 0)
        return packets.size() == count;
    return !packets.isEmpty() && !packets.last().isEmpty() && (uchar(packets.last().at(0)) & 0x80);
}

// The length of the packet that begins the page at at, from the pages'
// segment tables alone; never more than the file holds after at, nor the
// limit of the header packets: the pages are checked when they are read.
qint64 PacketLength(ByteReader &reader, qint64 at)
{
    constexpr int HeaderSize = 27;
    const qint64 most = qMin(MostTagBytes, reader.Size() - at);
    qint64 length = 0;
    while (length <= most) {
        const std::optional<QByteArray> header = reader.Read(at, HeaderSize);
        const std::optional<QByteArray> lacing = header && header->startsWith("OggS")
                                                     ? reader.Read(at + HeaderSize, uchar(header->at(26)))
                                                     : std::nullopt;
        if (!lacing)
            break;
        qint64 body = 0;
        for (const char segment : *lacing) {
            body += uchar(segment);
            if (uchar(segment) < 255)
                return qMin(length + body, most);
        }
        length += body;
        at += HeaderSize + lacing->size() + body;
    }
    return qMin(length, most);
}

// The pages after the first, gathered into packets up to the last header
// packet, which must end its page: audio begins on a page of its own.
void ReadHeaderPages(ByteReader &reader, Stream *stream)
{
    // The comment packet, which may hold large pictures, is given its room
    // at once: grown page by page, it would be copied on the way.
    QByteArray packet;
    packet.reserve(PacketLength(reader, stream->audioStart));
    qint64 bytes = 0;
    while (!HeadersComplete(*stream)) {
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
            if (HeadersComplete(*stream)) {
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

// FLAC's header packets are metadata blocks, each its length long: the
// comments first, no second STREAMINFO.
bool FlacBlocksSound(const QList<QByteArray> &packets)
{
    for (const QByteArray &packet : packets) {
        if (packet.size() < 4 || BigEndian(packet, 1, 3) != quint32(packet.size() - 4)
            || (uchar(packet.at(0)) & 0x7F) == 0 || (uchar(packet.at(0)) & 0x7F) == 127)
            return false;
    }
    return (uchar(packets.first().at(0)) & 0x7F) == FlacComments;
}

// The comments in the comment header, and the framing bit Vorbis ends it with.
void ReadComments(Stream *stream)
{
    const QByteArray &packet = stream->packets.at(0);
    QByteArray magic;
    bool sound = true;
    switch (stream->codec) {
    case Codec::Vorbis:
        magic = "\x03vorbis";
        sound = packet.startsWith(magic) && stream->packets.at(1).startsWith("\x05vorbis");
        break;
    case Codec::Opus:
        magic = "OpusTags";
        sound = packet.startsWith(magic);
        break;
    case Codec::Flac:
        magic = packet.left(4);
        sound = FlacBlocksSound(stream->packets);
        break;
    }
    if (!sound) {
        stream->problem = EnglishText("Engine", "the header packets are not in the order their format lays down");
        return;
    }
    // The comments share the packet's bytes: a copy would hold its pictures twice.
    Result<Vorbis::Comments> comments
        = Vorbis::ParseComments(SharedSlice(packet, magic.size(), packet.size() - magic.size()));
    if (!comments) {
        stream->problem = comments.Why().reason;
        return;
    }
    stream->comments = *comments;
    const bool vorbis = stream->codec == Codec::Vorbis;
    if (vorbis && (comments->trailing.isEmpty() || !(comments->trailing.at(0) & 1)))
        stream->problem = EnglishText("Engine", "the comment header's framing bit is missing");
}

// Whether the bytes from at to the end are what some taggers leave after
// the last page and players skip: an ID3v1 tag, or zero bytes.
bool KeptAfterPages(ByteReader &reader, qint64 at)
{
    const qint64 rest = reader.Size() - at;
    if (rest == 128 && reader.Read(at, 3) == QByteArray("TAG"))
        return true;
    constexpr qint64 Piece = 4096;
    for (; at < reader.Size(); at += Piece) {
        const std::optional<QByteArray> bytes = reader.Read(at, qMin(Piece, reader.Size() - at));
        if (!bytes || bytes->count('\0') != bytes->size())
            return false;
    }
    return true;
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
    stream.reading = reader.Reading();
    return stream;
}

QList<int> PicturePackets(const Stream &stream)
{
    QList<int> pictures;
    for (int i = 1; stream.codec == Codec::Flac && i < stream.packets.size(); ++i) {
        if ((uchar(stream.packets.at(i).at(0)) & 0x7F) == FlacPicture)
            pictures.append(i);
    }
    return pictures;
}

QByteArray CommentPacket(const Stream &stream, const Vorbis::Comments &comments)
{
    const QByteArray list = Vorbis::RenderComments(comments);
    switch (stream.codec) {
    case Codec::Vorbis: return "\x03vorbis" + list;
    case Codec::Opus: return "OpusTags" + list;
    case Codec::Flac: break;
    }
    return FlacPacket(stream, 0, list).value_or(QByteArray());
}

std::optional<QByteArray> FlacPacket(const Stream &stream, int index, const QByteArray &body)
{
    constexpr qint64 MostBlockBytes = 0xFFFFFF;
    if (body.size() > MostBlockBytes)
        return std::nullopt;
    QByteArray packet(1, stream.packets.at(index).at(0));
    AppendBigEndian(&packet, quint32(body.size()), 3);
    return packet + body;
}

AudioPages::AudioPages(ByteReader &reader, const Stream &stream)
    : reader_(reader)
    , serial_(stream.serial)
    , at_(stream.audioStart)
{
}

Result<void> AudioPages::Sound() const
{
    return problem_.isEmpty() ? Result<void>::Success() : Unwritable(problem_);
}

std::optional<Page> AudioPages::Next()
{
    if (done_ || !problem_.isEmpty() || at_ == reader_.Size())
        return std::nullopt;
    Result<Page> page = ReadPage(reader_, at_);
    if (!page) {
        done_ = at_ > 0 && KeptAfterPages(reader_, at_);
        if (!done_)
            problem_ = page.Why().reason;
        return std::nullopt;
    }
    if (ended_ && (page->flags & FirstPage)) {
        problem_ = EnglishText("Engine", "two Ogg streams one after another");
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
