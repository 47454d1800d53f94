// SPDX-License-Identifier: MIT
#include "window/rowrun.h"

#include "base/errorlog.h"
#include "base/translation.h"
#include "engine/convert/volumes.h"
#include "window/backgroundjobs.h"
#include "window/previewpane.h"
#include "window/rowwork.h"
#include "window/runcount.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/unexpectederror.h"

namespace {

// Why a row has a failure status that comes without a reason of its own.
// The texts are the main window's, in its catalogue.
QString ReasonOf(RowStatus status)
{
    switch (status) {
    case RowStatus::LowDriveSpace:
        return EnglishText("frmMain", "not enough free space for a second copy of the file and 256,000 bytes more");
    case RowStatus::FileMissing: return EnglishText("frmMain", "the file is no longer there");
    default: return QString();
    }
}

} // namespace

RowFile RowRun::FileOf(int row) const
{
    const QString path = parts_.list->PathAt(row);
    return {row, path, parts_.volumes->value(path)};
}

void RowRun::ShowProgress(int rows, const QString &caption)
{
    parts_.progressBar->SetMax(qMax(1, rows));
    parts_.progressBar->SetValue(-1);
    parts_.progressBar->SetCaption(caption);
    parts_.progressBar->setVisible(rows >= 2);
    followedRow_ = 0; // a new run is followed from its first row
}

void RowRun::ShowRowBegun(const RowFile &file)
{
    if (const int row = parts_.list->RowOfPath(file.row, file.path)) {
        parts_.list->SetIcon(row, IconWorking);
        // The workers begin rows a little apart: the list follows the run
        // down and does not jump back and forth between them.
        if (row > followedRow_) {
            followedRow_ = row;
            parts_.list->scrollToItem(parts_.list->topLevelItem(row - 1));
        }
    }
}

void RowRun::ShowFailure(int row, RowStatus status, const QString &reason, const QString &path, const char *procedure)
{
    parts_.list->SetStatus(row, status);
    parts_.list->SetRowToolTip(row, reason.isEmpty() ? ReasonOf(status) : reason);
    if (!reason.isEmpty())
        LogError(QLatin1String(procedure), path + QStringLiteral(": ") + reason);
}

void RowRun::ReportVolumeGone(int row, const QString &volume)
{
    // The jobs in hand may each find it gone: the user hears it once. The
    // files in hand on other volumes are finished.
    if (!*parts_.stopRequested)
        MsgBox(VolumeUnavailableMessage(volume), Msg::Information, QString(), parts_.window);
    *parts_.stopRequested = true;
    parts_.jobs->Stop();
    parts_.list->SetRowToolTip(row, EnglishText("frmMain", "the volume %1 is not available").arg(volume));
    // A row not worked on any more does not look as if it were.
    parts_.list->SetIcon(row, StatusIcon(parts_.list->Field(row, ColStatus)));
}

void RowRun::ReportUnexpected(int row, const char *procedure, const QString &description)
{
    ::ReportUnexpected(QLatin1String(procedure), description, parts_.window);
    parts_.list->SetRowToolTip(row, description);
    parts_.list->SetIcon(row, StatusIcon(parts_.list->Field(row, ColStatus)));
}

void RowRun::EndRun(RunProgress &progress, int rows, const QString &countFormat)
{
    progress.count.skipped += rows - progress.completed; // not begun after "Stop"
    // The preview showed the files as they were worked on; now it shows the
    // current row again, as its file is after the run.
    if (const int current = parts_.list->CurrentRow(); current >= 1)
        parts_.preview->DisplayRow(current, !progress.volumeGone);
    else
        parts_.preview->ShowNoRow();
    parts_.statusbar->SetPanelText(3, progress.count.Text(countFormat));
}
