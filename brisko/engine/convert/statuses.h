// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The words both front ends give a file's outcome, and the sizes they show.
// What became of a file, as both front ends tell it.
enum class RowStatus {
    Unchanged,
    NoPicture,
    Resized,
    ResizeFailed,
    LowDriveSpace,
    FileMissing,
    TagChanged,
    PicTagChanged,
    ChangePicFailed,
    SpaceFreed,
    PictureAdded, // the folder's picture put into a file that had none
};

// The status's words: "Resized", "Pic | Tag Changed", ...
QString StatusText(RowStatus status);
// The status whose words these are, if any.
std::optional<RowStatus> StatusFromText(const QString &text);
// The words of every status.
QStringList StatusTexts();

// "W x H" in whole pixels.
QString SizeText(int width, int height);

// A byte count as "#0.00" followed by " KB", " MB" or " GB". Takes single
// precision, as the size label always has, so the unit borders fall on the
// values a float can hold.
QString FormatSize(float bytes);
