// SPDX-License-Identifier: MIT
#include "engine/tags/vorbis/flacpicture.h"

#include "base/byteorder.h"
#include "base/sharedbytes.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/tags/tagbytes.h"

namespace {

bool IsFrameHeader(int marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The JPEG's frame header (SOFn), found by walking its marker segments.
void ReadJpegFrame(const QByteArray &jpeg, FlacPicture *picture)
{
    const auto byte = [&jpeg](qint64 at) { return int(uchar(jpeg.at(at))); };
    if (jpeg.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8)
        return;
    qint64 at = 2;
    while (at + 4 <= jpeg.size() && byte(at) == 0xFF) {
        const int marker = byte(at + 1);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return;
        if (IsFrameHeader(marker) && at + 10 <= jpeg.size()) {
            picture->height = BigEndian(jpeg, at + 5, 2);
            picture->width = BigEndian(jpeg, at + 7, 2);
            picture->depth = quint32(byte(at + 4) * byte(at + 9));
            return;
        }
        at += 2 + BigEndian(jpeg, at + 2, 2);
    }
}

} // namespace

Result<FlacPicture> ParseFlacPicture(const QByteArray &body)
{
    const qint64 size = body.size();
    qint64 at = 0;
    const auto number = [&](quint32 *value) {
        if (size - at < 4)
            return false;
        *value = BigEndian(body, at, 4);
        at += 4;
        return true;
    };
    const auto text = [&](QByteArray *value) {
        quint32 length = 0;
        if (!number(&length) || length > size - at)
            return false;
        *value = SharedSlice(body, at, length);
        at += length;
        return true;
    };
    FlacPicture picture;
    quint32 dataLength = 0;
    if (!number(&picture.type) || !text(&picture.mime) || !text(&picture.description) || !number(&picture.width)
        || !number(&picture.height) || !number(&picture.depth) || !number(&picture.colours) || !number(&dataLength)
        || dataLength != size - at)
        return Failure{TagLibraryError::TagUnreadable,
                       EnglishText("Engine", "a picture's fields do not add up to its length")};
    picture.data = SharedSlice(body, at, dataLength);
    return picture;
}

StoredPicture ToStoredPicture(const FlacPicture &picture)
{
    StoredPicture stored;
    stored.data = picture.data;
    stored.type = short(qMin<quint32>(picture.type, 32767));
    stored.link = picture.mime == "-->";
    stored.readable = !stored.link;
    return stored;
}

QByteArray RenderFlacPicture(const FlacPicture &picture)
{
    QByteArray body;
    body.reserve(32 + picture.mime.size() + picture.description.size() + picture.data.size());
    AppendBigEndian(&body, picture.type, 4);
    AppendBigEndian(&body, quint32(picture.mime.size()), 4);
    body.append(picture.mime);
    AppendBigEndian(&body, quint32(picture.description.size()), 4);
    body.append(picture.description);
    for (const quint32 value : {picture.width, picture.height, picture.depth, picture.colours,
                                quint32(picture.data.size())})
        AppendBigEndian(&body, value, 4);
    body.append(picture.data);
    return body;
}

FlacPicture JpegPicture(const QByteArray &jpeg, quint32 type, const QByteArray &description)
{
    FlacPicture picture;
    picture.type = type;
    picture.mime = "image/jpeg";
    picture.description = description;
    picture.data = jpeg;
    ReadJpegFrame(jpeg, &picture);
    return picture;
}

QString UnreadablePicture(int number, const QString &reason)
{
    return EnglishText("Engine", "picture %1 cannot be read: %2").arg(number).arg(reason);
}
