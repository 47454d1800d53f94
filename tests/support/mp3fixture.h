// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// MP3 files for the tests: real MPEG-1 Layer III frames, tags written by
// TagLib (an independent writer), or raw tag bytes for damaged cases.
namespace Mp3Fixture {

struct Picture
{
    QByteArray data;
    QString mime = QStringLiteral("image/jpeg");
    int type = 3; // front cover
    QString description;
};

struct Recipe
{
    int version = 3; // ID3v2.3 or 2.4; 0 for none
    QString title, artist, album, track, year, genre, comment;
    QList<Picture> pictures;
    bool id3v1 = false;
    QString v1Title, v1Artist, v1Album, v1Comment;
    int v1Track = 0, v1Year = 0, v1Genre = 255;
    int audioFrames = 12;
};

// count frames of 417 bytes (128 kbit/s, 44.1 kHz) with varying content, so
// that a moved or changed byte shows.
QByteArray AudioFrames(int count);

// Writes the file and returns its path, or an empty text on failure.
QString Write(const QString &path, const Recipe &recipe);

// A frame or tag size in four bytes, sync-safe (7 bits a byte) or plain.
QByteArray SizeBytes(quint32 size, bool syncSafe);
// A raw ID3v2 frame: 2.3 and 2.4 headers (plain or sync-safe size), flags as given.
QByteArray Frame(const char *id, const QByteArray &content, int major = 3, quint16 flags = 0);
// A text frame in Latin-1.
QByteArray TextFrame(const char *id, const QString &text, int major = 3);
// A raw tag: header of the version, the frames, zero padding.
QByteArray Tag(int major, const QByteArray &frames, int padding = 0, quint8 flags = 0);


// The bytes after the ID3v2 tag at the start (all of them when there is none).
QByteArray AfterTag(const QByteArray &file);

} // namespace Mp3Fixture
