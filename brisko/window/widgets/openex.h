// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

class QUrl;
class QWidget;

// Opens a file with the application the desktop associates with its type, or
// a link ("mailto:...", "https://...") with the user's program for it. True
// when the desktop reports success.
bool ShellOpenFile(QWidget *owner, const QString &path);

// Replaces the desktop's opener (nullptr restores it), so tests can see what
// would be opened and answer for the desktop.
using ShellOpener = std::function<bool(const QUrl &)>;
void SetShellOpener(ShellOpener opener);
