#pragma once

#include <QStringList>

// The MP3 files named by paths: a file as it is named, a folder with all the
// ".mp3" files (any letter case) in it and below it, by name, each real
// folder once however it is reached (links to folders above do not loop).
// A path that is neither, or a folder that cannot be read, goes to problems.
QStringList CollectMp3Files(const QStringList &paths, QStringList *problems);
