// SPDX-License-Identifier: MIT
#pragma once

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPalette>

#include <functional>
#include <initializer_list>

class QPainter;

// The program's pictures, drawn in code so they stay sharp at any size and
// need no files beside the program. Those shown in the window take their text
// colours from the palette they are shown with, so they read in dark themes.

// An icon drawn by draw on a grid of grid x grid units, rendered sharp at
// each of the pixel sizes.
QIcon DrawnIcon(std::initializer_list<int> sides, qreal grid, const std::function<void(QPainter &)> &draw);

// The logo shown in the picture display before any file is chosen.
QImage LogoPicture(int side = 150, const QPalette &palette = QGuiApplication::palette());
// The logo strip's picture at the top right of the main window.
QImage LogoBanner(int height = 30, const QPalette &palette = QGuiApplication::palette());
// The program's icon (window, about box, desktop menu).
QIcon AppIcon();
// The same drawn at exactly side x side pixels (for the desktop's icon theme).
QImage AppIconImage(int side);

// The picture of the "Stop" button: grey while there is nothing to stop, red
// while an operation runs.
QIcon StopPicture(bool active);

// The two 146 x 146 placeholders of the picture displays.
enum class Placeholder
{
    SeveralSelected = 105, // no preview: several rows are selected
    NewPicture = 106,      // add, paste or drag in a picture for the chosen files
};
QImage PlaceholderPicture(Placeholder which, const QPalette &palette = QGuiApplication::palette());

// Shown for a file whose tag holds no picture.
// why: what is wrong with a picture that is there but cannot be shown
// ("unsupported picture (WebP)"); empty for a file without one.
QImage NoPictureImage(const QString &why = QString(),
                      const QPalette &palette = QGuiApplication::palette());
// Shown for a file that is no longer where it was added.
QImage MissingFileImage(const QPalette &palette = QGuiApplication::palette());
// The card for a file that cannot be read at all, saying why (English, shown translated).
QImage UnreadableFileImage(const QString &why, const QPalette &palette = QGuiApplication::palette());
// The small "PNG" marker shown when a file's art is stored as PNG.
QImage PngMarker();

// Heading images: 0 the ascending arrow, 1 the descending arrow; any other
// index gives an empty icon.
QIcon HeadingArrowImage(int index);
