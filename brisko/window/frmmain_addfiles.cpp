// SPDX-License-Identifier: MIT
// Adding files through the file dialog, and the window's busy look.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "engine/tags/tagformats.h"
#include "window/operationguard.h"
#include "window/widgets/artwork.h"
#include "window/widgets/clsopensave.h"
#include "window/widgets/listinputlock.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/userfolders.h"

#include <QCoreApplication>
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

namespace {

// Every music file first, then the files of each format.
QString MusicFileFilter()
{
    const auto filter = [](const QString &caption, const QStringList &patterns) {
        return caption + QStringLiteral(" (") + patterns.join(u' ') + QStringLiteral(")|") + patterns.join(u';');
    };
    QStringList filters{filter(frmMain::tr("Music Files"), MusicPatterns())};
    for (const MusicFormat &format : MusicFormats())
        filters << filter(QCoreApplication::translate("Engine", format.filesCaption), MusicPatterns({format}));
    return filters.join(u'|');
}

} // namespace

void frmMain::GetAddFiles()
{
    try {
        if (!QFileInfo(LastFile).isDir())
            LastFile = GetDocumentsFolder();
        clsOpenSave dialog;
        dialog.hwnd = this;
        dialog.InitDir = LastFile;
        dialog.CancelError = true;
        dialog.DialogTitle = tr("Music File(s) To Resize Album Art");
        dialog.SetFilter(MusicFileFilter());
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
