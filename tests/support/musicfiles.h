// SPDX-License-Identifier: MIT
#pragma once

#include "support/audiofixture.h"
#include "support/mp3fixture.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A music file of each format the program reads, with the pictures given,
// and its pictures read back by mutagen.
namespace MusicFiles {

// "mp3", "flac", "ogg" (Vorbis), "opus" and "m4a".
QStringList Extensions();

// The file at path, of the format its extension names, around the tones'
// audio (MP3 around made-up frames), titled title and holding pictures in
// that order (M4A's covr keeps no types or descriptions). False when it
// could not be written.
bool Write(const QString &path, const AudioFixture::Tones &tones, const QString &title,
           const QList<Mp3Fixture::Picture> &pictures);

struct ReadPicture
{
    int type = 0;
    QString description;
    QByteArray data;
};
// The file's pictures as mutagen reads them, in stored order (M4A's as type 3).
QList<ReadPicture> MutagenPictures(const QString &path);

} // namespace MusicFiles
