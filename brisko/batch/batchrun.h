// SPDX-License-Identifier: MIT
#pragma once

#include "batch/batchoptions.h"
#include "batch/batchwalk.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// What became of one file.
struct BatchResult
{
    QString path;
    QString status;  // the desktop program's words: "Resized", "No Picture", ...
    bool failed = false;
    QSize oldSize;
    QSize newSize;
    int quality = 0;    // the new picture's quality, when it was encoded
    qint64 bytesBefore = 0;
    qint64 bytesAfter = 0;
    // In English, as the JSON output carries them; shown with ShownText().
    QString error;      // an unexpected error's text
    // What else the user should know: how the picture was made, names
    // keeping the old picture.
    QStringList notes;
    bool stopped = false; // stopped in the middle of its picture: left as it was, not reported
};

// Converts the files with options.jobs workers at once, each with its own tag
// library and encoder, taking the files in order. Art that several files
// share byte for byte (an album's) is decoded and encoded once. report is
// called on the calling thread for every file done, tick about five times a
// second. Once stop is set no new file is begun, and a file whose picture is
// still being decoded is left as it was; files past their picture are
// finished. A converted file's other names in the run are pointed at the new
// file; its names outside the run keep the old one, and the note says so.
void RunBatch(const QList<BatchFile> &files, const BatchOptions &options, const std::atomic<bool> &stop,
              const std::function<void(const BatchResult &)> &report, const std::function<void()> &tick);
