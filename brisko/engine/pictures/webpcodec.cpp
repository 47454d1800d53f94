// SPDX-License-Identifier: MIT
#include "engine/pictures/webpcodec.h"

#include "base/byteorder.h"
#include "base/stopcheck.h"
#include "base/translation.h"
#include "engine/pictures/picturefailure.h"
#include "engine/pictures/rowreducer.h"

#include <webp/decode.h>

#include <memory>

namespace {

// The bytes handed to the decoder at a time; the stop request is looked at
// between them. A picture of far fewer bytes than pixels (one colour) is
// decoded from one slice: at the limits that takes well under a second.
constexpr qsizetype Slice = 32 << 10;

// The engine's pixel layout (see image.h) in libwebp's words.
constexpr WEBP_CSP_MODE ArgbLayout = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;

// libwebp's scaler weighs colours by their opacity in lossless pictures
// only; in lossy ones it averages the colours of transparent pixels as if
// they showed. So a lossy picture with an alpha channel is decoded whole and
// put over white before it is reduced, as PNG's rows are.
bool ScaledWhileDecoded(const WebpHeader &header, int factor)
{
    return factor > 1 && (header.lossless || !header.alpha);
}

struct DecoderDeleter
{
    void operator()(WebPIDecoder *decoder) const { WebPIDelete(decoder); }
};
using Decoder = std::unique_ptr<WebPIDecoder, DecoderDeleter>;

Failure OutOfMemory()
{
    return PictureOutOfMemory(EnglishText("Engine", "not enough memory for the picture"));
}

// What the decoder's last status means, once it was given every byte.
Result<void> Outcome(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OK: return Result<void>::Success();
    case VP8_STATUS_SUSPENDED: // waiting for bytes that are not there
    case VP8_STATUS_NOT_ENOUGH_DATA: return PictureRefused(EnglishText("Engine", "Damaged picture: cut short"));
    case VP8_STATUS_OUT_OF_MEMORY: return OutOfMemory();
    default: return PictureRefused(EnglishText("Engine", "Damaged picture: its WebP data cannot be decoded"));
    }
}

// Decodes into picture, scaled to its size: libwebp writes the rows
// straight into it.
Result<void> Decode(const QByteArray &data, QSize size, Image *picture, StopPoll *stop)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return OutOfMemory();
    config.output.colorspace = ArgbLayout;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = reinterpret_cast<uint8_t *>(picture->Row(0));
    config.output.u.RGBA.stride = picture->Width() * 4;
    config.output.u.RGBA.size = size_t(picture->Width()) * 4 * size_t(picture->Height());
    if (picture->Size() != size) {
        config.options.use_scaling = 1;
        config.options.scaled_width = picture->Width();
        config.options.scaled_height = picture->Height();
    }
    const Decoder decoder(WebPIDecode(nullptr, 0, &config)); // gone before config
    if (!decoder)
        return OutOfMemory();
    const auto *bytes = reinterpret_cast<const uint8_t *>(data.constData());
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (qsizetype given = 0; status == VP8_STATUS_SUSPENDED && given < data.size();) {
        if (stop && stop->Stopped())
            return PictureStopped();
        given = qMin(data.size(), given + Slice);
        status = WebPIUpdate(decoder.get(), bytes, size_t(given)); // reads from data, copies nothing
    }
    const Result<void> result = Outcome(status);
    int rows = 0, width = 0, height = 0;
    if (result
        && (!WebPIDecGetRGB(decoder.get(), &rows, &width, &height, nullptr)
            || QSize(width, height) != picture->Size() || rows != height))
        return PictureRefused(EnglishText("Engine", "Damaged picture: its header changed"));
    return result;
}

} // namespace

WebpHeader ReadWebpHeader(const QByteArray &data)
{
    WebpHeader header;
    WebPBitstreamFeatures features;
    if (data.size() < 12 || !data.startsWith("RIFF") || data.mid(8, 4) != "WEBP"
        || WebPGetFeatures(reinterpret_cast<const uint8_t *>(data.constData()), size_t(data.size()), &features)
            != VP8_STATUS_OK)
        return header;
    header.size = QSize(features.width, features.height);
    header.ok = !header.size.isEmpty();
    header.animated = features.has_animation != 0;
    header.alpha = features.has_alpha != 0;
    header.lossless = features.format == 2;
    header.complete = qint64(LittleEndian(data, 4, 4)) + 8 <= data.size();
    return header;
}

qint64 WebpDecodeBytes(const WebpHeader &header, int factor)
{
    const qint64 pixels = qint64(header.size.width()) * header.size.height();
    const QSize reduced = RowReducer::ReducedSize(header.size, factor);
    const qint64 result = qint64(reduced.width()) * reduced.height() * 4;
    // Decoded whole before it is reduced: the picture, and the reducer's sums.
    const qint64 whole = factor == 1 || ScaledWhileDecoded(header, factor)
        ? 0
        : pixels * 4 + qint64(reduced.width()) * 3 * 8;
    // libwebp's own: a lossless picture is held whole (any pixel may copy an
    // earlier one) with the smaller pictures of its transforms; a lossy one
    // holds a few rows, but its alpha channel whole, and whole again while
    // decoding it (it is coded as a lossless picture).
    const qint64 held = header.lossless ? pixels * 5 : header.alpha ? pixels * 6 : 0;
    const qint64 rows = qint64(header.size.width()) * 256; // row caches and the scaler's rows
    constexpr qint64 Tables = 2 << 20;                      // code tables and the rest
    return result + whole + held + rows + Tables;
}

Result<Image> DecodeWebp(const QByteArray &data, const WebpHeader &header, int factor, StopPoll *stop)
{
    const QSize reduced = RowReducer::ReducedSize(header.size, factor);
    Image picture(ScaledWhileDecoded(header, factor) ? reduced : header.size, Image::WithAlpha);
    if (picture.IsNull())
        return OutOfMemory();
    const Result<void> decoded = Decode(data, header.size, &picture, stop);
    if (!decoded)
        return decoded.Why();
    picture.FlattenOverWhite();
    if (picture.Size() == reduced)
        return picture;
    RowReducer reducer(header.size, factor);
    if (reducer.Result().IsNull())
        return OutOfMemory();
    for (int y = 0; y < picture.Height(); ++y)
        reducer.AddRow(picture.Row(y));
    return reducer.TakeResult();
}
