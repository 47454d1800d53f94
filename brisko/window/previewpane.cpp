// SPDX-License-Identifier: MIT
#include "window/previewpane.h"

#include "base/briskoerror.h"
#include "engine/convert/statuses.h"
#include "engine/convert/volumes.h"
#include "engine/tags/taglibrary.h"
#include "window/backgroundjobs.h"
#include "window/filepreview.h"
#include "window/widgets/artwork.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/unexpectederror.h"

#include <QCoreApplication>
#include <QLabel>

PreviewPane::PreviewPane(TrackList *list, const Controls &controls, const QHash<QString, QString> &volumes,
                         QWidget *window)
    : list_(list)
    , controls_(controls)
    , volumes_(volumes)
    , window_(window)
    , jobs_(new BackgroundJobs(window))
{
}

PreviewPane::~PreviewPane()
{
    jobs_->Abandon();
}

void PreviewPane::Show(const FilePreview &preview)
{
    QImage picture = preview.picture;
    if (picture.isNull())
        picture = preview.missing               ? MissingFileImage()
                  : !preview.unreadable.isEmpty() ? UnreadableFileImage(preview.unreadable)
                                                  : NoPictureImage(preview.problem);
    controls_.picture->SetPicture(picture);
    controls_.fileSize->setText(preview.fileSize);
    controls_.imageSize->setText(preview.imageSize);
    controls_.pngMarker->setVisible(preview.fromPng);
}

void PreviewPane::ShowImageSize(QSize size)
{
    // The main window's texts, in its catalogue.
    controls_.imageSize->setText(
        QCoreApplication::translate("frmMain", "Image Size: %1").arg(SizeText(size.width(), size.height())));
}

void PreviewPane::DisplayRow(int position, bool tellVolumeGone)
{
    displayedRow_ = position;
    displayedPath_ = list_->PathAt(position);
    ShowPicOnDemand(displayedPath_, tellVolumeGone);
}

void PreviewPane::ShowNoRow()
{
    displayedRow_ = 0;
    displayedPath_.clear();
    ++wanted_; // a preview still being read is not shown
    wantedPath_.clear();
    controls_.picture->SetPicture(LogoPicture(150, window_->palette()));
    controls_.pngMarker->hide();
    controls_.imageSize->setText(QCoreApplication::translate("frmMain", "Image Size W x H"));
    controls_.fileSize->setText(QCoreApplication::translate("frmMain", "File Size: -------"));
}

void PreviewPane::Redraw()
{
    if (displayedRow_ == 0)
        controls_.picture->SetPicture(LogoPicture(150, window_->palette()));
    else
        ShowPicOnDemand(displayedPath_);
}

bool PreviewPane::RowIsShown(int position) const
{
    return position == displayedRow_ && list_->PathAt(position) == displayedPath_;
}

bool PreviewPane::Pending() const
{
    return jobs_->Running();
}

QSize PreviewPane::Box() const
{
    return controls_.picture->size();
}

QImage PreviewPane::Picture() const
{
    return controls_.picture->Picture();
}

void PreviewPane::ShowPicOnDemand(const QString &path, bool tellVolumeGone)
{
    ++wanted_;
    wantedPath_ = path;
    wantedTellsVolumeGone_ = tellVolumeGone;
    // Rows passed over quickly are never read: the one in hand finishes,
    // then the last one asked for is read.
    if (!jobs_->Running())
        ReadWanted();
}

void PreviewPane::ReadWanted()
{
    const quint64 request = wanted_;
    const QString path = wantedPath_;
    const QString volume = volumes_.value(path);
    const QSize box = Box();
    const bool tell = wantedTellsVolumeGone_;
    const auto read = [this, request, path, volume, box, tell](int) -> BackgroundJobs::OnWindow {
        const auto current = [this, request] { return request == wanted_; };
        if (!VolumeAvailable(volume, path))
            return [this, current, volume, tell] {
                if (!current())
                    return;
                // The message leaves the preview as it was; when the run
                // has told it already, the file is shown as out of reach.
                if (tell)
                    MsgBox(VolumeUnavailableMessage(volume), Msg::Information, QString(), window_);
                else
                    Show(MissingFilePreview());
            };
        try {
            TagLibrary tags;
            const FilePreview preview = ReadFilePreview(tags, path, box);
            return [this, current, preview] {
                if (current())
                    Show(preview);
            };
        } catch (const std::exception &error) {
            return [this, current, description = ErrorDescription(error)] {
                if (current())
                    ReportUnexpected(QStringLiteral("ShowPicOnDemand"), description, window_);
            };
        }
    };
    jobs_->Start(1, 1, [read] { return read; }, [this, request] {
        if (request != wanted_ && !wantedPath_.isEmpty())
            ReadWanted();
    });
}
