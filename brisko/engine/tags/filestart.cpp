// SPDX-License-Identifier: MIT
#include "engine/tags/filestart.h"

#include "engine/tags/id3v2/id3v2raw.h"
#include "engine/tags/tagbytes.h"

Result<FileStart> ReadFileStart(int fd, qint64 size)
{
    FileStart start;
    start.fd = fd;
    start.size = size;
    const Result<QByteArray> head = ReadUpTo(fd, size, 0, FileStart::HeadSize);
    if (!head)
        return head.Why();
    start.head = *head;
    qint64 end = Id3v2::BodyEnd(start.head);
    if (end > 0) {
        // An ID3v2.4 tag may close with a footer.
        const Result<QByteArray> footer =
            end < size ? ReadUpTo(fd, size, end, Id3v2::FooterSize) : Result<QByteArray>(QByteArray());
        if (footer && Id3v2::FooterFollows(start.head, *footer))
            end += Id3v2::FooterSize;
        start.streamAt = end;
        const Result<QByteArray> stream = ReadUpTo(fd, size, qMin(end, size), FileStart::StreamBytes);
        if (!stream)
            return stream.Why();
        start.stream = *stream;
    } else {
        start.stream = start.head.left(FileStart::StreamBytes);
    }
    return start;
}
