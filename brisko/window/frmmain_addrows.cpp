// SPDX-License-Identifier: MIT
// Reading added files into the track list.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "engine/pictures/pictureproblem.h"
#include "engine/tags/taglibrary.h"
#include "engine/convert/tagreading.h"
#include "engine/convert/volumes.h"
#include "window/backgroundjobs.h"
#include "window/filepreview.h"
#include "window/operationguard.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/unexpectederror.h"

#include <QFileInfo>

#include <optional>

namespace {

// One added file as a worker read it.
struct ReadFile
{
    QString unexpected; // an unexpected error's description: no row
    TrackRow row;
    QString volume;
    QString problem; // why a picture that is there cannot be read
    std::optional<FilePreview> preview;
};

ReadFile ReadAddedFile(TagLibrary &tags, const QString &path, QSize previewBox, PreviewTurn &turn)
{
    ReadFile read;
    TagFields fields;
    QByteArray picture;
    bool hasPicture = false;
    GetTags(tags, path, &fields, &picture, &hasPicture);
    const MeasuredPicture measured = hasPicture ? MeasureLogged(picture, path, "GetFileInfo") : MeasuredPicture();
    read.row.Path = path;
    read.row.FileName = QFileInfo(path).fileName();
    read.row.Tags = fields;
    read.row.OriginalSize = SizeText(measured.size.width(), measured.size.height());
    read.row.Status = StatusText(measured.valid ? RowStatus::Unchanged : RowStatus::NoPicture);
    read.row.Icon = StatusIcon(read.row.Status);
    read.volume = VolumeOf(path);
    if (hasPicture && !measured.valid)
        read.problem = PictureProblem(picture);
    FilePreview preview;
    if (turn.Take() && PreviewOfAdded(picture, hasPicture, measured, previewBox, &preview))
        read.preview = preview;
    return read;
}

} // namespace

void frmMain::GetFileInfo(const QStringList &paths, std::function<void()> then)
{
    auto operation = std::make_shared<OperationGuard>(*this);
    ProgressBar->SetMax(qMax(1, int(paths.size()) - 1));
    ProgressBar->SetValue(0);
    ProgressBar->SetCaption(tr("Adding Files"));
    ProgressBar->show();
    ShowWaitPanel(true, tr("Wait... Adding Files"), false);

    // Files already listed are not read again.
    QStringList toRead;
    for (int i = 1; i < paths.size(); ++i) {
        if (!lvwMain_->IsPathListed(paths.at(i)))
            toRead << paths.at(i);
    }
    // Files are read in any order but added in the order given: the rows
    // read early wait for the ones before them.
    struct Intake
    {
        std::vector<std::optional<ReadFile>> read;
        int nextToAdd = 0;
        int completed;
    };
    auto intake = std::make_shared<Intake>();
    intake->read.resize(std::size_t(toRead.size()));
    intake->completed = int(paths.size()) - 1 - int(toRead.size());
    ProgressBar->SetValue(intake->completed);
    auto turn = std::make_shared<PreviewTurn>();
    const QSize previewBox = imgDisplay->size();

    const auto addReadyRows = [this, intake] {
        for (; intake->nextToAdd < int(intake->read.size()) && intake->read[std::size_t(intake->nextToAdd)];
             ++intake->nextToAdd) {
            ReadFile &file = *intake->read[std::size_t(intake->nextToAdd)];
            // Named twice among the added, or not read at all.
            if (!file.unexpected.isEmpty() || lvwMain_->IsPathListed(file.row.Path))
                continue;
            const int row = lvwMain_->AddRow(file.row);
            if (!file.problem.isEmpty())
                SetRowToolTip(row, file.problem);
            volumeOfPath_.insert(file.row.Path, file.volume);
            file = ReadFile(); // its memory goes now, not when the last file is in
        }
        Statusbar->SetPanelText(1, tr("Files : %1").arg(lvwMain_->RowCount()));
    };

    jobs_->Start(
        Workers, int(toRead.size()),
        [this, toRead, previewBox, turn, intake, addReadyRows] {
            auto tags = std::make_shared<TagLibrary>();
            return [=](int index) -> BackgroundJobs::OnWindow {
                auto read = std::make_shared<ReadFile>();
                try {
                    *read = ReadAddedFile(*tags, toRead.at(index), previewBox, *turn);
                } catch (const std::exception &error) {
                    read->unexpected = ErrorDescription(error);
                }
                return [this, index, read, intake, addReadyRows] {
                    // Memory running out ends the adding, as "Stop" would.
                    if (!read->unexpected.isEmpty()) {
                        RequestStop();
                        ReportUnexpected(QStringLiteral("GetFileInfo"), read->unexpected);
                    }
                    if (read->preview)
                        ShowFilePreview(*read->preview);
                    read->preview.reset();
                    intake->read[std::size_t(index)] = std::move(*read);
                    ProgressBar->SetValue(++intake->completed);
                    addReadyRows();
                };
            };
        },
        [this, operation, then = std::move(then)]() mutable {
            try {
                SortByColumn(SortColumn);
                if (lvwMain_->RowCount() > 0) {
                    QTreeWidgetItem *first = lvwMain_->topLevelItem(0);
                    lvwMain_->setCurrentItem(first, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                    lvwMain_->scrollToItem(first);
                }
                ShowWaitPanel(false);
                if (lvwMain_->RowCount() > 0)
                    DisplayRow(1);
            } catch (const std::exception &error) {
                ReportUnexpected(QStringLiteral("GetFileInfo"), ErrorDescription(error));
            }
            operation.reset();
            if (then)
                then();
        });
}
