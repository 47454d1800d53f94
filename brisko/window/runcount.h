// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

struct ArtConversion;

// What a run over the list did, for the line the status bar shows when it
// ends: rows done, rows that failed (their tooltips say why), and rows left
// alone (done before, too small to resize, without a picture, or not begun
// after "Stop").
struct RunCount
{
    int done = 0;
    int failed = 0;
    int skipped = 0;

    void Add(const ArtConversion &conversion);
    // The counts put into format's %1 (done), %2 (failed) and %3 (skipped):
    // "Resized 12, failed 1, skipped 3".
    QString Text(const QString &format) const;
};

// A run over rows while it goes: the rows completed (for the percent bar),
// what became of them, and whether the user was told that a volume went.
struct RunProgress
{
    int completed = 0;
    RunCount count;
    bool volumeGone = false;
};
