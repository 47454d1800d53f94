// SPDX-License-Identifier: MIT
#include "engine/tags/ogg/oggpictures.h"

#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/tags/vorbis/flacpicture.h"

namespace OggPictures {

namespace {

int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}

// Only the one way of writing the bytes in Base64: no line breaks, blanks
// or other alphabets, the padding there, and the bits it leaves over zero.
std::optional<QByteArray> StrictBase64(const QByteArray &text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    const qsizetype padding = text.endsWith("==") ? 2 : text.endsWith('=') ? 1 : 0;
    for (qsizetype i = 0; i < text.size() - padding; ++i) {
        if (Base64Value(text.at(i)) < 0)
            return std::nullopt;
    }
    if (padding > 0 && (Base64Value(text.at(text.size() - padding - 1)) & (padding == 1 ? 0x3 : 0xF)) != 0)
        return std::nullopt;
    return QByteArray::fromBase64(text);
}

QByteArray StoredName(const QByteArray &entry)
{
    return entry.left(entry.indexOf('='));
}

// The COVERARTMIME that goes with the COVERART at index: the one with as
// many before it.
void MarkAsJpeg(Vorbis::Comments *comments, int index)
{
    int before = 0;
    for (int i = 0; i < index; ++i)
        before += Vorbis::EntryName(comments->entries.at(i)) == "COVERART";
    for (QByteArray &entry : comments->entries) {
        if (Vorbis::EntryName(entry) == "COVERARTMIME" && before-- == 0) {
            entry = StoredName(entry) + "=image/jpeg";
            return;
        }
    }
}

} // namespace

const QSet<QByteArray> Names = {"METADATA_BLOCK_PICTURE", "COVERART", "COVERARTMIME"};

QList<int> PictureEntries(const Vorbis::Comments &comments)
{
    QList<int> entries;
    for (int i = 0; i < comments.entries.size(); ++i) {
        const QByteArray name = Vorbis::EntryName(comments.entries.at(i));
        if (name == "METADATA_BLOCK_PICTURE" || name == "COVERART")
            entries.append(i);
    }
    return entries;
}

Result<StoredPicture> ReadPicture(const QByteArray &entry)
{
    const std::optional<QByteArray> decoded = StrictBase64(Vorbis::EntryValue(entry));
    if (!decoded)
        return Failure{TagLibraryError::TagUnreadable, EnglishText("Engine", "a picture comment is not valid Base64")};
    if (Vorbis::EntryName(entry) == "COVERART")
        return StoredPicture{*decoded, 3, true};
    const Result<FlacPicture> picture = ParseFlacPicture(*decoded);
    if (!picture)
        return picture.Why();
    return StoredPicture{picture->data, short(qMin<quint32>(picture->type, 32767)), true};
}

void PutPicture(Vorbis::Comments *comments, int number, const TagEdits::Picture &picture)
{
    const QList<int> entries = PictureEntries(*comments);
    if (number > entries.size()) {
        comments->entries.append("METADATA_BLOCK_PICTURE="
                                 + RenderFlacPicture(JpegPicture(picture.jpeg, quint32(picture.type), {})).toBase64());
        return;
    }
    const int index = entries.at(number - 1);
    QByteArray &entry = comments->entries[index];
    if (Vorbis::EntryName(entry) == "COVERART") {
        entry = StoredName(entry) + '=' + picture.jpeg.toBase64();
        MarkAsJpeg(comments, index);
        return;
    }
    // The picture keeps its description, as stored; it was read whole when the file was.
    const QByteArray description =
        ParseFlacPicture(StrictBase64(Vorbis::EntryValue(entry)).value_or(QByteArray())).Value().description;
    entry = StoredName(entry) + '='
            + RenderFlacPicture(JpegPicture(picture.jpeg, quint32(picture.type), description)).toBase64();
}

} // namespace OggPictures
