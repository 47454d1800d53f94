// SPDX-License-Identifier: MIT
// Reading added files into the track list.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "window/fileintake.h"
#include "window/operationguard.h"
#include "window/previewpane.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"

void frmMain::GetFileInfo(const QStringList &paths, std::function<void()> then)
{
    auto operation = std::make_shared<OperationGuard>(*this);
    ProgressBar->SetMax(qMax(1, int(paths.size()) - 1));
    ProgressBar->SetValue(0);
    ProgressBar->SetCaption(tr("Adding Files"));
    ProgressBar->show();
    ShowWaitPanel(true, tr("Wait... Adding Files"), false);

    FileIntake::Window window;
    window.list = lvwMain_;
    window.progress = [this](int done) { ProgressBar->SetValue(done); };
    window.rowAdded = [this](int row, const AddedFile &file) {
        if (!file.problem.isEmpty())
            lvwMain_->SetRowToolTip(row, file.problem);
        volumeOfPath_.insert(file.row.Path, file.volume);
    };
    window.rowsAdded = [this] { Statusbar->SetPanelText(1, tr("Files : %1").arg(lvwMain_->RowCount())); };
    window.preview = [this](const FilePreview &preview) { preview_->Show(preview); };
    // Memory running out ends the adding, as "Stop" would.
    window.unexpected = [this](const QString &description) {
        RequestStop();
        ReportUnexpected(QStringLiteral("GetFileInfo"), description);
    };
    FileIntake::Start(*jobs_, Workers, paths.mid(1), imgDisplay->size(), std::move(window),
                      [this, operation, then = std::move(then)]() mutable {
                          ShowAddedFiles();
                          operation.reset();
                          if (then)
                              then();
                      });
}

void frmMain::ShowAddedFiles()
{
    try {
        SortByColumn(SortColumn);
        if (lvwMain_->RowCount() > 0) {
            QTreeWidgetItem *first = lvwMain_->topLevelItem(0);
            lvwMain_->setCurrentItem(first, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            lvwMain_->scrollToItem(first);
        }
        ShowWaitPanel(false);
        if (lvwMain_->RowCount() > 0)
            preview_->DisplayRow(1);
    } catch (const std::exception &error) {
        ReportUnexpected(QStringLiteral("GetFileInfo"), ErrorDescription(error));
    }
}
