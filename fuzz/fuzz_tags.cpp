// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the tag layer as a music file: open, read every
// field and picture, replace picture 1, save. Besides crashes, hangs and
// runaway memory it catches lost data: a save must keep every byte after the
// tag, or be refused and leave the file as it was. The audio is found by a
// scan for MPEG frames of its own, and FLAC blocks and Ogg pages are split
// here too, so that a misreading the tag layer shares with its own parser
// still shows; so are MP4 boxes.
#include "engine/tags/id3v2/id3v2raw.h"
#include "engine/tags/taglibrary.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

#include <unistd.h>

namespace {

QString scratch;

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

// The frames are the same, in the same order, apart from the first one of
// the kind the save was asked to change (the title frame: all of them).
bool SameFramesBut(QList<Id3v2::Frame> before, QList<Id3v2::Frame> after, const QByteArray &changed)
{
    const auto drop = [&changed](QList<Id3v2::Frame> &frames) {
        if (changed == "TIT2") {
            frames.removeIf([](const Id3v2::Frame &frame) { return frame.id == "TIT2"; });
            return;
        }
        for (int i = 0; i < frames.size(); ++i) {
            if (frames.at(i).id == changed) {
                frames.removeAt(i);
                return;
            }
        }
    };
    drop(before);
    drop(after);
    return before == after;
}

// The length of the MPEG audio frame whose header is at `at`; 0 when there is none.
qint64 FrameLength(const QByteArray &bytes, qint64 at)
{
    if (at + 4 > bytes.size())
        return 0;
    const auto byte = [&bytes, at](int i) { return uchar(bytes.at(int(at) + i)); };
    const int version = (byte(1) >> 3) & 3; // 3: MPEG 1, 2: MPEG 2, 0: MPEG 2.5
    const int layer = 4 - ((byte(1) >> 1) & 3);
    const int bitrateIndex = byte(2) >> 4;
    const int rateIndex = (byte(2) >> 2) & 3;
    if (byte(0) != 0xFF || (byte(1) & 0xE0) != 0xE0 || version == 1 || layer == 4 || bitrateIndex == 0
        || bitrateIndex == 15 || rateIndex == 3)
        return 0;
    static const int bitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int rates[3] = {44100, 48000, 32000};
    const bool mpeg1 = version == 3;
    const qint64 bitrate = bitrates[mpeg1 ? 0 : 1][layer - 1][bitrateIndex] * 1000;
    const qint64 rate = rates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const int padding = (byte(2) >> 1) & 1;
    if (layer == 1)
        return (12 * bitrate / rate + padding) * 4;
    return (layer == 3 && !mpeg1 ? 72 : 144) * bitrate / rate + padding;
}

// Where the audio starts: the first frame from `from` on that is followed by
// two more, or by the end of the file or an ID3v1 tag.
qint64 FirstFrame(const QByteArray &bytes, qint64 from)
{
    for (qint64 at = from; at < bytes.size(); ++at) {
        qint64 next = at;
        int frames = 0;
        for (qint64 length = FrameLength(bytes, next); length > 0 && frames < 3; length = FrameLength(bytes, next)) {
            next += length;
            ++frames;
        }
        if (frames == 3 || (frames > 0 && (next == bytes.size() || bytes.mid(int(next), 3) == "TAG")))
            return at;
    }
    return -1;
}

// Where the body of the ID3v2 tag at the start ends, as its header declares;
// a footer flag is not trusted, the scan for frames steps over a footer.
qint64 BodyEnd(const QByteArray &bytes)
{
    if (bytes.size() < 10 || !bytes.startsWith("ID3"))
        return 0;
    qint64 size = 0;
    for (int i = 6; i < 10; ++i)
        size = (size << 7) | (uchar(bytes.at(i)) & 0x7F);
    return qMin<qint64>(10 + size, bytes.size());
}

// Picture 1 as TagLib reads its whole frame, where the tag layer finds the
// picture in the frame's bytes itself: frames stored plainly.
std::optional<QByteArray> PictureByTagLib(const Id3v2::Tag &tag)
{
    for (const Id3v2::Frame &frame : tag.frames) {
        if (frame.id != "APIC" && frame.id != "PIC")
            continue;
        if ((frame.headerSize == 10 && frame.bytes.at(9) != '\0') || tag.FramesUnsynchronised())
            return std::nullopt;
        TagLib::ID3v2::Header header;
        header.setMajorVersion(uint(tag.major));
        const QByteArray bytes = Id3v2::StandardFrameBytes(frame, tag.major);
        const std::unique_ptr<TagLib::ID3v2::Frame> parsed(TagLib::ID3v2::FrameFactory::instance()->createFrame(
            TagLib::ByteVector(bytes.constData(), uint(bytes.size())), &header));
        const auto *picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame *>(parsed.get());
        if (!picture)
            return std::nullopt;
        return QByteArray(picture->picture().data(), int(picture->picture().size()));
    }
    return std::nullopt;
}

[[noreturn]] void Lost(const char *what)
{
    std::fprintf(stderr, "data lost: %s\n", what);
    std::abort();
}

// A FLAC file as blocks (type, body) between what is in front and the audio.
struct FlacParts
{
    bool ok = false;
    QByteArray front;
    QList<QPair<int, QByteArray>> blocks;
    QByteArray audio;
};

FlacParts SplitFlac(const QByteArray &bytes)
{
    FlacParts flac;
    const qint64 start = BodyEnd(bytes);
    if (bytes.mid(int(start), 4) != "fLaC")
        return flac;
    qint64 at = start + 4;
    for (bool last = false; !last; at += 4 + flac.blocks.last().second.size()) {
        if (at + 4 > bytes.size())
            return flac;
        const qint64 length = (qint64(uchar(bytes.at(int(at) + 1))) << 16) | (uchar(bytes.at(int(at) + 2)) << 8)
                              | uchar(bytes.at(int(at) + 3));
        if (at + 4 + length > bytes.size())
            return flac;
        last = uchar(bytes.at(int(at))) & 0x80;
        flac.blocks.append({uchar(bytes.at(int(at))) & 0x7F, bytes.mid(int(at) + 4, int(length))});
    }
    flac.ok = true;
    flac.front = bytes.left(int(start));
    flac.audio = bytes.mid(int(at));
    return flac;
}

// The blocks that must stay: all but padding and the one the save changed
// (picture 1, or the comments when the title changed).
QList<QPair<int, QByteArray>> KeptBlocks(const FlacParts &flac, bool picture)
{
    QList<QPair<int, QByteArray>> kept;
    int pictures = 0;
    for (const auto &block : flac.blocks) {
        if (block.first != 1 && !(block.first == 4 && !picture) && !(block.first == 6 && picture && ++pictures == 1))
            kept.append(block);
    }
    return kept;
}

// An Ogg file's audio pages, with their sequence numbers and CRCs blanked,
// after the pages that end the header packets (two for Opus, three else).
std::optional<QList<QByteArray>> OggAudio(const QByteArray &bytes, QByteArray *front)
{
    const qint64 start = BodyEnd(bytes);
    *front = bytes.left(int(start));
    QList<QByteArray> audio;
    int packets = 0;
    int wanted = 3;
    for (qint64 at = start; at < bytes.size();) {
        if (at + 27 > bytes.size() || bytes.mid(int(at), 4) != "OggS")
            return std::nullopt;
        const int segments = uchar(bytes.at(int(at) + 26));
        qint64 size = 27 + segments;
        for (int i = 0; i < segments && at + 27 + i < bytes.size(); ++i) {
            size += uchar(bytes.at(int(at) + 27 + i));
            packets += uchar(bytes.at(int(at) + 27 + i)) < 255;
        }
        if (at == start && bytes.mid(int(at) + 27 + segments, 8) == "OpusHead")
            wanted = 2;
        QByteArray page = bytes.mid(int(at), int(size));
        page.replace(18, 8, QByteArray(8, '\0'));
        if (packets > wanted || (packets == wanted && !audio.isEmpty()))
            audio.append(page);
        else if (packets == wanted)
            audio.append(QByteArray()); // marks the end of the headers
        at += size;
    }
    return audio;
}

// A saved FLAC or Ogg file keeps what is in front of it, every audio byte
// (but the Ogg page numbers) and every block the save was not asked to change.
void CheckFlacOrOgg(const QByteArray &input, const QByteArray &output, bool picture)
{
    const FlacParts before = SplitFlac(input);
    if (before.ok) {
        const FlacParts after = SplitFlac(output);
        if (!after.ok || after.front != before.front || after.audio != before.audio)
            Lost("the audio of a FLAC file changed");
        if (KeptBlocks(before, picture) != KeptBlocks(after, picture))
            Lost("FLAC blocks were dropped or changed");
        return;
    }
    QByteArray front;
    QByteArray savedFront;
    const std::optional<QList<QByteArray>> audio = OggAudio(input, &front);
    const std::optional<QList<QByteArray>> savedAudio = OggAudio(output, &savedFront);
    if (!audio || !savedAudio || front != savedFront || *audio != *savedAudio)
        Lost("the audio pages of an Ogg file changed");
}

// The MP4 boxes in bytes (held by the box at path, "/moov/udta") that hold
// no boxes, in order, each as its path and bytes, with a mark where moov and
// its tags' meta start; chunk offsets past moov counted from its end. False
// when the bytes do not split into boxes.
bool Mp4Leaves(const QByteArray &bytes, QList<QByteArray> *leaves, const QByteArray &path = {}, qint64 moovEnd = 0)
{
    static const QByteArrayList holders{"trak", "mdia", "minf", "stbl", "edts", "dinf", "mvex", "udta"};
    for (qint64 at = 0, room = bytes.size(); room > 0; room = bytes.size() - at) {
        const quint32 field = room < 8 ? 0 : qFromBigEndian<quint32>(bytes.constData() + at);
        const int header = field == 1 ? 16 : 8;
        // Size 0, to the end, only for the file's own last box.
        const qint64 size = field == 0 && path.isEmpty() ? room
                            : field == 1 && room >= 16 ? qFromBigEndian<qint64>(bytes.constData() + at + 8)
                                                       : field;
        if (room < 8 || size < header || size > room)
            return false;
        const QByteArray box = bytes.mid(int(at), int(size)), type = box.mid(4, 4), inside = path + '/' + type;
        at += size;
        const bool marked = inside == "/moov" || inside == "/moov/udta/meta";
        if (marked || inside == "/moov/udta/meta/ilst" || path == "/moov/udta/meta/ilst"
            || (!path.isEmpty() && holders.contains(type))) {
            if (marked)
                leaves->append(inside);
            // meta is a full box: its version and flags stand before its boxes.
            if (!Mp4Leaves(box.mid(header + (type == "meta" ? 4 : 0)), leaves, inside, path.isEmpty() ? at : moovEnd))
                return false;
            continue;
        }
        const int width = type == "co64" ? 8 : 4;
        const bool offsets = !path.isEmpty() && (type == "stco" || type == "co64");
        QByteArray leaf = inside + ' ' + (offsets ? box.left(header + 8) : box);
        for (qint64 entry = header + 8; offsets && entry + width <= size; entry += width) {
            const qint64 offset = width == 8 ? qFromBigEndian<qint64>(box.constData() + entry)
                                             : qint64(qFromBigEndian<quint32>(box.constData() + entry));
            leaf += ' ' + (offset < moovEnd ? QByteArray::number(offset) : "moov+" + QByteArray::number(offset - moovEnd));
        }
        leaves->append(leaf);
    }
    return true;
}

// A saved MP4 file keeps, in order, every box the save was not asked to
// change, the media data too: all but the changed item (of the pictures,
// picture 1 only), the meta box the save made, with its handler, and the
// free boxes in meta, which are padding a save may resize.
void CheckMp4(const QByteArray &input, const QByteArray &output, bool picture)
{
    QList<QByteArray> before, after;
    if (!Mp4Leaves(input, &before))
        return; // boxes this check cannot split; the tag layer's own check read them
    if (!Mp4Leaves(output, &after))
        Lost("an MP4 file no longer splits into boxes");
    const bool madeMeta = !before.contains("/moov/udta/meta");
    for (QList<QByteArray> *leaves : {&before, &after}) {
        bool firstPicture = true;
        leaves->removeIf([&](const QByteArray &leaf) {
            if (leaves == &after && madeMeta && (leaf == "/moov/udta/meta" || leaf.startsWith("/moov/udta/meta/hdlr ")))
                return true;
            if (leaf.startsWith("/moov/udta/meta/free "))
                return true;
            return picture ? leaf.startsWith("/moov/udta/meta/ilst/covr/") && std::exchange(firstPicture, false)
                           : leaf.startsWith("/moov/udta/meta/ilst/\xA9nam/");
        });
    }
    if (before != after)
        Lost("MP4 boxes or media data were dropped or changed");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Files live in memory when the machine has a tmpfs for it.
    const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    scratch = base + QStringLiteral("/brisko-fuzz-%1").arg(getpid());
    QDir().mkpath(scratch);
    // A small baseline JPEG to put in as the new picture.
    static const unsigned char jpeg[] = {
        0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x01, 0x00, 0x00, 0x01,
        0x00, 0x01, 0x00, 0x00, 0xFF, 0xD9};
    Write(scratch + QStringLiteral("/new.jpg"), QByteArray(reinterpret_cast<const char *>(jpeg), sizeof jpeg));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = scratch + QStringLiteral("/input.mp3");
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    Write(path, input);

    TagLibrary tags;
    if (tags.OpenAudioFile(path) != 1)
        return 0;
    for (const TagField field : {TagField::Title, TagField::Artist, TagField::Album, TagField::Track,
                                 TagField::Genre, TagField::Year, TagField::Comment}) {
        tags.Id3v2Field(field);
        tags.Id3v1Field(field);
    }
    const bool hadPicture = tags.PictureCount() > 0;
    const std::optional<QByteArray> byTagLib = PictureByTagLib(Id3v2::Parse(input, input.size()));
    const Result<QByteArray> picture = tags.PictureData(1);
    if (byTagLib && picture && *picture != *byTagLib)
        Lost("picture 1 reads otherwise than TagLib reads it");
    if (hadPicture) {
        tags.SavePictureToFile(1, scratch + QStringLiteral("/old.jpg"));
        tags.AddPictureFromFile(scratch + QStringLiteral("/new.jpg"), QString(), 1, tags.GetPictureType(1), 0);
    } else {
        tags.SetId3v2Field(TagField::Title, QStringLiteral("fuzz"));
    }
    tags.SetId3v1Field(TagField::Title, QStringLiteral("fuzz"));

    const short saved = tags.SaveId3v2Tag(path);
    const QByteArray output = ReadAll(path);
    if (QFile::exists(path + QLatin1Char('~')))
        Lost("a \"~\" file was left behind");
    if (saved != -1) {
        if (output != input)
            Lost("a refused save changed the file");
        return 0;
    }
    if (input.mid(4, 4) == "ftyp") {
        CheckMp4(input, output, hadPicture);
        return 0;
    }
    const QByteArray format = input.mid(int(BodyEnd(input)), 4);
    if (format == "fLaC" || format == "OggS") {
        CheckFlacOrOgg(input, output, hadPicture);
        return 0;
    }
    const Id3v2::Tag before = Id3v2::Parse(input, input.size());
    const Id3v2::Tag after = Id3v2::Parse(output, output.size());
    const qint64 oldEnd = before.present ? before.size : 0;
    if (!after.present || output.mid(int(after.size)) != input.mid(int(oldEnd)))
        Lost("the bytes after the tag changed");
    const qint64 audio = FirstFrame(input, BodyEnd(input));
    const qint64 savedAudio = FirstFrame(output, BodyEnd(output));
    if (audio >= 0 && (savedAudio < 0 || output.mid(int(savedAudio)) != input.mid(int(audio))))
        Lost("the audio changed");
    if (after.trailing != before.trailing)
        Lost("bytes inside the tag were dropped");
    Id3v2::Tag old = before;
    if (before.present && before.major == 2) {
        const Result<Id3v2::Tag> v23 = Id3v2::ConvertTo23(before);
        if (!v23)
            Lost("a version 2.2 tag that cannot be converted was saved");
        old = *v23;
    }
    if (!SameFramesBut(old.frames, after.frames, hadPicture ? QByteArray("APIC") : QByteArray("TIT2")))
        Lost("frames were dropped or changed");
    tags.SaveId3v1Tag(path);
    return 0;
}
