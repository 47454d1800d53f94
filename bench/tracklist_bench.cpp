// SPDX-License-Identifier: MIT
// How the track list's duplicate check and row appends scale with the number
// of rows: the time per call should stay flat from a thousand rows to a
// hundred thousand.
//
//   tracklist_bench [--rows N]   (largest list; default 100000)
#include "window/widgets/tracklist.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int largest = 100000;
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("--rows"))
        largest = qMax(1000, arguments.at(2).toInt());

    // Real files to look up, so each lookup also pays its stat().
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < 1000; ++i) {
        files << dir.filePath(QStringLiteral("song %1.mp3").arg(i));
        QFile(files.last()).open(QIODevice::WriteOnly);
    }

    std::printf("%8s %14s %18s\n", "rows", "append µs/row", "IsPathListed µs");
    for (int rows = 1000; rows <= largest; rows *= 10) {
        TrackList list;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < rows; ++i) {
            TrackRow row;
            row.Path = i < files.size() ? files.at(i) : QStringLiteral("/music/album %1/track %2.mp3").arg(i / 12).arg(i);
            row.FileName = row.Path.section(QLatin1Char('/'), -1);
            list.AddRow(row);
        }
        const double append = clock.nsecsElapsed() / 1e3 / rows;

        clock.restart();
        int found = 0;
        constexpr int lookups = 20000;
        for (int i = 0; i < lookups; ++i)
            found += list.IsPathListed(i % 2 ? files.at(i % files.size())
                                             : QStringLiteral("/music/elsewhere/%1.mp3").arg(i));
        const double lookup = clock.nsecsElapsed() / 1e3 / lookups;
        std::printf("%8d %14.2f %18.2f   (%d found)\n", rows, append, lookup, found);
    }
    return 0;
}
