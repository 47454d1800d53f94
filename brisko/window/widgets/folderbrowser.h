// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

class QWidget;

// Lets the user choose one folder, with startFolder preselected and the prompt
// shown with the choices. The chosen folder's full path, or empty text when
// the user cancelled or chose something that is no folder on disk.
QString BrowseForFolder(const QString &startFolder, QWidget *owner, const QString &prompt);

// Replaces the folder dialog (nullptr restores it); tests answer through it.
using FolderBrowserRunner =
    std::function<QString(const QString &startFolder, QWidget *owner, const QString &prompt)>;
void SetFolderBrowserRunner(FolderBrowserRunner runner);
