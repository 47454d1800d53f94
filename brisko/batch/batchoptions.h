// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What brisko-batch was asked to do.
struct BatchOptions
{
    QStringList paths;
    int size = 250;     // 100..1000
    int quality = 80;   // 50..100
    bool skipSmaller = false;
    bool enlarge = false;      // smaller pictures grow to the size
    bool force = false;        // pictures already converted are converted again
    bool allPictures = false;  // every picture larger than the size, not only picture 1
    qint64 maxBytes = 0;       // the longest a new picture may be; 0: no limit
    bool frontCoverFirst = false; // a front cover that is not picture 1 is moved first and converted
    bool folderArt = false;    // files without a picture get their folder's
    bool check = false;        // tell what players may not show well, write nothing
    int jobs = 1;
    bool dryRun = false;
    bool json = false;
    bool help = false;
    bool version = false;
};

// The defaults: size, quality and byte limit as the desktop program last
// saved them (held to their bounds), else 250, 80 and none; one job per
// processor core.
BatchOptions DefaultBatchOptions();

// Reads the arguments after the program's name over the defaults. Returns
// an empty text, or what is wrong with them (a usage error).
QString ParseBatchOptions(const QStringList &arguments, const BatchOptions &defaults,
                          BatchOptions *options);

// A byte count as given: digits, then K (1024) or M (1024 x 1024) or
// nothing; nullopt for anything else.
std::optional<qint64> ReadByteCount(const QString &text);

QString BatchUsage();
