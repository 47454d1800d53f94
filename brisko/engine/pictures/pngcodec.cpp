// SPDX-License-Identifier: MIT
#include "engine/pictures/pngcodec.h"

#include "base/translation.h"
#include "engine/pictures/picturefailure.h"
#include "engine/pictures/pictureheaders.h"
#include "engine/pictures/picturelimits.h"
#include "engine/pictures/rowreducer.h"
#include "base/stopcheck.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// libpng reports errors through these and then jumps back to the setjmp in
// Decode; only plain data lives in the frames between.
struct Reading
{
    const QByteArray *data;
    qsizetype at = 0;
    char message[200] = "";
    int code = ErrorNumber::InvalidPicture; // of the failure (see picturefailure.h)
};

Reading *ReadingOf(png_structp png)
{
    return static_cast<Reading *>(png_get_error_ptr(png));
}

void OnError(png_structp png, png_const_charp message)
{
    Reading *reading = ReadingOf(png);
    std::snprintf(reading->message, sizeof reading->message, "Damaged picture: %s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp)
{
}

void ReadBytes(png_structp png, png_bytep into, png_size_t length)
{
    auto *reading = static_cast<Reading *>(png_get_io_ptr(png));
    if (qsizetype(length) > reading->data->size() - reading->at)
        png_error(png, "cut short");
    std::memcpy(into, reading->data->constData() + reading->at, length);
    reading->at += qsizetype(length);
}

[[noreturn]] void Abandon(png_structp png, int code, const char *why)
{
    Reading *reading = ReadingOf(png);
    reading->code = code;
    std::snprintf(reading->message, sizeof reading->message, "%s", why);
    png_longjmp(png, 1);
}

// Every kind of PNG comes out as 8-bit RGBA.
void AskForRgba(png_structp png, png_infop info)
{
    const int colourType = png_get_color_type(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (transparency)
        png_set_tRNS_to_alpha(png);
    if (png_get_bit_depth(png, info) == 16)
        png_set_scale_16(png);
    if (!(colourType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !transparency)
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
}

// One row of RGBA bytes to opaque pixels over white.
void RowOverWhite(const png_byte *rgba, Argb *out, int width)
{
    for (int x = 0; x < width; ++x, rgba += 4)
        out[x] = OverWhite(ArgbPixel(rgba[0], rgba[1], rgba[2], rgba[3]));
}

void CheckStop(png_structp png, StopPoll *stop)
{
    const bool stopped = stop && stop->Stopped();
    if (stopped)
        Abandon(png, ErrorNumber::UserInterrupt, QT_TRANSLATE_NOOP("Engine", "User interrupt occurred"));
}

// What decoding holds besides libpng's own: made before the jumps can
// happen, so that a jump skips no destructor.
struct Buffers
{
    Buffers(QSize size, bool isInterlaced, int factor)
        : interlaced(isInterlaced)
        , rowBytes(size_t(size.width()) * 4)
        , rows(rowBytes * size_t(isInterlaced ? size.height() : 1))
        , opaque(size_t(size.width()))
        , reducer(size, factor)
    {
    }

    bool interlaced;
    size_t rowBytes;
    std::vector<png_byte> rows; // one row, or the whole of an interlaced picture
    std::vector<Argb> opaque;
    RowReducer reducer;
};

void Reduce(Buffers *buffers, const png_byte *row, int width)
{
    RowOverWhite(row, buffers->opaque.data(), width);
    buffers->reducer.AddRow(buffers->opaque.data());
}

// The rows, each passed on as soon as it arrives, or for an interlaced
// picture once all seven passes have filled the whole.
void ReadRows(png_structp png, int passes, QSize size, Buffers *buffers, StopPoll *stop)
{
    png_byte *rows = buffers->rows.data();
    if (passes == 1) {
        for (int y = 0; y < size.height(); ++y) {
            CheckStop(png, stop);
            png_read_row(png, rows, nullptr);
            Reduce(buffers, rows, size.width());
        }
        return;
    }
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < size.height(); ++y) {
            CheckStop(png, stop);
            png_read_row(png, rows + buffers->rowBytes * size_t(y), nullptr);
        }
    }
    for (int y = 0; y < size.height(); ++y)
        Reduce(buffers, rows + buffers->rowBytes * size_t(y), size.width());
}

// Everything that may jump lives here, with nothing to destroy.
Result<void> Decode(const QByteArray &data, QSize size, Buffers *buffers, StopPoll *stop)
{
    Reading reading;
    reading.data = &data;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reading, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return PictureOutOfMemory(EnglishText("Engine", "not enough memory for the picture"));
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return Failure{reading.code, QString::fromLocal8Bit(reading.message)};
    }
    png_set_read_fn(png, &reading, ReadBytes);
    png_set_user_limits(png, PictureLimits::MaxSide, PictureLimits::MaxSide);
    png_set_chunk_malloc_max(png, 8 << 20); // text and colour profiles, never a bomb
    png_read_info(png, info);
    if (int(png_get_image_width(png, info)) != size.width() || int(png_get_image_height(png, info)) != size.height())
        Abandon(png, ErrorNumber::InvalidPicture, QT_TRANSLATE_NOOP("Engine", "Damaged picture: its header changed"));
    AskForRgba(png, info);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != buffers->rowBytes || (passes > 1) != buffers->interlaced)
        Abandon(png, ErrorNumber::InvalidPicture, QT_TRANSLATE_NOOP("Engine", "Damaged picture: its header changed"));
    ReadRows(png, passes, size, buffers, stop);
    png_destroy_read_struct(&png, &info, nullptr);
    return Result<void>::Success();
}

} // namespace

qint64 PngDecodeBytes(QSize size, bool interlaced, int factor)
{
    const QSize reduced = RowReducer::ReducedSize(size, factor);
    const qint64 rows = qint64(size.width()) * 4 * 4;        // libpng's two rows, ours, the opaque row
    const qint64 sums = qint64(reduced.width()) * 3 * 8;
    const qint64 result = qint64(reduced.width()) * reduced.height() * 4;
    const qint64 whole = interlaced ? qint64(size.width()) * size.height() * 4 : 0;
    constexpr qint64 Inflater = 1 << 20;                      // zlib's window and libpng's own
    return rows + sums + result + whole + Inflater;
}

Result<Image> DecodePng(const QByteArray &data, int factor, StopPoll *stop)
{
    const PngHeader header = ReadPngHeader(data);
    if (!header.ok)
        return PictureRefused(EnglishText("Engine", "Invalid picture"));
    Buffers buffers(header.size, header.interlaced, factor);
    if (buffers.reducer.Result().IsNull())
        return PictureOutOfMemory(EnglishText("Engine", "not enough memory for the picture"));
    const Result<void> decoded = Decode(data, header.size, &buffers, stop);
    if (!decoded)
        return decoded.Why();
    return buffers.reducer.TakeResult();
}
