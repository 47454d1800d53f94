// SPDX-License-Identifier: MIT
#include "engine/pictures/jpegcodec.h"

#include "base/translation.h"
#include "engine/pictures/picturefailure.h"
#include "engine/pictures/picturelimits.h"
#include "base/stopcheck.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// libjpeg-turbo's name for the engine's pixel layout (see Argb).
constexpr J_COLOR_SPACE ArgbLayout = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// libjpeg reports fatal errors by calling error_exit, which must not return:
// jump back to the call that set up the decoder. Only plain data lives in the
// frames between, so nothing is left undestroyed. The progress monitor and
// the warnings jump the same way, with their own reason.
struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 40];
    int code; // of the failure (see picturefailure.h)

    Failure Why() const { return {code, QString::fromLocal8Bit(message)}; }
};

[[noreturn]] void Abandon(j_common_ptr cinfo, int code, const char *why)
{
    auto *manager = reinterpret_cast<ErrorManager *>(cinfo->err);
    manager->code = code;
    std::snprintf(manager->message, sizeof manager->message, "%s", why);
    std::longjmp(manager->jump, 1);
}

void ExitOnError(j_common_ptr cinfo)
{
    auto *manager = reinterpret_cast<ErrorManager *>(cinfo->err);
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    std::snprintf(manager->message, sizeof manager->message, "Damaged picture: %s", text);
    const int code = cinfo->err->msg_code;
    manager->code = code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE ? ErrorNumber::PictureUnexpected
                                                                                 : ErrorNumber::InvalidPicture;
    std::longjmp(manager->jump, 1);
}

// Damaged data is decoded as well as it goes, but data that ends early would
// come out grey from there on: that picture is refused.
void OnMessage(j_common_ptr cinfo, int level)
{
    const int code = cinfo->err->msg_code;
    if (level >= 0 || (code != JWRN_JPEG_EOF && code != JWRN_HIT_MARKER))
        return;
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    char why[JMSG_LENGTH_MAX + 32];
    std::snprintf(why, sizeof why, "Damaged picture: cut short (%s)", text);
    Abandon(cinfo, ErrorNumber::InvalidPicture, why);
}

void SetUpErrors(jpeg_common_struct *cinfo, ErrorManager *manager)
{
    cinfo->err = jpeg_std_error(&manager->pub);
    manager->pub.error_exit = ExitOnError;
    manager->pub.emit_message = OnMessage;
    manager->message[0] = '\0';
    manager->code = ErrorNumber::InvalidPicture;
}

// Called by libjpeg for every row of blocks it reads or writes out.
struct Progress
{
    jpeg_progress_mgr pub;
    StopPoll *stop;
};

void CheckScansAndStop(j_decompress_ptr cinfo)
{
    auto *progress = reinterpret_cast<Progress *>(cinfo->progress);
    if (cinfo->input_scan_number > PictureLimits::MaxScans) {
        char why[80];
        std::snprintf(why, sizeof why, "Picture refused: more than %d progressive scans",
                      PictureLimits::MaxScans);
        Abandon(reinterpret_cast<j_common_ptr>(cinfo), ErrorNumber::InvalidPicture, why);
    }
    const bool stopped = progress->stop && progress->stop->Stopped();
    if (stopped)
        Abandon(reinterpret_cast<j_common_ptr>(cinfo), ErrorNumber::UserInterrupt,
               QT_TRANSLATE_NOOP("Engine", "User interrupt occurred"));
}

void OnProgress(j_common_ptr cinfo)
{
    CheckScansAndStop(reinterpret_cast<j_decompress_ptr>(cinfo));
}

unsigned long DataSize(const QByteArray &data)
{
    return static_cast<unsigned long>(data.size());
}

const unsigned char *DataBytes(const QByteArray &data)
{
    return reinterpret_cast<const unsigned char *>(data.constData());
}

// The smallest scale M/8 at which both sides stay at least minSize.
int ScaleNumerator(JDIMENSION width, JDIMENSION height, QSize minSize)
{
    if (minSize.isEmpty())
        return 8;
    for (int m = 1; m < 8; ++m) {
        const auto scaledWidth = (width * JDIMENSION(m) + 7) / 8;
        const auto scaledHeight = (height * JDIMENSION(m) + 7) / 8;
        if (scaledWidth >= JDIMENSION(minSize.width()) && scaledHeight >= JDIMENSION(minSize.height()))
            return m;
    }
    return 8;
}

// CMYK rows to opaque pixels. Adobe writes its CMYK inverted, which the formula below
// expects; plain CMYK is inverted first.
void CmykRowToRgb(const JSAMPLE *cmyk, Argb *rgb, JDIMENSION width, bool adobeInverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!adobeInverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        rgb[x] = RgbPixel(c * k / 255, m * k / 255, y * k / 255);
    }
}

// Everything that may jump lives here; the image is the caller's.
Result<void> Decode(const QByteArray &data, QSize minSize, Image *image, StopPoll *stop, qint64 maxMemory)
{
    jpeg_decompress_struct cinfo;
    ErrorManager manager;
    SetUpErrors(reinterpret_cast<jpeg_common_struct *>(&cinfo), &manager);
    Progress progress {};
    progress.pub.progress_monitor = OnProgress;
    progress.stop = stop;
    if (setjmp(manager.jump)) {
        jpeg_destroy_decompress(&cinfo);
        *image = Image();
        return manager.Why();
    }

    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = long(maxMemory > 0 ? maxMemory : PictureLimits::DecodeBudget);
    cinfo.progress = &progress.pub;
    jpeg_mem_src(&cinfo, DataBytes(data), DataSize(data));
    jpeg_read_header(&cinfo, TRUE);

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : ArgbLayout; // its padding byte is 0xFF: opaque
    cinfo.scale_num = static_cast<unsigned>(ScaleNumerator(cinfo.image_width, cinfo.image_height, minSize));
    cinfo.scale_denom = 8;
    cinfo.dct_method = JDCT_ISLOW;
    // At an eighth of the size each block is its DC coefficient alone, so a
    // progressive picture is drawn from its first DC scan: usually a tenth of
    // the file. (A later scan may add the DC values' last bit, a difference
    // of a fraction of a grey level, which is not worth the scans between.)
    const bool dcOnly = cinfo.progressive_mode && cinfo.scale_num == 1;
    cinfo.buffered_image = dcOnly;
    jpeg_start_decompress(&cinfo);
    if (dcOnly) {
        const auto dcSeen = [&cinfo] {
            for (int c = 0; c < cinfo.num_components; ++c)
                if (cinfo.coef_bits[c][0] < 0)
                    return false;
            return true;
        };
        // Scans are read until one ends with every component's DC there.
        // jpeg_consume_input() calls no progress monitor: the loop does.
        int status = JPEG_REACHED_SOS;
        while (!(status == JPEG_SCAN_COMPLETED && dcSeen()) && status != JPEG_REACHED_EOI
               && status != JPEG_SUSPENDED) {
            CheckScansAndStop(&cinfo);
            status = jpeg_consume_input(&cinfo);
        }
        jpeg_start_output(&cinfo, cinfo.input_scan_number);
    }

    *image = Image(QSize(int(cinfo.output_width), int(cinfo.output_height)));
    if (image->IsNull()) {
        jpeg_destroy_decompress(&cinfo);
        return PictureOutOfMemory(EnglishText("Engine", "not enough memory for the picture"));
    }
    JSAMPARRAY cmykRow = cmyk ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                           JPOOL_IMAGE, cinfo.output_width * 4, 1)
                              : nullptr;
    while (cinfo.output_scanline < cinfo.output_height) {
        Argb *line = image->Row(int(cinfo.output_scanline));
        if (cmyk) {
            jpeg_read_scanlines(&cinfo, cmykRow, 1);
            CmykRowToRgb(cmykRow[0], line, cinfo.output_width, cinfo.saw_Adobe_marker);
        } else {
            JSAMPROW row = reinterpret_cast<JSAMPROW>(line);
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
    }
    if (dcOnly) {
        jpeg_finish_output(&cinfo);
        jpeg_abort_decompress(&cinfo); // the rest of the scans are not needed
    } else {
        jpeg_finish_decompress(&cinfo);
    }
    jpeg_destroy_decompress(&cinfo);
    return Result<void>::Success();
}

// A picture in several scans keeps every coefficient (two bytes each) of
// every component until the last scan; any picture keeps a few rows of
// blocks of every component, generously counted.
qint64 WorkingBytes(const jpeg_decompress_struct *cinfo)
{
    const auto roundUp = [](qint64 value, qint64 multiple) { return (value + multiple - 1) / multiple * multiple; };
    qint64 bytes = qint64(cinfo->image_width) * cinfo->num_components * 64;
    if (!jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(cinfo)))
        return bytes;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const jpeg_component_info &component = cinfo->comp_info[c];
        bytes += roundUp(component.width_in_blocks, component.h_samp_factor)
            * roundUp(component.height_in_blocks, component.v_samp_factor) * DCTSIZE2 * qint64(sizeof(JCOEF));
    }
    return bytes;
}

JpegColours ColoursOf(J_COLOR_SPACE space)
{
    switch (space) {
    case JCS_GRAYSCALE: return JpegColours::Grey;
    case JCS_YCbCr: return JpegColours::YCbCr;
    case JCS_RGB: return JpegColours::Rgb;
    case JCS_CMYK: return JpegColours::Cmyk;
    case JCS_YCCK: return JpegColours::Ycck;
    default: return JpegColours::Other;
    }
}

// The coefficients of every component, read whole, written again in one
// sequential scan. Everything that may jump lives here.
Result<void> Transcode(const QByteArray &data, unsigned char **buffer, unsigned long *size, StopPoll *stop,
                       qint64 maxMemory)
{
    jpeg_decompress_struct source;
    jpeg_compress_struct target {}; // destroying it before it is made does nothing
    ErrorManager manager;
    SetUpErrors(reinterpret_cast<jpeg_common_struct *>(&source), &manager);
    target.err = &manager.pub;
    Progress progress {};
    progress.pub.progress_monitor = OnProgress;
    progress.stop = stop;
    if (setjmp(manager.jump)) {
        jpeg_destroy_compress(&target);
        jpeg_destroy_decompress(&source);
        return manager.Why();
    }
    jpeg_create_decompress(&source);
    source.mem->max_memory_to_use = long(maxMemory > 0 ? maxMemory : PictureLimits::DecodeBudget);
    source.progress = &progress.pub; // called once a pass: scans are counted and stops heard
    jpeg_mem_src(&source, DataBytes(data), DataSize(data));
    jpeg_read_header(&source, TRUE);
    jvirt_barray_ptr *coefficients = jpeg_read_coefficients(&source);

    jpeg_create_compress(&target);
    jpeg_mem_dest(&target, buffer, size);
    jpeg_copy_critical_parameters(&source, &target); // sequential, Huffman, the same tables
    // The standard Huffman tables lack codes for some large coefficients.
    target.optimize_coding = TRUE;
    jpeg_write_coefficients(&target, coefficients);
    jpeg_finish_compress(&target);
    jpeg_destroy_compress(&target);
    jpeg_finish_decompress(&source);
    jpeg_destroy_decompress(&source);
    return Result<void>::Success();
}

Result<void> Encode(const Image &image, int quality, unsigned char **buffer, unsigned long *size)
{
    jpeg_compress_struct cinfo;
    ErrorManager manager;
    SetUpErrors(reinterpret_cast<jpeg_common_struct *>(&cinfo), &manager);
    if (setjmp(manager.jump)) {
        jpeg_destroy_compress(&cinfo);
        return Failure{ErrorNumber::PictureUnexpected, QString::fromLocal8Bit(manager.message)};
    }

    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = JDIMENSION(image.Width());
    cinfo.image_height = JDIMENSION(image.Height());
    cinfo.input_components = 4;
    cinfo.in_color_space = ArgbLayout;
    jpeg_set_defaults(&cinfo); // baseline, YCbCr 4:2:0, JFIF header, standard tables
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<Argb *>(image.Row(int(cinfo.next_scanline))));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return Result<void>::Success();
}

} // namespace

namespace {

// Everything that may jump lives here; the header is the caller's.
Result<void> ReadHeader(const QByteArray &data, JpegHeader *header)
{
    jpeg_decompress_struct cinfo;
    ErrorManager manager;
    SetUpErrors(reinterpret_cast<jpeg_common_struct *>(&cinfo), &manager);
    if (setjmp(manager.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return manager.Why();
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, DataBytes(data), DataSize(data));
    jpeg_read_header(&cinfo, TRUE);
    header->size = QSize(int(cinfo.image_width), int(cinfo.image_height));
    header->progressive = cinfo.progressive_mode;
    header->arithmetic = cinfo.arith_code;
    header->colours = ColoursOf(cinfo.jpeg_color_space);
    header->workingBytes = WorkingBytes(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return Result<void>::Success();
}

} // namespace

Result<JpegHeader> ReadJpegHeader(const QByteArray &data)
{
    JpegHeader header;
    const Result<void> read = ReadHeader(data, &header);
    if (!read)
        return PictureRefused(read.Why().reason);
    return header;
}

bool PlayersShowJpeg(const JpegHeader &header)
{
    return !header.progressive && !header.arithmetic
           && (header.colours == JpegColours::YCbCr || header.colours == JpegColours::Grey);
}

QString JpegColoursName(JpegColours colours)
{
    switch (colours) {
    case JpegColours::Grey: return QStringLiteral("grey");
    case JpegColours::YCbCr: return QStringLiteral("YCbCr");
    case JpegColours::Rgb: return QStringLiteral("RGB");
    case JpegColours::Cmyk: return QStringLiteral("CMYK");
    case JpegColours::Ycck: return QStringLiteral("YCCK");
    case JpegColours::Other: break;
    }
    return QStringLiteral("other");
}

QSize JpegDecodedSize(QSize size, QSize minSize)
{
    const auto scale = JDIMENSION(ScaleNumerator(JDIMENSION(size.width()), JDIMENSION(size.height()), minSize));
    return QSize(int((JDIMENSION(size.width()) * scale + 7) / 8), int((JDIMENSION(size.height()) * scale + 7) / 8));
}

bool JpegIsComplete(const QByteArray &data)
{
    // The entropy-coded data escapes every 0xFF byte, so an end-of-image
    // marker after the first start-of-scan can only be the real one. Both are
    // looked for from their own end of the file: the scan starts near the
    // beginning, the picture ends near the end. (memchr() finds the marker
    // bytes at memory speed, however large the segments before the scan.)
    const char *at = data.constData();
    const char *const end = at + data.size();
    while ((at = static_cast<const char *>(std::memchr(at, 0xFF, size_t(end - at)))) && end - at >= 2
           && uchar(at[1]) != 0xDA)
        ++at;
    const qsizetype scan = at && end - at >= 2 ? at - data.constData() : -1;
    return scan >= 0 && data.lastIndexOf(QByteArray("\xFF\xD9", 2)) > scan;
}

Result<Image> DecodeJpeg(const QByteArray &data, QSize minSize, StopPoll *stop, qint64 maxMemory)
{
    Image image;
    const Result<void> decoded = Decode(data, minSize, &image, stop, maxMemory);
    if (!decoded)
        return decoded.Why();
    return image;
}

Result<QByteArray> JpegToBaseline(const QByteArray &data, StopPoll *stop, qint64 maxMemory)
{
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    const Result<void> made = Transcode(data, &buffer, &size, stop, maxMemory);
    const QByteArray baseline = made ? QByteArray(reinterpret_cast<const char *>(buffer), int(size)) : QByteArray();
    std::free(buffer);
    if (!made)
        return made.Why();
    return baseline;
}

Result<QByteArray> EncodeJpeg(const Image &image, int quality)
{
    if (image.IsNull())
        return Failure{ErrorNumber::PictureUnexpected, EnglishText("Engine", "no picture to write")};
    Image flat;
    if (image.HasAlpha()) {
        flat = image;
        flat.FlattenOverWhite();
        if (flat.IsNull())
            return PictureOutOfMemory(EnglishText("Engine", "not enough memory for the picture"));
    }
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    const Result<void> made = Encode(image.HasAlpha() ? flat : image, qBound(1, quality, 100), &buffer, &size);
    const QByteArray jpeg = made ? QByteArray(reinterpret_cast<const char *>(buffer), int(size)) : QByteArray();
    std::free(buffer);
    if (!made)
        return made.Why();
    return jpeg;
}
