// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// FLAC and Ogg files for the tests, put together from bytes here, around
// real audio that ffmpeg makes once per run, or made-up audio where only the
// tags are read.
namespace AudioFixture {

// Short tones in five formats (AAC in M4A, and Ogg FLAC by the flac tool);
// false when ffmpeg or flac is missing.
struct Tones
{
    QByteArray flac, vorbis, opus, m4a, oggFlac;
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

// An Ogg file's pages as stored, and its header packets (Vorbis has three,
// Opus two, FLAC as many as its first says) and the pages after them.
QList<QByteArray> OggPages(const QByteArray &file);
struct OggParts
{
    quint32 serial = 0;
    QList<QByteArray> headers;
    QList<QByteArray> audioPages;
};
OggParts SplitOgg(const QByteArray &file);
// The header packets, the first alone on the stream's first page and the
// others on pages of at most segments segments, then the audio pages,
// numbered on after them.
QByteArray Ogg(const QList<QByteArray> &headers, const OggParts &audio, int segments = 16);
// Ogg FLAC's header packets: the first (with its count of the others) and
// the metadata blocks (the last-block flag on the last).
QList<QByteArray> OggFlacHeaders(const QByteArray &first, const QList<Block> &blocks);
// Comment headers of Vorbis (with the framing bit) and Opus (with padding).
QByteArray VorbisComments(const QList<QByteArray> &entries, const QByteArray &framing = "\x01");
QByteArray OpusTags(const QList<QByteArray> &entries, const QByteArray &padding = QByteArray());
// Pages with their sequence number and CRC blanked: what renumbering leaves alone.
QList<QByteArray> Unnumbered(QList<QByteArray> pages);

// MP4 files from boxes, and from the boxes of real files put together again.
QByteArray Mp4Box(const QByteArray &type, const QByteArray &body);
// A data box (type 1: UTF-8 text, 13: JPEG, 0: implicit), and an ilst item of one.
QByteArray Mp4Data(quint32 dataType, const QByteArray &payload);
QByteArray Mp4Item(const QByteArray &name, const QByteArray &payload, quint32 dataType = 1);
// udta holding meta (its handler, and an ilst of these items with the
// boxes around before and after it), then more.
QByteArray Udta(const QByteArray &items, const QByteArray &more = QByteArray(), const QByteArray &around = QByteArray());
// The ftyp, moov and mdat of source, boxes between moov and mdat, moov with
// moovBoxes (udta, or anything) in place of its udta and its chunk offsets
// moved with the media. Wide: co64 offsets and a 64-bit mdat size.
enum Mp4Layout { MoovFirst = 0, MoovLast = 1, Wide = 2 };
QByteArray Mp4(const QByteArray &source, const QByteArray &moovBoxes, int layout = MoovFirst, const QByteArray &between = {});
// The boxes of bytes, each whole, as far as they fit (a box's children: Mp4Boxes(its body)).
QList<QByteArray> Mp4Boxes(const QByteArray &bytes);

// A made-up first FLAC frame; the audio of a stream of that serial number
// as one made-up page (of another serial, for a file of two streams); an
// Opus file with these comments around it.
QByteArray MadeUpFrame();
OggParts MadeUpOgg(quint32 serial, quint32 audioSerial);
QByteArray MadeUpOpus(const QList<QByteArray> &entries, quint32 audioSerial = 7);

} // namespace AudioFixture
