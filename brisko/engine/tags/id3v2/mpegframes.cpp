// SPDX-License-Identifier: MIT
#include "engine/tags/id3v2/mpegframes.h"

namespace MpegFrames {
namespace {

// Kilobits per second by bitrate index (1 to 14): MPEG-1 layers I, II and
// III, then MPEG-2 and 2.5 layer I, then their layers II and III.
constexpr int Bitrates[5][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
};
// Hertz by sample rate index, for MPEG-1; MPEG-2 halves them, MPEG-2.5 quarters them.
constexpr int SampleRates[3] = {44100, 48000, 32000};

// What must stay the same from one frame of a stream to the next: the sync,
// version, layer and sample rate bits.
bool SameStream(const QByteArray &bytes, qint64 a, qint64 b)
{
    return bytes.at(a + 1) == bytes.at(b + 1) && ((uchar(bytes.at(a + 2)) ^ uchar(bytes.at(b + 2))) & 0x0C) == 0;
}

} // namespace

int FrameLength(const QByteArray &bytes, qint64 at)
{
    if (at < 0 || at + 4 > bytes.size())
        return 0;
    const uchar b1 = uchar(bytes.at(at + 1));
    const uchar b2 = uchar(bytes.at(at + 2));
    const uchar b3 = uchar(bytes.at(at + 3));
    if (uchar(bytes.at(at)) != 0xFF || (b1 & 0xE0) != 0xE0)
        return 0;
    const int version = (b1 >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5, 1: reserved
    const int layer = 4 - ((b1 >> 1) & 3); // 1 to 3; 4: reserved
    const int bitrateIndex = b2 >> 4;      // 0: free format, which has no length here; 15: invalid
    const int rateIndex = (b2 >> 2) & 3;
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3 || (b3 & 3) == 2)
        return 0;
    const bool mpeg1 = version == 3;
    const int table = mpeg1 ? layer - 1 : (layer == 1 ? 3 : 4);
    const qint64 bitrate = qint64(Bitrates[table][bitrateIndex]) * 1000;
    const qint64 rate = SampleRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const int padding = (b2 >> 1) & 1;
    if (layer == 1)
        return int((12 * bitrate / rate + padding) * 4);
    const int perSample = layer == 3 && !mpeg1 ? 72 : 144;
    return int(perSample * bitrate / rate + padding);
}

qint64 FirstRun(const QByteArray &bytes, qint64 fileSize, qint64 searchLimit)
{
    const qint64 last = qMin<qint64>(searchLimit, bytes.size());
    for (qint64 at = bytes.indexOf('\xFF'); at >= 0 && at < last; at = bytes.indexOf('\xFF', at + 1)) {
        qint64 frame = at;
        for (int run = 1;; ++run) {
            const int length = FrameLength(bytes, frame);
            if (length == 0)
                break;
            const qint64 next = frame + length;
            if (next == fileSize || run == MinimumRun)
                return at;
            if (next + 4 > bytes.size() || FrameLength(bytes, next) == 0 || !SameStream(bytes, at, next))
                break;
            frame = next;
        }
    }
    return -1;
}

} // namespace MpegFrames
