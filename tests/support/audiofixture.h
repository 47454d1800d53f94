// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// FLAC and Ogg files for the tests, put together from bytes here, around
// real audio that flac, oggenc and opusenc make once per run.
namespace AudioFixture {

// Short tones in the three formats, made from a WAV the fixture writes;
// false when a tool is missing.
struct Tones
{
    QByteArray flac, vorbis, opus;
};
bool MakeTones(const QString &folder, Tones *tones);

// A Vorbis comment list: vendor, count, entries.
QByteArray CommentList(const QList<QByteArray> &entries, const QByteArray &vendor = "fixture vendor");
// A FLAC picture block's body.
QByteArray PictureBody(quint32 type, const QByteArray &mime, const QByteArray &description, const QByteArray &data);

struct Block
{
    int type; // 0 STREAMINFO, 1 PADDING, 2 APPLICATION, 4 VORBIS_COMMENT, 6 PICTURE
    QByteArray body;
};
// "fLaC", the blocks with the last-block flag on the last, then the audio.
QByteArray Flac(const QList<Block> &blocks, const QByteArray &audio);
// The STREAMINFO body and the audio frames of a FLAC file.
struct FlacParts
{
    QByteArray streamInfo, audio;
};
FlacParts SplitFlac(const QByteArray &flac);

} // namespace AudioFixture
