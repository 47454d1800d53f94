// SPDX-License-Identifier: MIT
#include "engine/tags/ogg/oggcontainer.h"

#include "base/tagerrors.h"
#include "engine/files/keptrange.h"
#include "engine/files/lockedfile.h"
#include "engine/tags/ogg/oggpictures.h"
#include "engine/tags/ogg/oggstream.h"
#include "engine/tags/ogg/oggwriter.h"
#include "engine/tags/tagbytes.h"
#include "engine/tags/vorbis/flacpicture.h"

namespace {

class OggTags : public TagContainer
{
public:
    // fd: the file, held open by the caller while the tags are used; its
    // audio pages are checked when the tags are rendered.
    OggTags(Ogg::Stream stream, int fd, qint64 fileSize, qint64 block);

    bool HasTag() const override { return true; } // the comment header is a part of every stream
    Result<void> ReadWhole() const override { return WholeUnless(problem_); }
    QString Field(TagField field) const override { return Vorbis::FieldText(stream_.comments, field); }
    int PictureCount() const override { return int(pictures_.size()); }
    std::optional<StoredPicture> Picture(int number) const override
    {
        if (number < 1 || number > pictures_.size())
            return std::nullopt;
        return pictures_.at(number - 1);
    }
    qint64 TagBytes() const override { return stream_.packets.value(0).size(); }

    Result<FileRewrite> Render(const TagEdits &edits) const override
    {
        if (!problem_.isEmpty())
            return Failure{TagLibraryError::WouldLoseData, problem_};
        return RenderOgg(stream_, fd_, fileSize_, edits, descriptions_, block_);
    }
    qint64 Padding() const override { return OggPadding(stream_); }

private:
    const Ogg::Stream stream_;
    const int fd_;
    const qint64 fileSize_;
    const qint64 block_;
    QString problem_;
    QList<StoredPicture> pictures_; // decoded once, when the tags are read
    QList<QByteArray> descriptions_; // stored with them, kept by a new picture
};

OggTags::OggTags(Ogg::Stream stream, int fd, qint64 fileSize, qint64 block)
    : stream_(std::move(stream))
    , fd_(fd)
    , fileSize_(fileSize)
    , block_(block)
    , problem_(stream_.problem)
{
    // Every picture is read once here: one that cannot be keeps the file
    // from being written, and stays in the list as unreadable.
    for (const int entry : OggPictures::PictureEntries(stream_.comments)) {
        QByteArray description;
        const QByteArray &stored = stream_.comments.entries.at(entry);
        const Result<StoredPicture> picture = OggPictures::ReadPicture(stored, &description);
        if (!picture && problem_.isEmpty())
            problem_ = picture.Why().reason;
        pictures_.append(picture ? *picture
                                 : StoredPicture{{}, 0, false, UnreadablePicture(int(pictures_.size()) + 1, picture.Why().reason)});
        descriptions_.append(description);
    }
    // Ogg FLAC may hold its pictures as PICTURE blocks too: numbered after those.
    for (const int packet : Ogg::PicturePackets(stream_)) {
        const Result<FlacPicture> picture = ParseFlacPicture(stream_.packets.at(packet).mid(4));
        if (!picture && problem_.isEmpty())
            problem_ = picture.Why().reason;
        pictures_.append(picture ? ToStoredPicture(*picture) : StoredPicture());
        descriptions_.append(picture ? picture->description : QByteArray());
    }
}

} // namespace

Result<std::unique_ptr<TagContainer>> ReadOggTags(const LockedFile &file)
{
    const qint64 size = file.State().st_size;
    ByteReader reader(file.Descriptor(), size);
    Ogg::Stream stream = Ogg::ReadStream(reader);
    if (!stream.reading)
        return stream.reading.Why();
    return std::unique_ptr<TagContainer>(new OggTags(std::move(stream), file.Descriptor(), size, ShareBlock(file.State())));
}

bool IsOpus(const FileStart &start)
{
    if (!start.stream.startsWith("OggS") || start.stream.size() < 27)
        return false;
    const int segments = uchar(start.stream.at(26));
    return start.stream.mid(27 + segments, 8) == "OpusHead";
}

bool IsOggVorbis(const FileStart &start)
{
    return start.stream.startsWith("OggS") && !IsOpus(start);
}

qint64 OggHeaderBytes(const FileStart &start)
{
    // Vorbis has three header packets, Opus two. Only the pages' headers
    // and segment tables are read: a packet ends with a segment shorter
    // than 255 bytes.
    const int headerPackets = IsOpus(start) ? 2 : 3;
    ByteReader reader(start.fd, start.size);
    qint64 at = start.streamAt;
    int packets = 0;
    while (packets < headerPackets && at - start.streamAt <= MostTagBytes) {
        constexpr int HeaderSize = 27;
        const std::optional<QByteArray> header = reader.Read(at, HeaderSize);
        if (!header || !header->startsWith("OggS"))
            break;
        const int segments = uchar(header->at(26));
        const std::optional<QByteArray> lacing = reader.Read(at + HeaderSize, segments);
        if (!lacing)
            break;
        qint64 body = 0;
        for (const char length : *lacing) {
            body += uchar(length);
            packets += uchar(length) < 255 ? 1 : 0;
        }
        at += HeaderSize + segments + body;
    }
    return qMin(at, start.size);
}
