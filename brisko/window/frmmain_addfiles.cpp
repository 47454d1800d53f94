// SPDX-License-Identifier: MIT
// Adding files through the file dialog, and the window's busy look.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "window/operationguard.h"
#include "window/widgets/artwork.h"
#include "window/widgets/clsopensave.h"
#include "window/widgets/listinputlock.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/userfolders.h"

#include <QFileInfo>
#include <QPushButton>

void frmMain::EnableControls(bool enable)
{
    if (enable)
        UnlockListInput(lvwMain_);
    else
        LockListInput(lvwMain_);
    cmdCancel->setIcon(StopPicture(!enable));
    for (QPushButton *button : {cmdConvert, cmdFiles, cmdFolder})
        button->setEnabled(enable);
}

void frmMain::GetAddFiles()
{
    try {
        if (!QFileInfo(LastFile).isDir())
            LastFile = GetDocumentsFolder();
        clsOpenSave dialog;
        dialog.hwnd = this;
        dialog.InitDir = LastFile;
        dialog.CancelError = true;
        dialog.DialogTitle = tr("Mp3 File(s) To Resize Album Art");
        // MP3 first, as it always was; then every format the program converts.
        dialog.SetFilter(tr("Mp3 Files (*.mp3)|*.mp3") + u'|'
                         + tr("Audio files (*.mp3 *.flac *.ogg *.oga *.opus *.m4a *.m4b *.mp4)|"
                            "*.mp3;*.flac;*.ogg;*.oga;*.opus;*.m4a;*.m4b;*.mp4"));
        dialog.Flags = 0x81204;
        dialog.MaxFileSize = 32700;
        dialog.ShowOpen();

        QStringList list = dialog.FileName.split(QChar(0));
        if (list.size() == 1) {
            const qsizetype slash = list.first().lastIndexOf(u'/');
            LastFile = slash > 0 ? list.first().left(slash) : QStringLiteral("/");
        } else {
            LastFile = list.first();
        }
        StopRequested = false;
        if (list.size() == 1) {
            list.prepend(QString());
            GetFileInfo(list);
            return;
        }
        const QString folder = list.first().endsWith(u'/') ? list.first() : list.first() + u'/';
        for (int i = 1; i < list.size(); ++i)
            list[i] = folder + list.at(i);
        list[0].clear();
        auto operation = std::make_shared<OperationGuard>(*this, OperationGuard::BusyLook);
        GetFileInfo(list, [operation] {});
    } catch (const BriskoError &error) {
        if (error.Number() != ErrorNumber::CancelSelected)
            LogError(QStringLiteral("GetAddFiles"), error.Description());
    }
}
