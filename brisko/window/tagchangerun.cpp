// SPDX-License-Identifier: MIT
#include "window/tagchangerun.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "engine/convert/artconversion.h"
#include "engine/convert/tagchange.h"
#include "engine/convert/tagreading.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/tags/taglibrary.h"
#include "window/backgroundjobs.h"
#include "window/previewpane.h"
#include "window/rowwork.h"
#include "window/runcount.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/enginepicture.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"

#include <QCoreApplication>

TagChangeRun::TagChangeRun(const RowRunParts &parts, PictureEncoder &encoder)
    : RowRun(parts)
    , encoder_(encoder)
{
}

void TagChangeRun::Run(TagChange change, const QImage &keptPicture, int targetSize, int quality, int workers,
                       std::shared_ptr<OperationGuard> operation)
{
    const QVector<int> rows = parts_.list->RowIndexes(true);
    *parts_.stopRequested = false;
    // The main window's texts, in its catalogue.
    ShowProgress(int(rows.size()), QCoreApplication::translate("frmMain", "Change Picture"));
    QSize originalSize;
    QSize newSize;
    try {
        // One JPEG for every file, made once, in memory.
        if (!keptPicture.isNull()) {
            change.hasPicture = true;
            originalSize = keptPicture.size();
            const Result<QSize> sized = NewPictureSize(originalSize.width(), originalSize.height(), targetSize);
            if (!sized) {
                LogError(QStringLiteral("ReplacePicture"), sized.Why().reason);
                return;
            }
            newSize = *sized;
            const Result<QByteArray> jpeg = encoder_.ImageToJpegData(FromQImage(keptPicture), newSize, quality);
            if (!jpeg) {
                LogError(QStringLiteral("ReplacePicture"), jpeg.Why().reason);
                return;
            }
            change.jpeg = *jpeg;
        }
    } catch (const std::exception &error) {
        LogError(QStringLiteral("ReplacePicture"), ErrorDescription(error));
        return;
    }
    QVector<RowFile> files;
    for (const int row : rows)
        files.append(FileOf(row));
    auto progress = std::make_shared<RunProgress>();
    auto turn = std::make_shared<PreviewTurn>();
    const QSize previewBox = parts_.preview->Box();
    BackgroundJobs *jobs = parts_.jobs;

    parts_.statusbar->SetPanelText(3, QString()); // the last run's count
    jobs->Start(
        workers, int(files.size()),
        [=] {
            auto tags = std::make_shared<TagLibrary>();
            return [=](int index) -> BackgroundJobs::OnWindow {
                const RowFile file = files.at(index);
                jobs->Post([this, file] { ShowRowBegun(file); });
                const ChangedFile done = ChangeFile(*tags, file, change, previewBox, *turn);
                return [=] {
                    parts_.progressBar->SetValue(++progress->completed);
                    progress->volumeGone = progress->volumeGone || done.volumeGone;
                    if (const int row = parts_.list->RowOfPath(file.row, file.path))
                        UpdateCurrentPix(row, file.path, change.hasPicture, done, originalSize, newSize);
                    if (done.outcome == ChangeOutcome::Changed && done.unexpected.isEmpty() && !done.volumeGone)
                        ++progress->count.done;
                    else
                        ++progress->count.failed;
                };
            };
        },
        [this, operation, progress, rows = int(files.size())] {
            EndRun(*progress, rows, QCoreApplication::translate("frmMain", "Changed %1, failed %2, skipped %3"));
        });
}

void TagChangeRun::UpdateCurrentPix(int row, const QString &path, bool newPicture, const ChangedFile &done,
                                    QSize originalSize, QSize newSize)
{
    TrackList *list = parts_.list;
    if (done.volumeGone) {
        ReportVolumeGone(row, parts_.volumes->value(path));
    } else if (!done.unexpected.isEmpty()) {
        ReportUnexpected(row, "UpdateCurrentPix", done.unexpected);
    } else if (done.outcome == ChangeOutcome::Changed) {
        list->SetRowToolTip(row, QString());
        list->NoteOtherNames(row, path, done.otherNames);
        list->SetStatus(row, newPicture ? RowStatus::PicTagChanged : RowStatus::TagChanged);
        if (newPicture) {
            list->SetField(row, ColOriginalSize, SizeText(originalSize.width(), originalSize.height()));
            list->SetField(row, ColNewSize, SizeText(newSize.width(), newSize.height()));
        }
        const TagFields &fields = done.fields;
        list->SetField(row, ColTitle, fields.Title);
        list->SetField(row, ColArtist, fields.Artist);
        list->SetField(row, ColAlbum, fields.Album);
        list->SetField(row, ColTrack, fields.Track);
        list->SetField(row, ColYear, fields.Year);
        list->SetField(row, ColGenre, fields.Genre);
        list->SetField(row, ColComment, fields.Comment);
        list->RefreshFileIdentity(row);
        if (done.preview)
            parts_.preview->Show(*done.preview);
        if (newPicture)
            parts_.preview->ShowImageSize(newSize);
    } else {
        const RowStatus status = done.outcome == ChangeOutcome::LowDriveSpace ? RowStatus::LowDriveSpace
                                 : done.outcome == ChangeOutcome::FileMissing ? RowStatus::FileMissing
                                                                               : RowStatus::ChangePicFailed;
        ShowFailure(row, status, done.reason, path, "UpdateCurrentPix");
    }
}
