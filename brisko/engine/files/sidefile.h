// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QByteArray>

// The new version of a file, made in the file's own folder so that a rename
// can put it in place. It is an unnamed file (O_TMPFILE) that gets a unique
// hidden name (".song.mp3.brisko-Ab12Cd") only just before the rename; where
// the file system cannot make unnamed files it has that name from the start,
// made with O_EXCL so that no one else's file is ever opened. It is locked
// while it exists, so that a later run can tell a leftover from a file in use.
// Nothing but the file this class made is ever written or removed.
class SideFile
{
public:
    SideFile() = default;
    ~SideFile();
    SideFile(const SideFile &) = delete;
    SideFile &operator=(const SideFile &) = delete;

    // Makes the file beside target (the target's bytes); fails with
    // NotWritable when it cannot.
    Result<void> Create(const QByteArray &target);
    int Descriptor() const { return fd_; }

    // A hidden name beside target for the existing file (a hard link): with
    // Replace, another name of one file is pointed at it atomically.
    Result<void> Link(const QByteArray &existing, const QByteArray &target);

    // Gives the file its hidden name, if it has none yet. These fail with
    // WriteFailed and the system's reason.
    Result<void> Name();
    // Renames it over target and flushes the rename to disk.
    Result<void> Replace();
    // The rename alone: the caller flushes the folder (FlushFolder), once for
    // many files.
    Result<void> Rename();
    const QByteArray &Folder() const { return folder_; }
    // Removes what this object made: its name, if it has one, and the file.
    void Discard();

private:
    Result<void> LinkToFreshName(const QByteArray &source, int flags);

    QByteArray target_;
    QByteArray folder_;
    QByteArray name_; // empty while the file has no name
    int fd_ = -1;
};

// Makes the renames in folder reach the disk.
void FlushFolder(const QByteArray &folder);

// Tests turn unnamed files off to try the fallback on any file system.
void AllowUnnamedSideFiles(bool allowed);

// Whether a name is one a SideFile gives.
bool IsSideFileName(const QByteArray &name);

// Removes from folder the side files that an earlier, killed Brisko left:
// names of that pattern, regular files of this user, that no running Brisko
// holds locked. A hidden second name of a saved file, left while another name
// was being pointed at it, finishes that pointing where the other name is
// still as the save left it. Each folder is looked at once per process.
void RemoveLeftoverSideFiles(const QByteArray &folder);
