// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QString>

#include <list>
#include <mutex>
#include <optional>

// The picture a folder keeps beside its music, as many players and file
// managers look for it: the first of cover, folder, front and album with
// ".jpg", ".jpeg" or ".png", in any letter case ("Cover.JPG" too).
struct FolderPicture
{
    QString path;
    Result<QByteArray> data; // or why it cannot be read
};

// Finds the folder picture of each music file. A folder's tracks come one
// after another, so the last few folders looked in are remembered, with
// their picture: a folder is listed and its picture read once, however many
// tracks it holds; what is kept is bounded in bytes too, so a huge picture
// is not held for long. Shared by the workers of a run.
class FolderArt
{
public:
    // The picture of the folder holding the music file at path, if it has one.
    std::optional<FolderPicture> For(const QString &musicPath);

private:
    struct Folder
    {
        QString path;
        std::optional<FolderPicture> picture;
    };
    static constexpr size_t KeptFolders = 16;
    static constexpr qint64 KeptBytes = 16LL << 20;

    std::mutex mutex_;
    std::list<Folder> folders_; // the most recently asked first
    qint64 bytes_ = 0;          // of the pictures kept
};
