// SPDX-License-Identifier: MIT
#include "engine/tags/ogg/oggpictures.h"

#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/tags/vorbis/flacpicture.h"

#include <array>

namespace OggPictures {

namespace {

// Each byte's value in Base64's alphabet; Outside for one outside it.
constexpr quint8 Outside = 0x80;
const std::array<quint8, 256> &Base64Values()
{
    static const std::array<quint8, 256> values = [] {
        std::array<quint8, 256> made {};
        made.fill(Outside);
        const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (quint8 i = 0; i < 64; ++i)
            made[uchar(alphabet[i])] = i;
        return made;
    }();
    return values;
}

// Only the one way of writing the bytes in Base64: no line breaks, blanks
// or other alphabets, the padding there, and the bits it leaves over zero.
// Checked while decoding, in one pass: a picture's text is read once.
std::optional<QByteArray> StrictBase64(const QByteArray &text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    const qsizetype padding = text.endsWith("==") ? 2 : text.endsWith('=') ? 1 : 0;
    const std::array<quint8, 256> &values = Base64Values();
    const auto *in = reinterpret_cast<const uchar *>(text.constData());
    const auto *end = in + text.size() - padding;
    QByteArray bytes(text.size() / 4 * 3 - padding, Qt::Uninitialized);
    auto *out = reinterpret_cast<uchar *>(bytes.data());
    unsigned seen = 0; // every value or'ed: Outside is set once one was outside
    for (; end - in >= 4; in += 4) {
        const unsigned a = values[in[0]], b = values[in[1]], c = values[in[2]], d = values[in[3]];
        seen |= a | b | c | d;
        *out++ = uchar(a << 2 | b >> 4);
        *out++ = uchar(b << 4 | c >> 2);
        *out++ = uchar(c << 6 | d);
    }
    // The last group, before the padding: two or three characters.
    unsigned left = 0;
    if (padding > 0) {
        const unsigned a = values[in[0]], b = values[in[1]], c = padding == 1 ? values[in[2]] : 0;
        seen |= a | b | c;
        *out++ = uchar(a << 2 | b >> 4);
        if (padding == 1)
            *out++ = uchar(b << 4 | c >> 2);
        left = padding == 1 ? c & 0x3 : b & 0xF;
    }
    if ((seen & Outside) != 0 || left != 0)
        return std::nullopt;
    return bytes;
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

Result<StoredPicture> ReadPicture(const QByteArray &entry, QByteArray *description)
{
    const std::optional<QByteArray> decoded = StrictBase64(Vorbis::EntryValue(entry));
    if (!decoded)
        return Failure{TagLibraryError::TagUnreadable, EnglishText("Engine", "a picture comment is not valid Base64")};
    if (Vorbis::EntryName(entry) == "COVERART")
        return StoredPicture{*decoded, 3, true, {}, false, false};
    const Result<FlacPicture> picture = ParseFlacPicture(*decoded);
    if (!picture)
        return picture.Why();
    *description = picture->description;
    return ToStoredPicture(*picture);
}

void PutPicture(Vorbis::Comments *comments, int number, const TagEdits::Picture &picture,
                const QByteArray &description)
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
    entry = StoredName(entry) + '='
            + RenderFlacPicture(JpegPicture(picture.jpeg, quint32(picture.type), description)).toBase64();
}

} // namespace OggPictures
