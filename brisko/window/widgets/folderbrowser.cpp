// SPDX-License-Identifier: MIT
#include "window/widgets/folderbrowser.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace {

FolderBrowserRunner &Runner()
{
    static FolderBrowserRunner runner;
    return runner;
}

// The prompt stands above the folders, whole, in lines as wide as the
// dialog: a title bar shows only what fits of it. The file dialog is Qt's
// own, as a desktop's would keep the prompt in its title.
QString ShowFolderDialog(const QString &startFolder, QWidget *owner, const QString &prompt)
{
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("FolderBrowser"));
    dialog.setWindowTitle(QCoreApplication::translate("FolderBrowser", "Browse For Folder"));
    auto *label = new QLabel(prompt, &dialog);
    label->setObjectName(QStringLiteral("lblPrompt"));
    label->setWordWrap(true);
    auto *folders = new QFileDialog(&dialog, QString(), startFolder);
    folders->setWindowFlags(Qt::Widget);
    folders->setOption(QFileDialog::DontUseNativeDialog);
    folders->setFileMode(QFileDialog::Directory);
    folders->setOption(QFileDialog::ShowDirsOnly);
    label->setBuddy(folders);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(folders);
    QObject::connect(folders, &QFileDialog::accepted, &dialog, &QDialog::accept);
    QObject::connect(folders, &QFileDialog::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted || folders->selectedFiles().isEmpty())
        return QString();
    return folders->selectedFiles().first();
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
