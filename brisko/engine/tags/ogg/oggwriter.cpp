// SPDX-License-Identifier: MIT
#include "engine/tags/ogg/oggwriter.h"

#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/files/samebytes.h"
#include "engine/tags/ogg/oggpictures.h"
#include "engine/tags/padding.h"
#include "engine/tags/vorbis/flacpicture.h"

#include <algorithm>

namespace {

// What a change is meant to touch: the fields' entries, and the pictures'
// (of which those not asked for must stay as they are).
struct Changed
{
    QSet<QByteArray> names;
    QSet<int> pictures; // where they stand in the new comment
    int front = 0;      // the stored number of the picture moved ahead of the others
    bool padding = false; // the comment header's padding was resized
};

QList<QByteArray> PictureEntriesOf(const Vorbis::Comments &comments)
{
    QList<QByteArray> entries;
    for (const int index : OggPictures::PictureEntries(comments))
        entries.append(comments.entries.at(index));
    return entries;
}

bool SameBesides(Vorbis::Comments theirs, const Vorbis::Comments &mine, const Changed &changed)
{
    if (changed.padding)
        theirs.trailing = mine.trailing;
    QList<QByteArray> before = PictureEntriesOf(theirs);
    if (changed.front > 1 && changed.front <= before.size())
        before.move(changed.front - 1, 0);
    const QList<QByteArray> after = PictureEntriesOf(mine);
    for (int i = 0; i < before.size(); ++i) {
        if (!changed.pictures.contains(i + 1) && (i >= after.size() || after.at(i) != before.at(i)))
            return false;
    }
    return Vorbis::SameBesides(theirs, mine, changed.names);
}

// Both files' audio pages, pair by pair: the same but for the sequence
// numbers, which differ by shift, and with them the CRCs; and the same
// bytes after them.
bool SameAudio(int copy, ByteReader &copyReader, const Ogg::Stream &mine, int original, ByteReader &originalReader,
               const Ogg::Stream &theirs, qint64 shift)
{
    Ogg::AudioPages after(copyReader, mine);
    Ogg::AudioPages before(originalReader, theirs);
    for (;;) {
        const std::optional<Ogg::Page> a = after.Next();
        const std::optional<Ogg::Page> b = before.Next();
        if (!a || !b)
            return !a && !b && after.Sound() && before.Sound()
                   && SameBytesToEnd(copy, after.End(), original, before.End());
        if (a->sequence != quint32(b->sequence + shift) || a->flags != b->flags || a->granule != b->granule
            || a->serial != b->serial || a->lacing != b->lacing || a->body != b->body)
            return false;
    }
}

// The header packets as they are to be written, and which of them are made anew.
struct Packets
{
    QList<QByteArray> planned;
    QSet<int> changed;
};

// theirs: the original's header packets as read when its tags were, from
// the same locked file; reading them again would hold its pictures twice.
Result<void> CheckCopy(int copy, int original, const Ogg::Stream &theirs, const Packets &packets, qint64 shift,
                       const Changed &changed)
{
    const QString differs = EnglishText("Engine", "the new comment header does not read back as written");
    ByteReader copyReader(copy, SizeOfFile(copy));
    ByteReader originalReader(original, SizeOfFile(original));
    const Ogg::Stream mine = Ogg::ReadStream(copyReader);
    if (!mine.problem.isEmpty() || !theirs.problem.isEmpty() || mine.prefix != theirs.prefix
        || mine.firstPage != theirs.firstPage || mine.packets.size() != theirs.packets.size()
        || mine.headerPages.size() - theirs.headerPages.size() != shift
        || !SameBesides(theirs.comments, mine.comments, changed))
        return CopyRefused(differs);
    for (int i = 0; i < mine.packets.size(); ++i) {
        if (mine.packets.at(i) != (packets.changed.contains(i) ? packets.planned.at(i) : theirs.packets.at(i)))
            return CopyRefused(differs);
    }
    if (!SameAudio(copy, copyReader, mine, original, originalReader, theirs, shift))
        return CopyRefused(EnglishText("Engine", "the audio would not stay as it was"));
    return {};
}

Failure TooLargeForFlac()
{
    return Failure{TagLibraryError::WouldLoseData,
                   EnglishText("Engine", "a metadata block would be larger than FLAC allows (16 MB)")};
}

// Whether what follows an Opus comment list is padding, which may be
// resized: nothing, or a first byte with its lowest bit clear (a set bit
// marks data that must stay).
bool IsOpusPadding(const Ogg::Stream &stream)
{
    const QByteArray &trailing = stream.comments.trailing;
    return stream.codec == Ogg::Codec::Opus && (trailing.isEmpty() || !(trailing.at(0) & 1));
}

// The padding of an Opus comment header with these comments, as padding.h
// says, where its pages keep their count: where they cannot, every audio
// page is numbered anew and copied, and a fresh padding will do.
qint64 ChooseOpusPadding(const Ogg::Stream &stream, Vorbis::Comments comments, qint64 block)
{
    comments.trailing.clear();
    const qint64 bare = Ogg::CommentPacket(stream, comments).size();
    const qint64 pages = stream.headerPages.size();
    const qint64 pageHeaders = stream.prefix.size() + stream.firstPage.size() + 27 * pages;
    // Where the audio begins with that much padding; -1 where the pages would change count.
    const auto audioStart = [&](qint64 padding) -> qint64 {
        const qint64 packet = bare + padding;
        const qint64 segments = packet / 255 + 1;
        if (padding < 0 || segments < pages || segments > 255 * pages)
            return -1;
        return pageHeaders + segments + packet;
    };
    // Where it is now: a packet of n bytes takes n + n / 255 + 1 with its segment table.
    const qint64 packetNow = (stream.audioStart - pageHeaders - 1) * 255 / 256;
    for (qint64 padding = packetNow - bare - 2; padding <= packetNow - bare + 2; ++padding) {
        if (padding <= MostKeptPadding && audioStart(padding) == stream.audioStart)
            return padding;
    }
    for (qint64 padding = FreshPadding; padding < FreshPadding + 2 * block; ++padding) {
        const qint64 start = audioStart(padding);
        if (start >= 0 && ToWholeBlocks(start - stream.audioStart, block) == 0)
            return padding;
    }
    return FreshPadding;
}

// The audio pages numbered on by shift, then the bytes after them as they
// are, handed to write about a megabyte at a time: never more of them in
// memory.
Result<qint64> WriteRenumbered(int fd, qint64 fileSize, const Ogg::Stream &stream, qint64 shift,
                               const std::function<bool(const QByteArray &)> &write)
{
    constexpr qsizetype PieceSize = 1 << 20;
    ByteReader reader(fd, fileSize);
    Ogg::AudioPages audio(reader, stream);
    QByteArray piece;
    qint64 written = 0;
    const auto flush = [&] {
        written += piece.size();
        const bool done = write(piece);
        piece.truncate(0);
        return done;
    };
    while (std::optional<Ogg::Page> page = audio.Next()) {
        page->sequence += quint32(shift);
        piece.append(Ogg::RenderPage(*page));
        if (piece.size() >= PieceSize && !flush())
            return Failure{TagLibraryError::WriteFailed, QString()};
    }
    for (qint64 at = audio.End(); audio.Sound() && at < fileSize; at += PieceSize) {
        piece.append(reader.Read(at, qMin<qint64>(PieceSize, fileSize - at)).value_or(QByteArray()));
        if (!flush())
            return Failure{TagLibraryError::WriteFailed, QString()};
    }
    if (!reader.Reading())
        return reader.Reading().Why();
    if (!audio.Sound())
        return audio.Sound().Why();
    if (!piece.isEmpty() && !flush())
        return Failure{TagLibraryError::WriteFailed, QString()};
    return written;
}

} // namespace

qint64 OggPadding(const Ogg::Stream &stream)
{
    return IsOpusPadding(stream) ? stream.comments.trailing.size() : 0;
}

Result<FileRewrite> RenderOgg(const Ogg::Stream &stream, int fd, qint64 fileSize, const TagEdits &edits,
                              const QList<QByteArray> &descriptions, qint64 shareBlock)
{
    Vorbis::Comments edited = stream.comments;
    Changed changed;
    Packets packets{stream.packets, {0}};
    changed.names = Vorbis::SetFields(&edited, edits.fields);
    // Pictures in comments come first, then Ogg FLAC's PICTURE blocks; a
    // new picture becomes a comment.
    const qsizetype inComments = OggPictures::PictureEntries(stream.comments).size();
    const QList<int> picturePackets = Ogg::PicturePackets(stream);
    // number: the picture's place as the comments stand now; shownAt: its
    // place once a picture has moved ahead of the others.
    const auto put = [&](int number, int shownAt, const TagEdits::Picture &picture, const QByteArray &description) {
        const qsizetype block = number - 1 - inComments;
        if (block < 0 || block >= picturePackets.size()) {
            OggPictures::PutPicture(&edited, number, picture, description);
            changed.pictures.insert(shownAt);
            return true;
        }
        const int index = picturePackets.at(block);
        const std::optional<QByteArray> rendered = Ogg::FlacPacket(
            stream, index, RenderFlacPicture(JpegPicture(picture.jpeg, quint32(picture.type), description)));
        packets.planned[index] = rendered.value_or(QByteArray());
        packets.changed.insert(index);
        return rendered.has_value();
    };
    for (auto later = edits.laterPictures.cbegin(); later != edits.laterPictures.cend(); ++later) {
        if (!put(later.key(), edits.NumberAfterMove(later.key()), *later, descriptions.value(later.key() - 1)))
            return TooLargeForFlac();
    }
    if (edits.frontPicture > 1) {
        // Among the comments' pictures, before the first: the other comments,
        // and Ogg FLAC's own PICTURE packets, keep their places.
        const QList<int> entries = OggPictures::PictureEntries(edited);
        if (edits.frontPicture > entries.size())
            return Failure{TagLibraryError::WouldLoseData,
                           EnglishText("Engine", "a picture of the stream's own metadata is not moved ahead of others")};
        edited.entries.move(entries.at(edits.frontPicture - 1), entries.at(0));
        changed.front = edits.frontPicture;
    }
    if (edits.firstPicture && !put(1, 1, *edits.firstPicture, descriptions.value(qMax(1, changed.front) - 1)))
        return TooLargeForFlac();
    if (!changed.pictures.isEmpty() || changed.front > 1)
        changed.names.unite(OggPictures::Names);
    if (IsOpusPadding(stream)) {
        const qint64 padding = ChooseOpusPadding(stream, edited, shareBlock);
        // Made afresh: the old padding is a slice of the whole comment
        // packet, and growing it would take a buffer of the packet's size.
        QByteArray resized(padding, '\0');
        std::copy_n(edited.trailing.constData(), qMin<qint64>(padding, edited.trailing.size()), resized.data());
        edited.trailing = resized;
        changed.padding = edited.trailing != stream.comments.trailing;
    }

    packets.planned[0] = Ogg::CommentPacket(stream, edited);
    if (packets.planned[0].isEmpty())
        return TooLargeForFlac();
    const QList<Ogg::Page> pages = Ogg::Paginate(packets.planned, stream.headerPages.size(), stream.serial,
                                                 stream.headerPages.first().sequence);
    const qint64 shift = pages.size() - stream.headerPages.size();

    FileRewrite rewrite;
    rewrite.head = stream.prefix + stream.firstPage;
    for (const Ogg::Page &page : pages)
        rewrite.head.append(Ogg::RenderPage(page));
    // Every audio page is checked before anything is written. Each is let go
    // before the next is read, so that the reader fills its window in place.
    ByteReader reader(fd, fileSize);
    Ogg::AudioPages audio(reader, stream);
    int count = 0;
    while (audio.Next())
        ++count;
    if (!reader.Reading())
        return reader.Reading().Why();
    if (!audio.Sound())
        return audio.Sound().Why();
    if (count == 0)
        return Failure{TagLibraryError::NoAudio, EnglishText("Engine", "the file holds no audio")};

    rewrite.keepFrom = stream.audioStart;
    rewrite.keepTo = shift == 0 ? fileSize : stream.audioStart;
    if (shift != 0) {
        // Only what the walk needs: not the comments, which may hold large pictures.
        Ogg::Stream audioOnly;
        audioOnly.serial = stream.serial;
        audioOnly.audioStart = stream.audioStart;
        rewrite.generatedSize = fileSize - stream.audioStart;
        rewrite.generate = [fd, fileSize, audioOnly, shift](const std::function<bool(const QByteArray &)> &write) {
            return WriteRenumbered(fd, fileSize, audioOnly, shift, write);
        };
    }
    // The stream is shared, not copied: its packets and comments are implicitly shared.
    rewrite.check = [stream, packets, shift, changed](int copy, int original) {
        return CheckCopy(copy, original, stream, packets, shift, changed);
    };
    return rewrite;
}
