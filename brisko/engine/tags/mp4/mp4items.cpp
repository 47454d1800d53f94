// SPDX-License-Identifier: MIT
#include "engine/tags/mp4/mp4items.h"

#include "base/byteorder.h"
#include "base/genrefromid.h"
#include "base/sharedbytes.h"
#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/tags/tagbytes.h"

#include <QRegularExpression>

namespace Mp4 {

namespace {

constexpr quint32 Trkn = Fourcc("trkn");
constexpr quint32 Gnre = Fourcc("gnre");
constexpr quint32 ImplicitData = 0;
constexpr quint32 IntegerData = 21;

// An item's first data box: its type and what follows the type and locale.
struct Value
{
    quint32 type = 0;
    QByteArray payload;
};

std::optional<Value> FirstValue(const File &file, int item)
{
    for (const int child : file.Children(item)) {
        const QByteArray body = file.Body(child);
        if (file.tree.at(child).type == Fourcc("data") && body.size() >= 8)
            return Value{BigEndian(body, 0, 4), SharedSlice(body, 8, body.size() - 8)};
    }
    return std::nullopt;
}

std::optional<Value> FirstNamed(const File &file, quint32 name)
{
    for (const int item : file.items) {
        if (file.tree.at(item).type == name)
            return FirstValue(file, item);
    }
    return std::nullopt;
}

QString TrackText(const QByteArray &payload)
{
    if (payload.size() < 6)
        return QString();
    const quint32 track = BigEndian(payload, 2, 2);
    const quint32 total = BigEndian(payload, 4, 2);
    if (total == 0)
        return track == 0 ? QString() : QString::number(track);
    return QStringLiteral("%1/%2").arg(track).arg(total);
}

// iTunes numbers a gnre genre from 1, ID3's number plus one.
QString GenreNumberText(const QByteArray &payload)
{
    if (payload.size() != 2)
        return QString();
    return GenreTable().value(int(BigEndian(payload, 0, 2)) - 1);
}

// What picture bytes begin with: JPEG, PNG, BMP, GIF.
bool LooksLikePicture(const QByteArray &bytes)
{
    return bytes.startsWith("\xFF\xD8\xFF") || bytes.startsWith("\x89PNG") || bytes.startsWith("BM")
           || bytes.startsWith("GIF8");
}

} // namespace

QList<quint32> ItemNames(TagField field)
{
    switch (field) {
    case TagField::Title: return {Fourcc("\xA9nam")};
    case TagField::Artist: return {Fourcc("\xA9" "ART")};
    case TagField::Album: return {Fourcc("\xA9" "alb")};
    case TagField::Track: return {Trkn};
    case TagField::Genre: return {Fourcc("\xA9gen"), Gnre};
    case TagField::Year: return {Fourcc("\xA9" "day")};
    case TagField::Comment: return {Fourcc("\xA9" "cmt")};
    }
    return {};
}

QString FieldText(const File &file, TagField field)
{
    const QList<quint32> names = ItemNames(field);
    if (const std::optional<Value> value = FirstNamed(file, names.first())) {
        if (field == TagField::Track)
            return TrackText(value->payload);
        return value->type == TextData ? QString::fromUtf8(value->payload) : QString();
    }
    if (field == TagField::Genre) {
        const std::optional<Value> number = FirstNamed(file, Gnre);
        const bool isNumber = number && (number->type == ImplicitData || number->type == IntegerData);
        return isNumber ? GenreNumberText(number->payload) : QString();
    }
    return QString();
}

QList<int> PictureBoxes(const File &file)
{
    return file.covr < 0 ? QList<int>() : file.Children(file.covr);
}

std::optional<StoredPicture> Picture(const File &file, int number)
{
    const QList<int> boxes = PictureBoxes(file);
    if (number < 1 || number > boxes.size())
        return std::nullopt;
    const QByteArray body = file.Body(boxes.at(number - 1));
    StoredPicture picture;
    picture.type = 3; // covr holds cover art and no picture types
    picture.typeStored = false;
    if (body.size() <= 8) {
        picture.problem = EnglishText("Engine", "picture %1 is empty").arg(number);
        return picture;
    }
    const quint32 type = BigEndian(body, 0, 4);
    picture.data = SharedSlice(body, 8, body.size() - 8);
    // 13 JPEG, 14 PNG, 27 BMP; "implicit" when the bytes say what they are.
    picture.readable =
        type == JpegData || type == 14 || type == 27 || (type == ImplicitData && LooksLikePicture(picture.data));
    if (!picture.readable)
        picture.problem = EnglishText("Engine", "picture %1 is stored as data of type %2, not as a picture")
                              .arg(number)
                              .arg(type);
    return picture;
}

QByteArray RenderBox(quint32 type, const QByteArray &body)
{
    QByteArray box;
    box.reserve(8 + body.size());
    AppendBigEndian(&box, quint32(8 + body.size()), 4);
    AppendBigEndian(&box, type, 4);
    box.append(body);
    return box;
}

QByteArray RenderData(quint32 dataType, const QByteArray &payload)
{
    QByteArray body;
    body.reserve(8 + payload.size());
    AppendBigEndian(&body, dataType, 4);
    AppendBigEndian(&body, 0, 4); // no locale
    body.append(payload);
    return RenderBox(Fourcc("data"), body);
}

namespace {

// A track as trkn stores it: a number and a total, each up to 65535.
std::optional<std::pair<uint, uint>> TrackNumbers(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*(\\d{1,5})\\s*(?:/\\s*(\\d{1,5})\\s*)?$"));
    const QRegularExpressionMatch match = number.match(text);
    const uint track = match.captured(1).toUInt();
    const uint total = match.captured(2).toUInt();
    if (!match.hasMatch() || track > 0xFFFF || total > 0xFFFF)
        return std::nullopt;
    return std::make_pair(track, total);
}

} // namespace

Result<void> ItemFits(TagField field, const QString &text)
{
    if (field != TagField::Track || text.isEmpty() || TrackNumbers(text))
        return Result<void>::Success();
    return Failure{TagLibraryError::WouldLoseData,
                   EnglishText("Engine", "the track \"%1\" is not a number, or a number and a total "
                                         "(\"7/12\"), each up to 65535, as M4A files store it")
                       .arg(text)};
}

Result<QByteArray> RenderItem(TagField field, const QString &text)
{
    const quint32 name = ItemNames(field).first();
    if (field != TagField::Track)
        return RenderBox(name, RenderData(TextData, text.toUtf8()));
    const std::optional<std::pair<uint, uint>> numbers = TrackNumbers(text);
    if (!numbers)
        return ItemFits(field, text).Why();
    const auto [track, total] = *numbers;
    QByteArray payload;
    AppendBigEndian(&payload, track, 4); // two bytes nobody uses, then the track
    AppendBigEndian(&payload, total << 16, 4);
    return RenderBox(name, RenderData(ImplicitData, payload));
}

} // namespace Mp4
