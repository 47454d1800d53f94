// SPDX-License-Identifier: MIT
#pragma once

#include "engine/convert/statuses.h"

#include <QHash>
#include <QString>

#include <atomic>

class BackgroundJobs;
class DeRezovivAvo;
class PreviewPane;
class QWidget;
class StatusPanels;
class TrackList;
struct RowFile;
struct RunProgress;

// What a run over the list's rows works with, handed over by the window: the
// list and the volume of each of its files, the workers, the percent bar,
// the status bar's count, the preview, and the stop the user asks for. A run
// keeps none of the window's other state.
struct RowRunParts
{
    TrackList *list = nullptr;
    // The volume that held each file when it was added, by path.
    const QHash<QString, QString> *volumes = nullptr;
    // One run at a time on these workers.
    BackgroundJobs *jobs = nullptr;
    DeRezovivAvo *progressBar = nullptr;
    StatusPanels *statusbar = nullptr;
    PreviewPane *preview = nullptr;
    // Set by "Stop" and by a volume gone; read by the workers too, to begin
    // no more files.
    std::atomic<bool> *stopRequested = nullptr;
    // The owner of the messages a run shows.
    QWidget *window = nullptr;
};

// What the conversion run and the tag and picture change tell alike: that a
// worker began a row, that a row failed and why, that a volume went, and the
// run's count when it ends.
class RowRun
{
protected:
    explicit RowRun(const RowRunParts &parts) : parts_(parts) {}

    // A row as the workers need it: where it was when the run began, its
    // file and the volume that held it.
    RowFile FileOf(int row) const;
    // The percent bar of a run over rows, shown from two rows on, at the
    // start of a run.
    void ShowProgress(int rows, const QString &caption);
    void ShowRowBegun(const RowFile &file);
    // A failure's status in a row; the tooltip and the log say why (a status
    // that comes without a reason of its own has its usual one).
    void ShowFailure(int row, RowStatus status, const QString &reason, const QString &path, const char *procedure);
    // Tells once that the volume is gone and stops the run; the row says why.
    void ReportVolumeGone(int row, const QString &volume);
    // An error no one expected: the message box, the log and the row's tooltip.
    void ReportUnexpected(int row, const char *procedure, const QString &description);
    // The end of a run over rows: the current row shown again, the run
    // counted in the status bar.
    void EndRun(RunProgress &progress, int rows, const QString &countFormat);

    const RowRunParts parts_;
    int followedRow_ = 0; // the furthest row down a worker began in this run
};
