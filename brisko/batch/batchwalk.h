// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QStringList>

// One file of the run, under every name the run reaches it by: hard links
// are one file, converted once; symbolic links to it are no names of their
// own, and the file goes under its own name when the run reaches that too.
struct BatchFile
{
    QString path;             // the name it is converted under
    QStringList otherNames;   // its other names inside the run
    int links = 1;            // all its names, inside the run or not
};

// The music files named by paths: a file as it is named, a folder with all
// the music files (see HasMusicExtension) in it and below it, by name, each
// real folder once however it is reached (links to folders above do not loop).
// Names are taken as the bytes they are, UTF-8 or not. A path that is
// neither (missing, a pipe, a device), or a folder that cannot be read, goes
// to problems.
QList<BatchFile> CollectMusicFiles(const QStringList &paths, QStringList *problems);
