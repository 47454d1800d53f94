// SPDX-License-Identifier: MIT
#pragma once

class QAbstractButton;
class QAction;

// Makes a menu entry press a button: choosing it (or its shortcut) clicks the
// button, and it is enabled exactly while the button is, so the menu, the
// keyboard and the button always do the same thing.
void PressesButton(QAction *action, QAbstractButton *button);
