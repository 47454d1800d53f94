// SPDX-License-Identifier: MIT
#include "engine/tags/tagcontainer.h"

#include "engine/files/lockedfile.h"
#include "engine/tags/flac/flaccontainer.h"
#include "engine/tags/id3v2/id3v2container.h"
#include "engine/tags/id3v2/id3v2raw.h"
#include "engine/tags/mp4/mp4container.h"
#include "engine/tags/ogg/oggcontainer.h"

#include <vector>

#include <unistd.h>

namespace {

using TagReader = Result<std::unique_ptr<TagContainer>> (*)(const LockedFile &file);

// The first bytes of a file, and the first bytes after an ID3v2 tag at its
// start (some writers put one in front of other formats too).
struct FileStart
{
    QByteArray atStart;
    QByteArray afterId3v2;
};

constexpr int StartSize = 16;

QByteArray ReadAt(int fd, qint64 offset)
{
    QByteArray bytes(StartSize, '\0');
    const ssize_t got = ::pread(fd, bytes.data(), StartSize, offset);
    bytes.truncate(got > 0 ? int(got) : 0);
    return bytes;
}

FileStart StartOf(const LockedFile &file)
{
    FileStart start;
    start.atStart = ReadAt(file.Descriptor(), 0);
    qint64 end = Id3v2::BodyEnd(start.atStart);
    // An ID3v2.4 tag may close with a footer.
    if (end > 0 && Id3v2::FooterFollows(start.atStart, ReadAt(file.Descriptor(), end)))
        end += Id3v2::FooterSize;
    start.afterId3v2 = end > 0 ? ReadAt(file.Descriptor(), end) : start.atStart;
    return start;
}

// One line a format other than MP3: how its files begin, and its reader. The
// first that knows the file reads it; files no other format claims are read
// as MP3, whose files may begin with almost anything.
struct TagFormat
{
    bool (*recognises)(const FileStart &start);
    TagReader read;
};
const std::vector<TagFormat> &OtherFormats()
{
    static const std::vector<TagFormat> formats = {
        {[](const FileStart &start) { return start.afterId3v2.startsWith("fLaC"); }, ReadFlacTags},
        {[](const FileStart &start) { return start.afterId3v2.startsWith("OggS"); }, ReadOggTags},
        {[](const FileStart &start) { return start.atStart.mid(4, 4) == "ftyp"; }, ReadMp4Tags},
    };
    return formats;
}

} // namespace

Result<std::unique_ptr<TagContainer>> ReadTagContainer(const LockedFile &file)
{
    const FileStart start = StartOf(file);
    for (const TagFormat &format : OtherFormats()) {
        if (format.recognises(start))
            return format.read(file);
    }
    return ReadMp3Tags(file);
}
