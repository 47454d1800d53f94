// SPDX-License-Identifier: MIT
#include "engine/tags/id3v2/id3v2raw.h"

#include "base/byteorder.h"
#include "base/tagerrors.h"
#include "base/sharedbytes.h"
#include "base/translation.h"

#include <QHash>

#include <algorithm>

namespace Id3v2 {

namespace {

constexpr int MaxFrames = 100000;

quint32 SyncSafe(const QByteArray &data, int at)
{
    return (quint32(uchar(data.at(at))) << 21) | (quint32(uchar(data.at(at + 1))) << 14)
        | (quint32(uchar(data.at(at + 2))) << 7) | quint32(uchar(data.at(at + 3)));
}

bool IsSyncSafe(const QByteArray &data, int at)
{
    return !((data.at(at) | data.at(at + 1) | data.at(at + 2) | data.at(at + 3)) & 0x80);
}

QByteArray SyncSafeBytes(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 3; i >= 0; --i) {
        bytes[i] = char(value & 0x7F);
        value >>= 7;
    }
    return bytes;
}

// Undoes unsynchronisation: every 0xFF 0x00 pair stands for 0xFF.
QByteArray RemoveUnsynchronisation(const QByteArray &data)
{
    QByteArray out;
    out.reserve(data.size());
    const char *bytes = data.constData();
    for (int i = 0; i < data.size(); ++i) {
        out.append(bytes[i]);
        if (uchar(bytes[i]) == 0xFF && i + 1 < data.size() && bytes[i + 1] == '\0')
            ++i;
    }
    return out;
}

// Applies unsynchronisation: a 0x00 follows every 0xFF that readers could
// take for the start of a sync (0xE0 and above), that could be taken for one
// already undone (0x00), or that ends the data.
QByteArray AddUnsynchronisation(const QByteArray &data)
{
    QByteArray out;
    out.reserve(data.size() + data.size() / 64);
    const char *bytes = data.constData();
    for (int i = 0; i < data.size(); ++i) {
        out.append(bytes[i]);
        if (uchar(bytes[i]) != 0xFF)
            continue;
        if (i + 1 == data.size() || uchar(bytes[i + 1]) >= 0xE0 || bytes[i + 1] == '\0')
            out.append('\0');
    }
    return out;
}

// Frame IDs are capital letters and digits. A space is tolerated after the
// first letter, as some writers pad three-letter IDs with one: such a frame
// is kept, not taken for the end of the tag.
bool IsFrameId(const QByteArray &id)
{
    if (id.isEmpty() || !(id[0] >= 'A' && id[0] <= 'Z'))
        return false;
    for (const char c : id) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' '))
            return false;
    }
    return true;
}

enum class SizeReading { SyncSafe, Plain, EachFrame };

// True when reading every frame size the same way steps from frame to frame
// exactly to the padding (nothing but zeros up to the end) or to the end of
// the tag, or past as many frames as are ever read.
bool FramesFill(const QByteArray &body, qint64 at, SizeReading reading)
{
    const char *bytes = body.constData();
    for (int frames = 0; at + 10 <= body.size() && bytes[at] != '\0'; ++frames) {
        if (frames == MaxFrames)
            return true;
        if (!IsFrameId(body.mid(int(at), 4)))
            return false;
        if (reading == SizeReading::SyncSafe && !IsSyncSafe(body, int(at + 4)))
            return false;
        at += 10 + (reading == SizeReading::SyncSafe ? SyncSafe(body, int(at + 4)) : BigEndian(body, int(at + 4), 4));
    }
    if (at > body.size())
        return false;
    return std::all_of(bytes + at, bytes + body.size(), [](char byte) { return byte == '\0'; });
}

// How the frame sizes of a version 2.4 tag are read. They should be
// sync-safe, but iTunes wrote plain numbers, and readers such as mutagen
// take one reading for the whole tag: the one under which the frames fill it.
// Only when neither does is each frame's size guessed on its own.
SizeReading SizeReadingOf(const QByteArray &body, qint64 at)
{
    if (FramesFill(body, at, SizeReading::SyncSafe))
        return SizeReading::SyncSafe;
    if (FramesFill(body, at, SizeReading::Plain))
        return SizeReading::Plain;
    return SizeReading::EachFrame;
}

// Where a frame of a version 2.4 tag ends. Its size should be sync-safe, but
// some writers stored plain numbers; take the reading after which the next
// frame, the padding or the end of the tag follows.
qint64 FrameEnd24(const QByteArray &body, qint64 at)
{
    const qint64 safeEnd = at + 10 + SyncSafe(body, int(at + 4));
    const qint64 plainEnd = at + 10 + BigEndian(body, int(at + 4), 4);
    if (safeEnd == plainEnd || !IsSyncSafe(body, int(at + 4)))
        return plainEnd;
    const auto plausible = [&body](qint64 end) {
        if (end == body.size())
            return true;
        if (end > body.size())
            return false;
        if (body.at(int(end)) == '\0')
            return true;
        return end + 4 <= body.size() && IsFrameId(body.mid(int(end), 4));
    };
    if (!plausible(safeEnd) && plausible(plainEnd))
        return plainEnd;
    return safeEnd;
}

} // namespace

quint16 Frame::Flags() const
{
    return headerSize == 10 ? quint16(BigEndian(bytes, 8, 2)) : 0;
}

bool Frame::IsCompressed(int major) const
{
    const quint16 flags = Flags();
    return major == 3 ? (flags & 0x0080) : major == 4 ? (flags & 0x0008) : false;
}

bool Frame::IsEncrypted(int major) const
{
    const quint16 flags = Flags();
    return major == 3 ? (flags & 0x0040) : major == 4 ? (flags & 0x0004) : false;
}

qint64 BodyEnd(const QByteArray &header)
{
    if (header.size() < HeaderSize || !header.startsWith("ID3") || !IsSyncSafe(header, 6))
        return 0;
    return HeaderSize + qint64(SyncSafe(header, 6));
}

qint64 DeclaredSize(const QByteArray &start)
{
    const qint64 body = BodyEnd(start);
    const bool footer = body > 0 && start[3] == 4 && (uchar(start[5]) & 0x10);
    return body + (footer ? FooterSize : 0);
}

bool FooterFollows(const QByteArray &header, const QByteArray &afterBody)
{
    return BodyEnd(header) > 0 && header[3] == 4 && (uchar(header[5]) & 0x10) && afterBody.size() >= FooterSize
           && afterBody.startsWith("3DI") && afterBody.mid(3, 2) == header.mid(3, 2)
           && afterBody.mid(6, 4) == header.mid(6, 4);
}

Tag Parse(const QByteArray &data, qint64 fileSize)
{
    Tag tag;
    if (data.size() < HeaderSize || !data.startsWith("ID3"))
        return tag;
    tag.present = true;
    tag.major = uchar(data[3]);
    tag.revision = uchar(data[4]);
    tag.flags = uchar(data[5]);

    const auto fail = [&tag](const char *problem) {
        tag.problem = QString::fromLatin1(problem);
        tag.writable = false;
        return tag;
    };
    if (tag.major < 2 || tag.major > 4)
        return fail("unknown ID3v2 version");
    if (!IsSyncSafe(data, 6))
        return fail("damaged ID3v2 header");
    const qint64 bodyEnd = BodyEnd(data);
    tag.size = bodyEnd;
    if (bodyEnd > fileSize)
        return fail("the ID3v2 tag's declared size runs past the end of the file");
    if (bodyEnd > MostTagBytes) {
        tag.writable = false;
        tag.problem = EnglishText("Engine", "the ID3v2 tag is too large: %1 MB, more than the %2 MB allowed")
                          .arg((bodyEnd + (1 << 19)) >> 20)
                          .arg(MostTagBytes >> 20);
        return tag;
    }
    tag.size = bodyEnd + (FooterFollows(data, data.mid(int(qMin<qint64>(bodyEnd, data.size())), FooterSize)) ? FooterSize : 0);
    if (tag.size > data.size())
        return fail("the ID3v2 tag's declared size runs past the end of the file");
    if (tag.major == 2 && (tag.flags & 0x40))
        return fail("compressed ID3v2.2 tag");

    // Frames share the tag's bytes: a tag holding a huge picture is in memory once.
    QByteArray body = SharedSlice(data, HeaderSize, SyncSafe(data, 6));
    if (tag.major < 4 && (tag.flags & 0x80))
        body = RemoveUnsynchronisation(body);

    qint64 at = 0;
    if (tag.major >= 3 && (tag.flags & 0x40)) { // an extended header: skipped, not kept
        const qint64 extended = body.size() < 4 ? -1
            : tag.major == 3 ? 4 + qint64(BigEndian(body, 0, 4))
                             : qint64(SyncSafe(body, 0));
        // Some writers set the flag without writing the header: then the
        // frames start at once.
        const bool framesFirst = body.size() >= 4 && IsFrameId(body.left(tag.major == 2 ? 3 : 4));
        if (extended >= 4 && extended <= body.size() && !framesFirst)
            at = extended;
        else if (!framesFirst)
            return fail("damaged extended header");
    }

    const int headerSize = tag.FrameHeaderSize();
    const int idSize = tag.major == 2 ? 3 : 4;
    const SizeReading reading = tag.major == 4 ? SizeReadingOf(body, at) : SizeReading::Plain;
    int plainVotes = 0;
    const char *bytes = body.constData();
    while (at + headerSize <= body.size() && bytes[at] != '\0') {
        const QByteArray id = body.mid(int(at), idSize);
        if (!IsFrameId(id))
            break;
        qint64 end = 0;
        if (tag.major == 2)
            end = at + 6 + BigEndian(body, int(at + 3), 3);
        else if (reading == SizeReading::Plain)
            end = at + 10 + BigEndian(body, int(at + 4), 4);
        else if (reading == SizeReading::SyncSafe)
            end = at + 10 + SyncSafe(body, int(at + 4));
        else
            end = FrameEnd24(body, at);
        if (end > body.size())
            break;
        if (reading == SizeReading::EachFrame && SyncSafe(body, int(at + 4)) != BigEndian(body, int(at + 4), 4))
            plainVotes += end == at + 10 + BigEndian(body, int(at + 4), 4) ? 1 : -1;
        if (tag.frames.size() >= MaxFrames)
            break;
        tag.frames.append({id, SharedSlice(body, at, end - at), headerSize});
        at = end;
    }
    tag.plainFrameSizes = reading == SizeReading::Plain || plainVotes > 0;

    qint64 last = body.size();
    while (last > at && bytes[last - 1] == '\0')
        --last;
    if (last > at) {
        tag.trailing = SharedSlice(body, at, last - at);
        tag.problem = EnglishText("Engine", "the ID3v2 tag holds bytes that are not frames");
    }
    return tag;
}

bool HasTagAtEnd(const QByteArray &lastBytes)
{
    const auto footerAt = [&lastBytes](int fromEnd) {
        const int at = lastBytes.size() - fromEnd;
        return at >= 0 && lastBytes.mid(at, 3) == "3DI";
    };
    const bool id3v1 = lastBytes.size() >= 128 && lastBytes.mid(lastBytes.size() - 128, 3) == "TAG";
    return footerAt(FooterSize) || (id3v1 && footerAt(128 + FooterSize));
}

PictureFields FindPictureFields(const Frame &frame, const Tag &tag)
{
    const QByteArray &bytes = frame.bytes;
    const qsizetype size = bytes.size();
    const bool v22 = frame.headerSize == 6;
    if ((!v22 && bytes.at(9) != '\0') || tag.FramesUnsynchronised() || size - frame.headerSize < 5)
        return {};
    const int encoding = uchar(bytes.at(frame.headerSize));
    if (encoding > 3)
        return {};
    // Encoding, then a three-letter format (2.2) or a MIME type up to a zero
    // byte (or none, when there is no zero), type, description, data.
    qsizetype at = frame.headerSize + 1;
    if (v22) {
        at += 3;
    } else {
        const qsizetype mimeEnd = bytes.indexOf('\0', at);
        if (mimeEnd >= 0)
            at = mimeEnd + 1;
        if (at + 1 >= size) // TagLib takes such a frame to be cut short
            return {};
    }
    PictureFields fields;
    fields.typeAt = at++;
    // The description ends at the first zero in Latin-1 and UTF-8, at the
    // first pair of zeros on a character boundary in UTF-16; none: no description.
    if (encoding == 0 || encoding == 3) {
        const qsizetype end = bytes.indexOf('\0', at);
        if (end >= 0)
            at = end + 1;
    } else {
        for (qsizetype i = at; i + 1 < size; i += 2) {
            if (bytes.at(i) == '\0' && bytes.at(i + 1) == '\0') {
                at = i + 2;
                break;
            }
        }
    }
    fields.dataAt = at;
    return fields;
}

Result<Tag> ConvertTo23(const Tag &v22)
{
    // Every version 2.2 frame and the version 2.3 frame that replaced it,
    // with the sort frames iTunes writes.
    static const QHash<QByteArray, QByteArray> names = {
        {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"},
        {"EQU", "EQUA"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"LNK", "LINK"}, {"MCI", "MCDI"},
        {"MLL", "MLLT"}, {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"},
        {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"},
        {"TCO", "TCON"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"},
        {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"},
        {"TMT", "TMED"}, {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"},
        {"TOT", "TOAL"}, {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"},
        {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"},
        {"TSI", "TSIZ"}, {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"},
        {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"},
        {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"},
        {"WPB", "WPUB"}, {"WXX", "WXXX"}, {"TCP", "TCMP"}, {"TST", "TSOT"}, {"TSP", "TSOP"},
        {"TSA", "TSOA"}, {"TS2", "TSO2"}, {"TSC", "TSOC"},
    };
    Tag v23 = v22;
    v23.major = 3;
    v23.revision = 0;
    v23.flags = 0;
    v23.frames.clear();
    for (const Frame &frame : v22.frames) {
        const QByteArray name = names.value(frame.id);
        if (name.isEmpty())
            return Failure{TagLibraryError::WouldLoseData,
                           EnglishText("Engine", "the ID3v2.2 frame %1 has no ID3v2.3 counterpart")
                               .arg(QString::fromLatin1(frame.id))};
        QByteArray content = frame.Content();
        if (frame.id == "PIC" && content.size() >= 4) {
            // Encoding, a three-letter format, then type, description and data
            // as in version 2.3; the format becomes a MIME type.
            const QByteArray format = content.mid(1, 3).toLower().trimmed();
            const QByteArray mime = format == "jpg" ? QByteArray("image/jpeg") : "image/" + format;
            content = content.left(1) + mime + '\0' + content.mid(4);
        }
        v23.frames.append(MakeFrame(name, content, 3));
    }
    return v23;
}

Frame MakeFrame(const QByteArray &id, const QByteArray &content, int major)
{
    Tag tag;
    tag.major = major;
    return MakeFrame(id, content, tag);
}

Frame MakeFrame(const QByteArray &id, const QByteArray &content, const Tag &tag)
{
    const bool unsynchronised = tag.FramesUnsynchronised();
    const QByteArray stored = unsynchronised ? AddUnsynchronisation(content) : content;
    QByteArray header = id;
    if (tag.major == 4 && !tag.plainFrameSizes)
        header += SyncSafeBytes(quint32(stored.size()));
    else
        AppendBigEndian(&header, quint32(stored.size()), 4);
    header += '\0';
    header += char(unsynchronised ? 0x02 : 0x00); // said by the frame too, as version 2.4 asks
    return {id, header + stored, 10};
}

QByteArray StandardFrameBytes(const Frame &frame, int major)
{
    if (major != 4 || frame.headerSize != 10)
        return frame.bytes;
    return frame.id + SyncSafeBytes(quint32(frame.bytes.size() - 10)) + frame.bytes.mid(8);
}

QByteArray Render(const Tag &tag, qint64 minimumSize)
{
    QByteArray body;
    for (const Frame &frame : tag.frames)
        body += frame.bytes;
    body += tag.trailing;
    const qint64 padding = qMax<qint64>(0, minimumSize - HeaderSize - body.size());
    body += QByteArray(int(padding), '\0');

    QByteArray header("ID3", 3);
    header += char(tag.major);
    header += char(tag.revision);
    header += char(tag.FramesUnsynchronised() ? 0x80 : 0x00);
    header += SyncSafeBytes(quint32(body.size()));
    return header + body;
}

} // namespace Id3v2
