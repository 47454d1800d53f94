// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "base/tagerrors.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

#include <sys/stat.h>

class LockedFile;

// Rewrites a file so that it is never seen half written and nothing but its
// content changes: the complete new file is made beside it (see SideFile),
// every write is checked, it gets the original's owner, group, permissions,
// extended attributes and times, it is flushed to disk and read back (its
// length, its new bytes, and the kept bytes where they join the new ones), and
// only when the original is still exactly as it was read is it renamed over
// it. On any failure the original is untouched and the new file is gone; no
// other file is ever written or removed.
struct FileRewrite
{
    QByteArray head;         // new bytes at the start ...
    qint64 keepFrom = 0;     // ... followed by the original's bytes from here
    qint64 keepTo = 0;       // ... up to here ...
    QByteArray tail;         // ... and new bytes at the end (after generated ones, below)
    // The new file's modification time; the original's when not given.
    std::optional<struct timespec> modified;
    // The format's own look at the complete new file (copy) beside the
    // original before it replaces it: a refusal (CopyRefused) keeps the
    // original as it is.
    std::function<Result<void>(int copy, int original)> check;
    // Bytes made from the original while the copy is written, between the
    // kept range and tail, where a format must change bytes all through a
    // range too large to hold (an Ogg stream's audio pages numbered anew):
    // generate hands them to write a piece at a time and gives how many
    // there were, or why it could not; generatedSize says beforehand how
    // many there will be.
    qint64 generatedSize = 0;
    std::function<Result<qint64>(const std::function<bool(const QByteArray &piece)> &write)> generate;

    qint64 NewSize() const { return head.size() + (keepTo - keepFrom) + generatedSize + tail.size(); }
};

// A format's check refusing a new copy, with the reason it gives.
inline Failure CopyRefused(QString reason)
{
    return Failure{TagLibraryError::CheckFailed, std::move(reason)};
}

// Whether the user may replace the open file: write permission for it and
// its folder, and at least one write bit on it (root included); fails with
// NotWritable otherwise.
Result<void> MayRewrite(const LockedFile &original);

// original is the file as read, held locked by the caller until now; the
// name it was opened by is the one replaced (the file itself, not a symbolic
// link to it). Gives the number of the original's other hard links, which
// keep the old content, or why the file was not replaced (a TagLibraryError
// code).
Result<int> RewriteFile(const FileRewrite &rewrite, const LockedFile &original);

// Points another name of the original at the rewritten file (both names on
// one file system), atomically; only while that name still leads to the
// original as it was read (ChangedSinceOpen otherwise).
Result<void> PointNameAt(const QString &name, const QString &rewritten, const struct stat &original);

// Called when the new file is complete, before the last look at the original
// and the rename, and when another name's hidden link to the new file is
// made, before it is renamed over that name: tests pause there to change the
// original meanwhile, or kill the run.
void SetBeforeReplaceHook(std::function<void(const QString &path)> hook);

// Called with the new file (copy, open for reading and writing) once it has
// read back as written, just before its format's check: tests change a byte
// of it there to show that the check refuses it.
void SetBeforeCheckHook(std::function<void(int copy, const QString &path)> hook);
