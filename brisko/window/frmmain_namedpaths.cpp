// SPDX-License-Identifier: MIT
// Music files and folders named on the command line, of this start or of a
// later one (a file manager's "Open With").
#include "window/frmmain.h"

#include "engine/convert/folderwalk.h"
#include "engine/files/localpath.h"
#include "window/operationguard.h"
#include "window/widgets/msgbox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

void frmMain::TakeHandOver(const QString &, const QStringList &paths)
{
    // A later start's switches are not used: the window keeps the values it
    // works with. Paths that are not there are named, and left out.
    BringToFront();
    QStringList found;
    QStringList missing;
    for (const QString &path : paths)
        (QFileInfo::exists(path) ? found : missing) << path;
    AddNamedPaths(found);
    if (!missing.isEmpty()) {
        QStringList names;
        for (const QString &path : std::as_const(missing))
            names << ReadablePath(path);
        MsgBox(QCoreApplication::translate("Window", "no such file or folder, left out: %1").arg(names.join(u'\n')),
               Msg::Information, QString(), this);
    }
}

void frmMain::AddNamedPaths(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    if (!tmrNamed_) {
        tmrNamed_ = new QTimer(this);
        tmrNamed_->setObjectName(QStringLiteral("tmrNamed"));
        tmrNamed_->setSingleShot(true);
        tmrNamed_->setInterval(100);
        connect(tmrNamed_, &QTimer::timeout, this, &frmMain::AddNextNamedPaths);
    }
    namedPaths_ << paths;
    tmrNamed_->start();
}

void frmMain::AddNextNamedPaths()
{
    // As for a drop: the list is first shown and sorted, and a running
    // operation or the open dialog is never added to from under.
    if (!activated_ || OperationRunning || EditorOpen) {
        tmrNamed_->start();
        return;
    }
    // The next folder, or the files up to it, read in one go.
    QStringList files{QString()};
    QString folder;
    int leftOut = 0;
    while (!namedPaths_.isEmpty()) {
        const QString &path = namedPaths_.first();
        const bool isFolder = QFileInfo(path).isDir();
        if (isFolder && files.size() > 1)
            break;
        if (HasEscapedBytes(path))
            ++leftOut; // the window cannot show such a name
        else if (isFolder)
            folder = path;
        else
            files << path;
        namedPaths_.removeFirst();
        if (!folder.isEmpty())
            break;
    }
    StopRequested = false;
    auto operation = std::make_shared<OperationGuard>(*this, OperationGuard::BusyLook);
    auto next = [this, operation, leftOut]() mutable {
        operation.reset();
        if (leftOut > 0)
            MsgBox(LeftOutMessage(leftOut), Msg::Information, QString(), this);
        if (StopRequested)
            namedPaths_.clear(); // "Stop" ends the intake of all that was named
        if (!namedPaths_.isEmpty())
            tmrNamed_->start();
    };
    if (!folder.isEmpty())
        CopyFolders(folder, next);
    else if (files.size() > 1)
        GetFileInfo(files, next);
    else
        next();
}
