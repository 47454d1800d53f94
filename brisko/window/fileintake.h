// SPDX-License-Identifier: MIT
#pragma once

#include "window/filepreview.h"
#include "window/widgets/trackrow.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class BackgroundJobs;
class TrackList;

// One added file as a worker read it.
struct AddedFile
{
    QString unexpected; // an unexpected error's description: no row
    TrackRow row;
    QString volume;
    QString problem; // why the file, or a picture that is there, cannot be read (English)
    std::optional<FilePreview> preview;
};

// Files on their way into the track list. Each is read on a worker (its
// tags, its picture measured, the volume that holds it); the rows go into
// the list on the window's thread in the order the files were given, as
// the results come back. A file already listed, or named twice, is passed
// over.
class FileIntake
{
public:
    // What the window shows of it; each runs on the window's thread.
    struct Window
    {
        TrackList *list = nullptr;
        // Files done, those already listed included: at the start and after each file.
        std::function<void(int done)> progress;
        // A file's row is in the list at row.
        std::function<void(int row, const AddedFile &file)> rowAdded;
        // The rows a file's result let in are all added.
        std::function<void()> rowsAdded;
        std::function<void(const FilePreview &preview)> preview;
        // A file could not be read for a reason no one expected.
        std::function<void(const QString &description)> unexpected;
    };

    // Reads paths on up to threads of jobs' workers. finished runs once the
    // last row is in, or the reading stopped.
    static void Start(BackgroundJobs &jobs, int threads, const QStringList &paths, QSize previewBox, Window window,
                      std::function<void()> finished);

private:
    FileIntake(Window window, const QStringList &toRead, QSize previewBox);
    // On the window's thread: the file at index has been read.
    void Take(int index, AddedFile file);
    // The rows read early wait for the ones before them.
    void AddReadyRows();

    const Window window_;
    // Read by the workers, never changed once they run.
    const QStringList toRead_;
    const QSize previewBox_;
    PreviewTurn turn_;
    std::vector<std::optional<AddedFile>> read_;
    int nextToAdd_ = 0;
    int completed_ = 0;
};
