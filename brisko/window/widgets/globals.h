// SPDX-License-Identifier: MIT
#pragma once

// Values that belong to the program rather than to one window.

// Show the start-up tip; kept in the settings, turned on again by Ctrl+Alt+F1.
extern bool ShowTip;

#include <QString>

// The program's title: window captions, message boxes, the mail subject.
inline QString ProgramTitle()
{
    return QStringLiteral("Brisko");
}
