// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/pictures/image.h"

#include <QByteArray>
#include <QSize>
#include <QString>

class TagLibrary;

// The seven tag texts in the order tags are read. The list shows Year before
// Genre, so code that moves values between the two maps them by name.
struct TagFields
{
    QString Title;
    QString Artist;
    QString Album;
    QString Track;
    QString Genre;
    QString Year;
    QString Comment;
};

// One file's tags as GetTags read them.
struct ReadTags
{
    TagFields fields;
    QByteArray picture; // picture number 1, when hasPicture
    bool hasPicture = false;
    // Why the tag or its picture 1 was not read whole, if it was not:
    // TagUnreadable for a tag that cannot be (its ID3v1 fields then stand in).
    Result<void> whole;
};

// Reads one file's tag fields and its picture number 1: the ID3v2 tag when
// there is one, the ID3v1 fields when there is no ID3v2 tag or it cannot be
// read whole (a picture taken from it stays). The genre is given as its name.
// Fails when the file cannot be opened. Problems other than a tag that
// cannot be read whole are logged, a file that cannot be opened among them.
Result<ReadTags> GetTags(TagLibrary &tags, const QString &path);

// A picture's size as the program shows it, read from its headers only. PNG
// and WebP art are measured as they would be once converted to JPEG (same
// size); PNG art is marked. Invalid when the picture cannot be read.
struct MeasuredPicture
{
    bool valid = false;
    QSize size{0, 0};
    bool fromPng = false;
};
MeasuredPicture MeasurePicture(const QByteArray &data);

// The picture decoded no larger than needed to fill box sharply (a large
// JPEG is shrunk while it is decoded), transparent parts over white. Fails
// with 481 or 50003 when it cannot be shown.
Result<Image> PreviewPicture(const QByteArray &data, QSize size, QSize box);
