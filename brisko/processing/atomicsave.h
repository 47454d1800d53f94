#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Rewrites a file so that it is never seen half written: the complete new
// file goes beside it under the same name followed by "~", every write is
// checked, the data is flushed to disk, the copy is read back and checked
// (its length, its new bytes, and the kept bytes where they join the new
// ones), and only then renamed over the original (and the folder flushed). On any
// failure the original is untouched and the "~" file is gone.
struct FileRewrite
{
    QString path;            // the file itself, not a symbolic link to it
    QByteArray head;         // new bytes at the start ...
    qint64 keepFrom = 0;     // ... followed by the original's bytes from here
    qint64 keepTo = 0;       // ... up to here ...
    QByteArray tail;         // ... and new bytes at the end
    QDateTime keepModified;  // when valid, the new file's modification time
};

struct RewriteResult
{
    bool ok = false;
    int code = 0;    // a TagLibraryError code when not ok
    QString text;
};

// Whether the user may replace the file: write permission for the file and
// its folder, and at least one write bit on the file (root included).
bool MayRewrite(const QString &path, QString *why);

RewriteResult RewriteFile(const FileRewrite &rewrite);
