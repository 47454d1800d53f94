// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// A folder on a file system that shares blocks between files (btrfs, XFS):
// the one named in BRISKO_COW_DIR, or else a btrfs made in an image file
// under scratch and loop-mounted on first use (as root, with btrfs-progs),
// unmounted again when this goes.
class SharingFolder
{
public:
    explicit SharingFolder(const QString &scratch) : scratch_(scratch) {}
    ~SharingFolder();
    SharingFolder(const SharingFolder &) = delete;
    SharingFolder &operator=(const SharingFolder &) = delete;

    // The folder; empty, with the reason in why, where there is none.
    QString Path(QString *why);

private:
    QString scratch_;
    QString path_ = qEnvironmentVariable("BRISKO_COW_DIR");
    QString none_;
    bool mounted_ = false;
};
