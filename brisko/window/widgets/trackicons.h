// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>

// The small icon shown left of a row's file name, by image-list index
// (see TrackIcon). Unknown indexes give an empty icon.
QIcon TrackListIcon(int index);
