// SPDX-License-Identifier: MIT
#pragma once

#include "batch/batchoptions.h"
#include "batch/batchwalk.h"
#include "engine/convert/artcheck.h"

#include <QByteArray>

#include <atomic>
#include <cstdio>

// brisko-batch --check: reads every file's art as a player would meet it and
// writes nothing, options.jobs files at once, each worker with its own tag
// library. Tells each file that is not ready and why (human), or every file
// with its facts as a JSON object (json, when given), in the order of the
// files whatever the jobs, then a table of how many files have each reason.
// Stops between files once stop is set: what was printed is the start of
// what a whole run prints, and the table counts those files.
// Gives how many files are not ready, or -1 when the output was closed.
int RunCheck(const QList<BatchFile> &files, const BatchOptions &options, const std::atomic<bool> &stop,
             std::FILE *human, std::FILE *json);

// One file's check as a JSON object on one line.
QByteArray CheckJsonLine(const QString &path, const ArtCheck &check);
