// SPDX-License-Identifier: MIT
// The preview of one file: read and decoded on a worker, so that a large
// picture never holds up the window's clicks and repaints, and shown only
// while it is still the file asked for.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "engine/convert/volumes.h"
#include "engine/tags/taglibrary.h"
#include "window/backgroundjobs.h"
#include "window/filepreview.h"
#include "window/widgets/artwork.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/picturescaler.h"

#include <QLabel>

void frmMain::ShowPreview(const QImage &picture, const QString &fileSize, const QString &imageSize,
                          bool fromPng)
{
    imgDisplay->SetPicture(picture);
    lblFileSize->setText(fileSize);
    lblSize->setText(imageSize);
    imgPNG->setVisible(fromPng);
}

void frmMain::ShowFilePreview(const FilePreview &preview)
{
    QImage picture = preview.picture;
    if (picture.isNull())
        picture = preview.missing               ? MissingFileImage()
                  : !preview.unreadable.isEmpty() ? UnreadableFileImage(preview.unreadable)
                                                  : NoPictureImage(preview.problem);
    ShowPreview(picture, preview.fileSize, preview.imageSize, preview.fromPng);
}

void frmMain::ShowPicOnDemand(const QString &path, bool tellVolumeGone)
{
    ++previewWanted_;
    previewPath_ = path;
    previewTellsVolumeGone_ = tellVolumeGone;
    // Rows passed over quickly are never read: the one in hand finishes,
    // then the last one asked for is read.
    if (!previewJobs_->Running())
        ReadWantedPreview();
}

bool frmMain::PreviewPending() const
{
    return previewJobs_->Running();
}

void frmMain::ReadWantedPreview()
{
    const quint64 request = previewWanted_;
    const QString path = previewPath_;
    const QString volume = volumeOfPath_.value(path);
    const QSize box = imgDisplay->size();
    const bool tell = previewTellsVolumeGone_;
    const auto read = [this, request, path, volume, box, tell](int) -> BackgroundJobs::OnWindow {
        const auto current = [this, request] { return request == previewWanted_; };
        if (!VolumeAvailable(volume, path))
            return [this, current, volume, tell] {
                if (!current())
                    return;
                // The message leaves the preview as it was; when the run
                // has told it already, the file is shown as out of reach.
                if (tell)
                    MsgBox(VolumeUnavailableMessage(volume), Msg::Information, QString(), this);
                else
                    ShowFilePreview(MissingFilePreview());
            };
        try {
            TagLibrary tags;
            const FilePreview preview = ReadFilePreview(tags, path, box);
            return [this, current, preview] {
                if (current())
                    ShowFilePreview(preview);
            };
        } catch (const std::exception &error) {
            return [this, current, description = ErrorDescription(error)] {
                if (current())
                    ReportUnexpected(QStringLiteral("ShowPicOnDemand"), description);
            };
        }
    };
    previewJobs_->Start(1, 1, [read] { return read; }, [this, request] {
        if (request != previewWanted_ && !previewPath_.isEmpty())
            ReadWantedPreview();
    });
}
