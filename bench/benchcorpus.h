// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A generated music library for the benchmarks: albums of 10 to 15 tracks
// sharing byte-identical art (one album in six with 3000-pixel art, one
// progressive, one PNG), tags with title, artist, album and track.
struct CorpusShape
{
    int artSide = 1000;            // smallest side of ordinary art; up to half as much again
    qint64 audioBytes = 3'000'000; // smallest audio; up to 5/3 as much again
    bool uniqueArt = false;        // every file its own picture instead of its album's
};

// Writes count files into folder and returns their total size.
qint64 Generate(const QString &folder, int count, const CorpusShape &shape = {});
// The MP3 files of folder, by name.
QStringList Files(const QString &folder);
// Cover-like art: gradients, shapes and grain, so JPEGs have a real size.
QByteArray Art(int side, bool progressive, bool png, quint32 seed);
