// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPalette>

// Colours as the controls store them: 0x00BBGGRR for a plain colour, or a
// system colour with the top bit set and the system colour's number in the
// low byte (0x8000000F button face, 0x8000000D selection, 0x80000008 window text).
namespace OleColor {
constexpr quint32 ButtonFace = 0x8000000F;
constexpr quint32 Highlight = 0x8000000D;
constexpr quint32 WindowText = 0x80000008;
} // namespace OleColor

// The colour to paint with; system colours come from the widget's palette.
QColor ToQColor(quint32 oleColor, const QPalette &palette);
