// SPDX-License-Identifier: MIT
// Adding a folder tree: "Add Folder" and a dropped folder.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "engine/convert/folderwalk.h"
#include "window/backgroundjobs.h"
#include "window/operationguard.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/folderbrowser.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/userfolders.h"

#include <QFileInfo>

#include <exception>

void frmMain::GetCopyFolder()
{
    try {
        if (!QFileInfo(LastFolder).isDir())
            LastFolder = GetDocumentsFolder();
        const QString chosen = BrowseForFolder(
            LastFolder, this,
            tr("Select a folder containing music files. Contents of subfolders will be included."));
        if (chosen.isEmpty())
            return;
        LastFolder = chosen;
        auto operation = std::make_shared<OperationGuard>(*this, OperationGuard::BusyLook);
        CopyFolders(chosen, [operation] {});
    } catch (const std::exception &error) {
        LogError(QStringLiteral("GetCopyFolder"), ErrorDescription(error));
    }
}

void frmMain::CopyFolders(const QString &root, std::function<void()> then)
{
    StopRequested = false;
    auto operation = std::make_shared<OperationGuard>(*this);
    ShowWaitPanel(true, tr("Wait... Reading Folders"), false);
    ProgressBar->SetValue(-1);
    ProgressBar->SetCaption(tr("Reading Folders"));
    ProgressBar->show();

    // The folders are read on a worker; the window reads what it found once
    // it is done, never while it is written.
    struct Walk
    {
        QStringList found{QString()};
        int leftOut = 0;
        bool complete = false;
        QString error;
    };
    auto walk = std::make_shared<Walk>();
    const std::atomic<bool> *stop = &StopRequested;
    jobs_->Start(
        1, 1,
        [walk, root, stop] {
            return [walk, root, stop](int) -> BackgroundJobs::OnWindow {
                try {
                    walk->complete = WalkMusicTree(
                        root, [stop] { return !stop->load(); }, &walk->found, &walk->leftOut);
                } catch (const std::exception &error) {
                    walk->error = ErrorDescription(error);
                }
                return {};
            };
        },
        [this, operation, walk, then = std::move(then)] {
            if (!walk->error.isEmpty())
                LogError(QStringLiteral("CopyFolders"), walk->error);
            // "Stop" while the folders are read adds nothing.
            const auto tell = [this, operation, walk, then] {
                if (walk->complete && walk->found.size() <= 1 && walk->leftOut == 0)
                    MsgBox(tr("No music files were found in the folder."), Msg::Information, QString(), this);
                if (walk->complete && walk->leftOut > 0)
                    MsgBox(LeftOutMessage(walk->leftOut), Msg::Information, QString(), this);
                if (then)
                    then();
            };
            if (walk->complete && walk->found.size() > 1)
                GetFileInfo(walk->found, tell);
            else
                tell();
        });
}
