#pragma once

#include <QString>

// The words both front ends give a file's outcome, and the sizes they show.
namespace Status {
inline const QString Unchanged = QStringLiteral("Unchanged");
inline const QString NoPicture = QStringLiteral("No Picture");
inline const QString Resized = QStringLiteral("Resized");
inline const QString ResizeFailed = QStringLiteral("Resize Failed");
inline const QString LowDriveSpace = QStringLiteral("Low Drive Space");
inline const QString FileMissing = QStringLiteral("File Missing");
inline const QString TagChanged = QStringLiteral("Tag Changed");
inline const QString PicTagChanged = QStringLiteral("Pic | Tag Changed");
inline const QString ChangePicFailed = QStringLiteral("Change Pic Failed");
} // namespace Status

// "W x H" in whole pixels.
QString SizeText(int width, int height);

// A byte count as "#0.00" followed by " KB", " MB" or " GB". Takes single
// precision, as the size label always has, so the unit borders fall on the
// values a float can hold.
QString FormatSize(float bytes);
