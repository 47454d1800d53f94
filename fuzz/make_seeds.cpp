// SPDX-License-Identifier: MIT
// Writes the hostile pictures the tests make into a folder, as seeds for
// fuzz_pictures: pictures declaring far more than they hold, a scan repeated
// past the limit, files cut short, and GIFs and BMPs laid out in each way
// their decoders follow. Small versions of each, so the fuzzer mutates them
// quickly. With --tags, FLAC and Ogg files as seeds for fuzz_tags instead:
// comments, pictures of both Ogg kinds, padding and an ID3v2 tag in front,
// around a made-up first frame or page; and MP4 files, moov first and last.
//
//   make_seeds [--tags] FOLDER
#include "support/audiofixture.h"
#include "support/hostilepictures.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QDir>
#include <QCoreApplication>

#include <cstdio>

using namespace HostilePictures;

namespace {

int WriteSeeds(const QDir &folder, const QList<std::pair<const char *, QByteArray>> &seeds)
{
    for (const auto &[name, bytes] : seeds) {
        if (bytes.isEmpty() || !TestFiles::Write(folder.filePath(QLatin1String(name)), bytes)) {
            std::fprintf(stderr, "make_seeds: cannot write %s\n", name);
            return 1;
        }
    }
    return 0;
}

QList<std::pair<const char *, QByteArray>> TagSeeds()
{
    using namespace AudioFixture;
    const QByteArray jpeg = TestPictures::Jpeg(TestPictures::Solid(16, 16, Qt::darkCyan));
    const QByteArray picture = PictureBody(3, "image/jpeg", "Front", jpeg);
    const QByteArray flac = Flac({{0, QByteArray(34, '\0')}, {4, CommentList({"TITLE=T", "ARTIST=A"})}, {6, picture},
                                  {1, QByteArray(64, '\0')}},
                                 MadeUpFrame());
    const QByteArray items = Mp4Item("\xA9nam", "T") + Mp4Item("gnre", QByteArray("\0\x11", 2), 0)
                             + Mp4Item("trkn", QByteArray("\0\0\0\x07\0\x0C\0\0", 8), 0) + Mp4Item("covr", jpeg, 13);
    const QByteArray chapters = Mp4Box("chpl", QByteArray("\x01\0\0\0\0\0\0\0\x01", 9) + QByteArray(8, '\0') + "\x03One");
    // Made-up audio, at byte 20, and a track whose one chunk offset points at it.
    const QByteArray stco = Mp4Box("stco", QByteArray("\0\0\0\0\0\0\0\x01\0\0\0\x14", 12));
    const QByteArray m4a = Mp4Box("ftyp", "M4A ") + Mp4Box("mdat", "made-up audio")
                           + Mp4Box("moov", Mp4Box("trak", Mp4Box("mdia", Mp4Box("minf", Mp4Box("stbl", stco)))));
    const QByteArray vorbisId = QByteArray("\x01vorbis", 7) + QByteArray(23, '\x01');
    return {
        {"picture.flac", flac},
        {"id3.flac", QByteArray("ID3\x03\0\0\0\0\0\0", 10) + flac},
        {"picture.ogg", Ogg({vorbisId, VorbisComments({"TITLE=T", "METADATA_BLOCK_PICTURE=" + picture.toBase64()}),
                             QByteArray("\x05vorbis", 7) + QByteArray(40, '\x02')},
                            MadeUpOgg(7, 7), 2)},
        {"coverart.opus", MadeUpOpus({"COVERART=" + jpeg.toBase64(), "COVERARTMIME=image/jpeg"})},
        {"moov-first.m4a", Mp4(m4a, Udta(items, chapters))},
        {"moov-last.m4a", Mp4(m4a, Udta(items), MoovLast | Wide, Mp4Box("free", ""))},
        {"untagged.m4a", Mp4(m4a, QByteArray())},
    };
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv); // finds Qt's image writers
    const bool tags = argc == 3 && qstrcmp(argv[1], "--tags") == 0;
    if (argc != 2 && !tags) {
        std::fprintf(stderr, "usage: make_seeds [--tags] FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[argc - 1]));
    QDir().mkpath(folder.path());
    if (tags)
        return WriteSeeds(folder, TagSeeds());

    const QByteArray exif = JpegWithExifThumbnail(Stripes(200, 200), Stripes(40, 30));
    const QByteArray gif = Gif(Stripes(100, 100).convertToFormat(QImage::Format_Indexed8));
    const QByteArray png = BandedPng(300, 300);
    const QImage indexed = Stripes(40, 30).convertToFormat(QImage::Format_Indexed8);
    GifShape shaped;
    shaped.interlaced = true;
    shaped.transparent = 3;
    shaped.localTable = true;
    shaped.screen = QSize(60, 50);
    shaped.at = QPoint(7, 5);
    QList<QRgb> colours16;
    for (int i = 0; i < 16; ++i)
        colours16 << qRgb(i * 17, 255 - i * 17, (i * 40) % 256);
    const QImage sixteen = Stripes(40, 30).convertToFormat(QImage::Format_Indexed8, colours16);
    BmpShape runs4;
    runs4.bits = 4;
    runs4.compression = 2;
    BmpShape fields;
    fields.bits = 16;
    fields.compression = 3;
    fields.masks[0] = 0xF800;
    fields.masks[1] = 0x07E0;
    fields.masks[2] = 0x001F;
    BmpShape alpha;
    alpha.bits = 32;
    alpha.compression = 3;
    alpha.headerSize = 124;
    alpha.masks[0] = 0xFF0000;
    alpha.masks[1] = 0xFF00;
    alpha.masks[2] = 0xFF;
    alpha.masks[3] = 0xFF000000;
    BmpShape os2;
    os2.bits = 8;
    os2.headerSize = 12;
    const QList<std::pair<const char *, QByteArray>> seeds{
        {"banded.png", BandedPng(2000, 2000)},
        {"interlaced.png", BandedPng(1000, 1000, true)},
        {"interlaced-row.png", BandedPng(300, 1, true)},
        {"png-cut.png", png.left(png.size() / 2)},
        {"run-length.bmp", RunLengthBmp(10000, 10000)},
        {"huge-screen.gif", GifWithHugeScreen(10000, 10000)},
        {"solid.gif", SolidGif(2000, 2000)},
        {"gif-cut.gif", gif.left(gif.size() / 4)},
        {"repeated-scan.jpg", JpegRepeatingScan(TestPictures::Solid(64, 64, Qt::darkCyan), 300)},
        {"exif-cut.jpg", exif.left(exif.size() * 6 / 10)},
        {"exif.jpg", exif},
        {"shaped.gif", Gif(indexed, shaped)},
        {"run-length-4.bmp", Bmp(sixteen, runs4)},
        {"fields-565.bmp", Bmp(Stripes(40, 30), fields)},
        {"alpha-v5.bmp", Bmp(Stripes(40, 30).convertToFormat(QImage::Format_ARGB32), alpha)},
        {"os2.bmp", Bmp(indexed, os2)},
        {"lossy.webp", TestPictures::Webp(Stripes(40, 30))},
        {"lossless.webp", TestPictures::Webp(Stripes(40, 30), true)},
    };
    return WriteSeeds(folder, seeds);
}
