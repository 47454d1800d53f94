// SPDX-License-Identifier: MIT
// Writes the hostile pictures the tests make into a folder, as seeds for
// fuzz_pictures: pictures declaring far more than they hold, a scan repeated
// past the limit, files cut short. Small versions of each, so the fuzzer
// mutates them quickly.
//
//   make_seeds FOLDER
#include "support/hostilepictures.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QDir>
#include <QCoreApplication>

#include <cstdio>

using namespace HostilePictures;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv); // finds Qt's image writers
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(folder.path());

    const QByteArray exif = JpegWithExifThumbnail(Stripes(200, 200), Stripes(40, 30));
    const QByteArray gif = Gif(Stripes(100, 100).convertToFormat(QImage::Format_Indexed8));
    const QByteArray png = BandedPng(300, 300);
    const QList<std::pair<const char *, QByteArray>> seeds{
        {"banded.png", BandedPng(2000, 2000)},
        {"interlaced.png", BandedPng(1000, 1000, true)},
        {"png-cut.png", png.left(png.size() / 2)},
        {"run-length.bmp", RunLengthBmp(10000, 10000)},
        {"huge-screen.gif", GifWithHugeScreen(10000, 10000)},
        {"solid.gif", SolidGif(2000, 2000)},
        {"gif-cut.gif", gif.left(gif.size() / 4)},
        {"repeated-scan.jpg", JpegRepeatingScan(TestPictures::Solid(64, 64, Qt::darkCyan), 300)},
        {"exif-cut.jpg", exif.left(exif.size() * 6 / 10)},
        {"exif.jpg", exif},
    };
    for (const auto &[name, bytes] : seeds) {
        if (bytes.isEmpty() || !TestFiles::Write(folder.filePath(QLatin1String(name)), bytes)) {
            std::fprintf(stderr, "make_seeds: cannot write %s\n", name);
            return 1;
        }
    }
    return 0;
}
