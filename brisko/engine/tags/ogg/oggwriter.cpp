// SPDX-License-Identifier: MIT
#include "engine/tags/ogg/oggwriter.h"

#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/tags/ogg/oggpictures.h"

namespace {

// What a change is meant to touch: the fields' entries, and the pictures'
// (of which those not asked for must stay as they are).
struct Changed
{
    QSet<QByteArray> names;
    QSet<int> pictures;
};

QList<QByteArray> PictureEntriesOf(const Vorbis::Comments &comments)
{
    QList<QByteArray> entries;
    for (const int index : OggPictures::PictureEntries(comments))
        entries.append(comments.entries.at(index));
    return entries;
}

bool SameBesides(const Vorbis::Comments &theirs, const Vorbis::Comments &mine, const Changed &changed)
{
    const QList<QByteArray> before = PictureEntriesOf(theirs);
    const QList<QByteArray> after = PictureEntriesOf(mine);
    for (int i = 0; i < before.size(); ++i) {
        if (!changed.pictures.contains(i + 1) && (i >= after.size() || after.at(i) != before.at(i)))
            return false;
    }
    return Vorbis::SameBesides(theirs, mine, changed.names);
}

// Both files' audio pages, pair by pair: the same but for the sequence
// numbers, which differ by shift, and with them the CRCs.
bool SameAudio(ByteReader &copy, const Ogg::Stream &mine, ByteReader &original, const Ogg::Stream &theirs,
               qint64 shift)
{
    Ogg::AudioPages after(copy, mine);
    Ogg::AudioPages before(original, theirs);
    for (;;) {
        const std::optional<Ogg::Page> a = after.Next();
        const std::optional<Ogg::Page> b = before.Next();
        if (!a || !b)
            return !a && !b && after.Problem().isEmpty() && before.Problem().isEmpty();
        if (a->sequence != quint32(b->sequence + shift) || a->flags != b->flags || a->granule != b->granule
            || a->serial != b->serial || a->lacing != b->lacing || a->body != b->body)
            return false;
    }
}

QString CheckCopy(int copy, int original, const QByteArray &comment, qint64 shift, const Changed &changed)
{
    const QString differs = EnglishText("Engine", "the new comment header does not read back as written");
    ByteReader copyReader(copy, SizeOfFile(copy));
    ByteReader originalReader(original, SizeOfFile(original));
    const Ogg::Stream mine = Ogg::ReadStream(copyReader);
    const Ogg::Stream theirs = Ogg::ReadStream(originalReader);
    if (!mine.problem.isEmpty() || !theirs.problem.isEmpty() || mine.prefix != theirs.prefix
        || mine.firstPage != theirs.firstPage || mine.packets.value(0) != comment
        || mine.packets.mid(1) != theirs.packets.mid(1)
        || mine.headerPages.size() - theirs.headerPages.size() != shift
        || !SameBesides(theirs.comments, mine.comments, changed))
        return differs;
    if (!SameAudio(copyReader, mine, originalReader, theirs, shift))
        return EnglishText("Engine", "the audio would not stay as it was");
    return QString();
}

} // namespace

Result<FileRewrite> RenderOgg(const Ogg::Stream &stream, int fd, qint64 fileSize, const TagEdits &edits,
                              const QList<QByteArray> &descriptions)
{
    Vorbis::Comments edited = stream.comments;
    Changed changed;
    for (auto change = edits.fields.cbegin(); change != edits.fields.cend(); ++change) {
        changed.names.insert(Vorbis::FieldName(stream.comments, change.key()));
        Vorbis::SetField(&edited, change.key(), change.value());
    }
    for (auto later = edits.laterPictures.cbegin(); later != edits.laterPictures.cend(); ++later) {
        OggPictures::PutPicture(&edited, later.key(), *later, descriptions.value(later.key() - 1));
        changed.pictures.insert(later.key());
    }
    if (edits.firstPicture) {
        OggPictures::PutPicture(&edited, 1, *edits.firstPicture, descriptions.value(0));
        changed.pictures.insert(1);
    }
    if (!changed.pictures.isEmpty())
        changed.names.unite(OggPictures::Names);

    const QByteArray comment = Ogg::CommentPacket(stream.codec, edited);
    const QList<Ogg::Page> pages = Ogg::Paginate(QList<QByteArray>{comment} + stream.packets.mid(1),
                                                 stream.headerPages.size(), stream.serial,
                                                 stream.headerPages.first().sequence);
    const qint64 shift = pages.size() - stream.headerPages.size();
    if (shift != 0 && fileSize - stream.audioStart > MostTagBytes)
        return Failure{TagLibraryError::WouldLoseData,
                       EnglishText("Engine", "the comment header would take another number of pages, and the "
                                             "audio is too large to be numbered anew in memory")};

    FileRewrite rewrite;
    rewrite.head = stream.prefix + stream.firstPage;
    for (const Ogg::Page &page : pages)
        rewrite.head.append(Ogg::RenderPage(page));
    // Every audio page is checked before anything is written. Each is let go
    // before the next is read, so that the reader fills its window in place.
    ByteReader reader(fd, fileSize);
    Ogg::AudioPages audio(reader, stream);
    int count = 0;
    while (std::optional<Ogg::Page> page = audio.Next()) {
        ++count;
        if (shift == 0)
            continue;
        page->sequence += quint32(shift);
        rewrite.tail.append(Ogg::RenderPage(*page));
    }
    if (reader.Failed())
        return ReadFailure(reader.Error());
    if (!audio.Problem().isEmpty())
        return Failure{TagLibraryError::WouldLoseData, audio.Problem()};
    if (count == 0)
        return Failure{TagLibraryError::NoAudio, EnglishText("Engine", "the file holds no audio")};

    rewrite.keepFrom = stream.audioStart;
    rewrite.keepTo = shift == 0 ? fileSize : stream.audioStart;
    rewrite.check = [comment, shift, changed](int copy, int original) {
        return CheckCopy(copy, original, comment, shift, changed);
    };
    return rewrite;
}
