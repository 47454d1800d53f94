// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

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
    int jobs = 1;
    bool dryRun = false;
    bool json = false;
    bool help = false;
    bool version = false;
};

// The defaults: size and quality as the desktop program last saved them
// (held to their bounds), else 250 and 80; one job per processor core.
BatchOptions DefaultBatchOptions();

// Reads the arguments after the program's name over the defaults. Returns
// an empty text, or what is wrong with them (a usage error).
QString ParseBatchOptions(const QStringList &arguments, const BatchOptions &defaults,
                          BatchOptions *options);

QString BatchUsage();
