// SPDX-License-Identifier: MIT
#include "window/widgets/folderbrowser.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

FolderBrowserRunner &Runner()
{
    static FolderBrowserRunner runner;
    return runner;
}

QString ShowFolderDialog(const QString &startFolder, QWidget *owner, const QString &prompt)
{
    QFileDialog dialog(owner, prompt, startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

} // namespace

QString BrowseForFolder(const QString &startFolder, QWidget *owner, const QString &prompt)
{
    const QString chosen = Runner() ? Runner()(startFolder, owner, prompt)
                                    : ShowFolderDialog(startFolder, owner, prompt);
    return QFileInfo(chosen).isDir() ? chosen : QString();
}

void SetFolderBrowserRunner(FolderBrowserRunner runner)
{
    Runner() = std::move(runner);
}
