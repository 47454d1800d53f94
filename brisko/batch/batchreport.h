// SPDX-License-Identifier: MIT
#pragma once

#include "batch/batchrun.h"

#include <QElapsedTimer>
#include <QMap>

#include <cstdio>

// What brisko-batch tells: on a terminal a progress line that ends in a
// summary; elsewhere a line per failed file and the summary; with --json one
// JSON object per file on standard output as well.
class BatchReport
{
public:
    // human: where people read (standard output, or standard error when
    // standard output carries JSON); interactive when that is a terminal.
    BatchReport(int total, const BatchOptions &options, std::FILE *human, bool interactive,
                std::FILE *json);

    void Add(const BatchResult &result);
    // Redraws the progress line, at most a few times a second.
    void Tick();
    // The summary table; interrupted adds a line saying so.
    void Finish(bool interrupted);

    int Failures() const { return failures_; }
    // Whether a write failed because no one reads the output any more.
    bool OutputClosed() const { return outputClosed_; }

    // One file as a JSON object on one line.
    static QByteArray JsonLine(const BatchResult &result, bool dryRun);

private:
    void ClearProgress();
    void Print(std::FILE *to, const QString &text);

    int total_;
    BatchOptions options_;
    std::FILE *human_;
    bool interactive_;
    std::FILE *json_;
    QElapsedTimer clock_;
    qint64 lastDrawn_ = -1;
    bool progressShown_ = false;
    int done_ = 0;
    int failures_ = 0;
    bool outputClosed_ = false;
    qint64 bytesBefore_ = 0;
    qint64 bytesAfter_ = 0;
    QMap<QString, int> counts_;
};
