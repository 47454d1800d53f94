// SPDX-License-Identifier: MIT
#pragma once

#include "window/rowrun.h"

#include <QVector>

#include <atomic>
#include <memory>
#include <vector>

class ArtCache;
class OperationGuard;
struct ArtConversion;
struct RowConversion;

// How a run converts, as the window's settings and Options menu say.
struct ConversionChoices
{
    int targetSize = 250;
    int quality = 80;
    int largestPictureKB = 0; // 0: no limit
    bool skipSmaller = false;
    bool allPictures = false;
    bool frontCoverFirst = false;
    bool folderPicture = false;
    // How many files are converted at once.
    int workers = 1;
};

// "Resize All" and "Resize Picture": the art of the list's rows converted on
// the workers, each row showing its own result as its file is put in place.
// The tracks of an album share their art: it is converted once, as
// brisko-batch does.
class ConversionRun : private RowRun
{
public:
    ConversionRun(const RowRunParts &parts, ArtCache *artCache);

    // Converts the rows (1-based positions) not done with yet. The window
    // stays busy while operation lives: until the last row is shown.
    void Run(const QVector<int> &rows, const ConversionChoices &choices, std::shared_ptr<OperationGuard> operation);
    // "Stop": a picture still being decoded is given up, its file left as it was.
    void GiveUpPictures() { abandonPictures_ = true; }

private:
    // The rows a run converts: not those done with, nor small pictures the
    // user chose to skip.
    QVector<RowFile> RowsToConvert(const QVector<int> &rows, const ConversionChoices &choices) const;
    // Where the runs of neighbouring files of one album end: the tracks of an
    // album go to one worker, which decodes their art while the others work
    // on the next albums, and the list is still worked through from its top.
    std::vector<int> AlbumRuns(const QVector<RowFile> &files) const;
    // A worker's conversion of one row's file, shown in its row and counted.
    void ShowConvertedRow(const RowFile &file, const RowConversion &done, RunProgress &progress);
    // Shows in one row what the conversion of its file did. True when the
    // picture was given up on "Stop": the file is as it was.
    bool ConvPix(int row, const QString &path, const ArtConversion &result);

    ArtCache *artCache_;
    // Set by "Stop" only, not when a volume went: asked while pictures decode.
    std::atomic<bool> abandonPictures_{false};
};
