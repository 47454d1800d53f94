// SPDX-License-Identifier: MIT
#pragma once

#include "engine/convert/tagreading.h"

#include <QElapsedTimer>
#include <QImage>
#include <QString>

#include <atomic>

class TagLibrary;

// What the preview shows for one file, made on any thread: the picture
// scaled for the preview, or, when picture is null, the reason for the
// "No Picture" card (empty for a file without any picture), or why the file
// cannot be read, or that the file is not there.
struct FilePreview
{
    QImage picture;
    QString problem;
    QString unreadable; // in English
    bool missing = false;
    QString fileSize;
    QString imageSize;
    bool fromPng = false;
};

// Measures a picture taken from a tag. A picture that is no picture is
// worth a line in the log, naming the file and what is wrong with it.
MeasuredPicture MeasureLogged(const QByteArray &picture, const QString &path, const char *procedure);

// A file's picture as its row was added: hasPicture tells whether the tag
// holds one. False when it is a picture that still cannot be decoded (the
// conversion will tell): the preview then stays as it is.
bool PreviewOfAdded(const QByteArray &picture, bool hasPicture, const MeasuredPicture &measured, QSize box,
                    FilePreview *preview);

// Reads picture 1 of the file at path again and makes its preview.
FilePreview ReadFilePreview(TagLibrary &tags, const QString &path, QSize box);
// The preview of a file whose picture 1 is picture (empty: it has none that
// can be read), as a conversion left it.
FilePreview PreviewOfPicture(const QByteArray &picture, const QString &path, QSize box);
// The preview of a file that is not there, or that cannot be read.
FilePreview MissingFilePreview();
FilePreview UnreadableFilePreview(const QString &why);

// While many files are read or written the preview follows a few times a
// second: the first job to ask after each interval gets the turn.
class PreviewTurn
{
public:
    static constexpr qint64 Interval = 100;

    PreviewTurn() { clock_.start(); }
    bool Take();

private:
    QElapsedTimer clock_;
    std::atomic<qint64> next_{0};
};
