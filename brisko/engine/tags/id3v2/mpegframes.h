// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// MPEG audio found as other readers find it (TagLib's firstFrameOffset,
// mutagen's MPEGInfo): a frame header whose frame is followed by more
// headers of the same stream, so that a stray 0xFF in junk or in a picture
// is not taken for audio.
namespace MpegFrames {

// Where such a run begins: at least MinimumRun frames back to back, or
// frames that end exactly where the file does (a file of one or two frames).
// Looked for in bytes, the first bytes of a file of fileSize bytes, from
// offset 0 up to searchLimit. -1 when there is none.
constexpr int MinimumRun = 3;
constexpr qint64 SearchLimit = 64 * 1024;
qint64 FirstRun(const QByteArray &bytes, qint64 fileSize, qint64 searchLimit = SearchLimit);

// The length of the frame whose header starts at bytes[at], 0 when the
// four bytes there are no valid header.
int FrameLength(const QByteArray &bytes, qint64 at);

} // namespace MpegFrames
