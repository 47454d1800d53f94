// SPDX-License-Identifier: MIT
// How long one picture takes, by kind and size: decoded whole (as the
// dialog loads a picture), and shrunk to 250 x 250 and written as a JPEG at
// quality 80 (as a conversion does, without the file's reading and saving).
//
//   picture_bench [--rounds N] [--only NAME]
//
// The art is cover-like (gradients, shapes and grain); GIF and paletted BMP
// get it reduced to 256 colours. Each line gives the median of N rounds in
// milliseconds, so a run on a busy machine still says something.
#include "benchcorpus.h"

#include "engine/pictures/pictureencoder.h"
#include "engine/pictures/pictureloader.h"
#include "support/hostilepictures.h"
#include "support/testpictures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Sample
{
    QByteArray name;
    QByteArray bytes;
};

QImage Decoded(const QByteArray &bytes)
{
    QImage image;
    image.loadFromData(bytes);
    return image;
}

std::vector<Sample> Samples()
{
    std::vector<Sample> samples;
    for (const int side : {500, 1500, 3000}) {
        const QByteArray jpeg = Art(side, false, false, quint32(side));
        const QImage image = Decoded(jpeg);
        const QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
        const QByteArray label = QByteArray::number(side);
        samples.push_back({"jpeg-" + label, jpeg});
        samples.push_back({"jpeg-prog-" + label, Art(side, true, false, quint32(side))});
        samples.push_back({"png-" + label, Art(side, false, true, quint32(side))});
        samples.push_back({"gif-" + label, HostilePictures::Gif(indexed)});
        samples.push_back({"bmp24-" + label, TestPictures::Encoded(image, "bmp")});
        samples.push_back({"bmp8-" + label, TestPictures::Encoded(indexed, "bmp")});
    }
    return samples;
}

double MedianMilliseconds(int rounds, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int rounds = 7;
    QByteArray only;
    const QStringList arguments = app.arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--rounds") && i + 1 < arguments.size()) {
            rounds = qMax(1, arguments.at(++i).toInt());
        } else if (arguments.at(i) == QLatin1String("--only") && i + 1 < arguments.size()) {
            only = arguments.at(++i).toUtf8();
        } else {
            std::fprintf(stderr, "usage: picture_bench [--rounds N] [--only NAME]\n");
            return 2;
        }
    }
    std::printf("%-16s %9s %12s %12s\n", "picture", "bytes", "whole ms", "to 250 ms");
    for (const Sample &sample : Samples()) {
        if (!only.isEmpty() && sample.name != only)
            continue;
        const double whole = MedianMilliseconds(rounds, [&] { DecodePicture(sample.bytes, QSize()); });
        const double small = MedianMilliseconds(rounds, [&] {
            PictureEncoder encoder; // a fresh one: nothing remembered from the last round
            encoder.ResizeToJpegData(sample.bytes, QSize(250, 250), 80);
        });
        std::printf("%-16s %9lld %12.2f %12.2f\n", sample.name.constData(), qint64(sample.bytes.size()), whole, small);
        std::fflush(stdout);
    }
    return 0;
}
