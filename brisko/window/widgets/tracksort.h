// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class TrackList;

// "0" becomes "9", "1" becomes "8", ... "9" becomes "0"; "-" becomes a blank;
// everything else stays.
QString DigitComplement(const QString &text);

// A text whose plain character order is the numeric order of the number at
// the start of text (read with TextValue; no number counts as 0): 30 integer
// digits, a point and 30 decimals, and for negative numbers "&" and the
// digits' complement, so -12 < -3 < 0 < 2.5 < 7 < 10. Magnitudes of 10^30
// and more share the largest key.
QString NumericSortKey(const QString &text);

// Sorts the list by a 1-based column in the list's current direction, then
// switches the list's own sorting off again so later rows stay where they are
// added. "Track" and "Year" sort by number; the other columns by text, in the
// user's language and without regard to letter case. Every cell shows its
// own text again afterwards. The list does not repaint in between.
void SortTrackList(TrackList &list, int column);
