// SPDX-License-Identifier: MIT
#include "engine/tags/filestart.h"

#include "engine/tags/id3v2/id3v2raw.h"
#include "engine/tags/tagbytes.h"

Result<FileStart> ReadFileStart(int fd, qint64 size)
{
    FileStart start;
    start.fd = fd;
    start.size = size;
    if (const int error = ReadUpTo(fd, size, 0, FileStart::HeadSize, &start.head))
        return ReadFailure(error);
    qint64 end = Id3v2::BodyEnd(start.head);
    if (end > 0) {
        // An ID3v2.4 tag may close with a footer.
        QByteArray footer;
        if (end < size && ReadUpTo(fd, size, end, Id3v2::FooterSize, &footer) == 0
            && Id3v2::FooterFollows(start.head, footer))
            end += Id3v2::FooterSize;
        start.streamAt = end;
        if (const int error = ReadUpTo(fd, size, qMin(end, size), FileStart::StreamBytes, &start.stream))
            return ReadFailure(error);
    } else {
        start.stream = start.head.left(FileStart::StreamBytes);
    }
    return start;
}
