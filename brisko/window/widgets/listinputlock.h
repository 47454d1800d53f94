// SPDX-License-Identifier: MIT
#pragma once

class QAbstractItemView;

// While a long operation runs the track list ignores the keyboard and the
// mouse buttons (no selecting, no menu, no drag, none of the shortcuts of the
// actions added to it), yet it still repaints, scrolls with its scroll bars
// and the mouse wheel, and lets the window's own shortcuts through. One list
// is locked at a time; unlocking a list that is not locked does nothing.
void LockListInput(QAbstractItemView *list);
void UnlockListInput(QAbstractItemView *list);
bool ListInputLocked(const QAbstractItemView *list);
