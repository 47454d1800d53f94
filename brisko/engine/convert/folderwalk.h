// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Device and inode of a file or folder ("dev:inode"): the same for every path
// that reaches it. Empty when the path leads nowhere.
QString FileIdentity(const QString &path);

// The music files (see HasMusicExtension) of a folder tree, breadth first: all folders are found first
// (the root, its subfolders, then theirs, ...), then each folder's own files
// are taken in that order. Within a folder, names come in alphabetical order
// without regard to case. Hidden folders and files count like any other; a
// folder that cannot be read adds nothing. Each real folder is visited once,
// so a link to a folder above does not make the walk endless.
//
// keepGoing is asked after every folder found, every file looked at and
// every folder done; when it answers false the walk ends and returns false.
// Music files whose names cannot be shown are left out and counted in unshowable.
bool WalkMusicTree(const QString &root, const std::function<bool()> &keepGoing, QStringList *files,
                   int *unshowable = nullptr);

// Whether a path, as the window got it, has a name that is not UTF-8: the
// window sees U+FFFD in place of its odd bytes, and no file by that name.
bool IsUnshowableName(const QString &path);

// What the window tells when such files were left out.
QString LeftOutMessage(int count);
