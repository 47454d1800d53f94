// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

class FolderArt;
class TagLibrary;

// What a player will make of one file's art, read without changing it:
// the facts, and every reason a player may not show it well.
struct ArtCheck
{
    int pictures = 0;
    QList<short> types;     // of every picture, in stored order
    // Picture 1's:
    QSize size;             // invalid when it cannot be measured
    qint64 pictureBytes = 0;
    QString format;         // "JPEG", "PNG", "GIF", "BMP", "WebP", or empty
    bool progressive = false;
    QString colours;        // a JPEG's: "YCbCr", "grey", "CMYK", ...
    qint64 tagBytes = 0;
    QString problem;        // why the file or its picture cannot be read (English)
    QStringList reasons;    // empty: ready for any player (English, one of CheckReasons())
};

// What a player needs: art within the size and, when not 0, the byte limit;
// folder pictures are looked for when folderArt is given.
struct CheckRules
{
    int target = 250;
    qint64 maxBytes = 0;
    FolderArt *folderArt = nullptr;
};

// Tags larger than this are skipped by some players (Android's reader).
constexpr qint64 LargestTagPlayersRead = 3LL << 20;

ArtCheck CheckArt(TagLibrary &tags, const QString &path, const CheckRules &rules);
// A file that could not be read, and why (English).
ArtCheck UnreadableArt(const QString &why);

// The reasons CheckArt gives, in the order it gives them.
QStringList CheckReasons();
