// SPDX-License-Identifier: MIT
// Adding a folder tree: "Add Folder" and a dropped folder.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "engine/folderwalk.h"
#include "window/operationguard.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/folderbrowser.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/userfolders.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <exception>

void frmMain::GetCopyFolder()
{
    try {
        if (!QFileInfo(LastFolder).isDir())
            LastFolder = GetDocumentsFolder();
        const QString chosen = BrowseForFolder(
            LastFolder, this,
            QStringLiteral("Select a folder containing Mp3 files. Contents of subfolders will be included."));
        if (chosen.isEmpty())
            return;
        LastFolder = chosen;
        const OperationGuard operation(*this, OperationGuard::BusyLook);
        CopyFolders(chosen);
    } catch (const std::exception &error) {
        LogError(QStringLiteral("GetCopyFolder"), ErrorDescription(error));
    }
}

void frmMain::CopyFolders(const QString &root)
{
    StopRequested = false;
    const OperationGuard operation(*this);
    ShowWaitPanel(true, QStringLiteral("Wait... Reading Folders"), false);
    ProgressBar->SetValue(-1);
    ProgressBar->SetCaption(QStringLiteral("Reading Folders"));
    ProgressBar->show();

    QStringList found{QString()};
    int leftOut = 0;
    bool complete = false;
    try {
        QElapsedTimer sinceEvents; // the first round draws the wait panel at once
        const auto keepGoing = [this, &sinceEvents] {
            if (!sinceEvents.isValid() || sinceEvents.elapsed() >= EventsInterval) {
                QCoreApplication::processEvents();
                sinceEvents.start();
            }
            return !StopRequested;
        };
        complete = WalkMp3Tree(root, keepGoing, &found, &leftOut);
    } catch (const std::exception &error) {
        LogError(QStringLiteral("CopyFolders"), ErrorDescription(error));
    }

    if (complete) {
        if (found.size() > 1)
            GetFileInfo(found);
        else if (leftOut == 0)
            MsgBox(QStringLiteral("No Mp3 files were found in the folder."), Msg::Information, QString(), this);
        if (leftOut > 0)
            MsgBox(LeftOutMessage(leftOut), Msg::Information, QString(), this);
    }
}
