// SPDX-License-Identifier: MIT
// Files and folders dragged from a file manager onto the track list.
#include "window/frmmain.h"

#include "base/errorlog.h"
#include "engine/convert/folderwalk.h"
#include "engine/tags/tagformats.h"
#include "window/operationguard.h"
#include "window/widgets/msgbox.h"

#include <QDragMoveEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <exception>

namespace {

const QString FolderDropped = QStringLiteral("1");
const QString FilesDropped = QStringLiteral("2");

} // namespace

void frmMain::ListDragOver(QDropEvent *event)
{
    if (OperationRunning || !event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    // The files stay where they are: never tell the file manager they moved.
    event->setDropAction(event->possibleActions() & Qt::CopyAction ? Qt::CopyAction : Qt::LinkAction);
    event->accept();
}

void frmMain::DragDropProcess(const QMimeData *dropped)
{
    try {
        if (!dropped || !dropped->hasUrls())
            return;
        QStringList paths;
        for (const QUrl &url : dropped->urls())
            paths << url.toLocalFile();
        if (paths.isEmpty())
            return;
        if (!paths.first().isEmpty() && QFileInfo(paths.first()).isDir()) {
            PendingDrop = {FolderDropped, paths.first()};
            tmrDnD->start();
            return;
        }
        // A folder still waiting from a drop just before is not a file.
        if (PendingDrop.first() == FolderDropped)
            PendingDrop = {QString()};
        bool taken = false;
        for (const QString &path : std::as_const(paths)) {
            if (!HasMusicExtension(path) || QFileInfo(path).isDir())
                continue;
            if (IsUnshowableName(path)) {
                ++PendingLeftOut;
                continue;
            }
            PendingDrop << path;
            taken = true;
        }
        if (taken)
            PendingDrop.first() = FilesDropped;
        if (taken || PendingLeftOut > 0)
            tmrDnD->start();
    } catch (const std::exception &error) {
        LogError(QStringLiteral("DragDropProcess"), QString::fromLocal8Bit(error.what()));
    }
}

void frmMain::tmrDnD_Timer()
{
    tmrDnD->stop();
    // A drop made just before an operation began (or the picture and tag
    // dialog opened) waits for it to end: its intake would add and re-sort
    // rows under the operation.
    if (OperationRunning || EditorOpen) {
        tmrDnD->start();
        return;
    }
    BringToFront();
    StopRequested = false;

    const QStringList dropped = PendingDrop;
    const int leftOut = PendingLeftOut;
    PendingDrop = {QString()};
    PendingLeftOut = 0;
    const int kind = dropped.first().toInt();
    // A single dropped file is read with the buttons left enabled.
    const bool busyLook = kind == 1 || dropped.size() > 2;
    auto operation =
        std::make_shared<OperationGuard>(*this, busyLook ? OperationGuard::BusyLook : OperationGuard::KeepLook);
    auto tell = [this, operation, leftOut]() mutable {
        operation.reset();
        if (leftOut > 0)
            MsgBox(LeftOutMessage(leftOut), Msg::Information, QString(), this);
    };
    if (kind == 1)
        CopyFolders(dropped.at(1), tell);
    else if (kind == 2)
        GetFileInfo(dropped, tell);
    else
        tell();
}
