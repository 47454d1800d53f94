// SPDX-License-Identifier: MIT
// Reading added files into the track list, and the preview of one file.
#include "window/frmmain.h"

#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "engine/pictureproblem.h"
#include "engine/taglibrary.h"
#include "engine/tagreading.h"
#include "engine/volumes.h"
#include "window/operationguard.h"
#include "window/widgets/artwork.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/unexpectederror.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>

namespace {

// Showing every file's picture while thousands are added would cost more
// than reading them; the preview follows along a few times a second.
constexpr qint64 PreviewInterval = 100;

const QString NoSize = QStringLiteral("File Size: -----");

QString FileSizeText(qint64 bytes)
{
    return QStringLiteral("File Size: ") + FormatSize(float(bytes));
}

QString ImageSizeText(QSize size)
{
    return QStringLiteral("Image Size: ") + SizeText(size.width(), size.height());
}

// A picture in a tag that is no picture is worth a line in the log, naming
// the file and what is wrong with the picture.
MeasuredPicture Measure(const QByteArray &picture, const QString &path, const char *procedure)
{
    const MeasuredPicture measured = MeasurePicture(picture);
    if (!measured.valid)
        LogError(QLatin1String(procedure), path + QStringLiteral(": ") + ErrorText(ErrorNumber::InvalidPicture)
                                               + QStringLiteral(" (") + PictureProblem(picture) + u')');
    return measured;
}

// The card for a file whose picture cannot be shown: why, when there is one.
QImage NoPictureCard(const QByteArray &picture)
{
    return picture.isEmpty() ? NoPictureImage() : NoPictureImage(PictureProblem(picture));
}

} // namespace

void frmMain::ShowPreview(const QImage &picture, const QString &fileSize, const QString &imageSize,
                          bool fromPng)
{
    imgDisplay->SetPicture(picture);
    lblFileSize->setText(fileSize);
    lblSize->setText(imageSize);
    imgPNG->setVisible(fromPng);
}

void frmMain::GetFileInfo(const QStringList &paths)
{
    OperationGuard operation(*this);
    try {
        ProgressBar->SetMax(qMax(1, int(paths.size()) - 1));
        ProgressBar->SetValue(0);
        ProgressBar->SetCaption(QStringLiteral("Adding Files"));
        ProgressBar->show();
        ShowWaitPanel(true, QStringLiteral("Wait... Adding Files"), false);
        const int existing = lvwMain_->RowCount();
        int added = 0;
        QElapsedTimer sincePreview;
        QElapsedTimer sinceEvents;

        for (int i = 1; i < paths.size(); ++i) {
            const QString &path = paths.at(i);
            if (!lvwMain_->IsPathListed(path)) {
                ++added;
                TagFields fields;
                QByteArray picture;
                bool hasPicture = false;
                GetTags(*tags_, path, &fields, &picture, &hasPicture);
                const MeasuredPicture measured = hasPicture ? Measure(picture, path, "GetFileInfo") : MeasuredPicture();

                TrackRow row;
                row.Path = path;
                row.FileName = QFileInfo(path).fileName();
                row.Tags = fields;
                row.OriginalSize = SizeText(measured.size.width(), measured.size.height());
                row.Status = StatusText(measured.valid ? RowStatus::Unchanged : RowStatus::NoPicture);
                row.Icon = StatusIcon(row.Status);
                lvwMain_->AddRow(row);
                volumeOfPath_.insert(path, VolumeOf(path));

                if (!sincePreview.isValid() || sincePreview.elapsed() >= PreviewInterval) {
                    sincePreview.start();
                    QImage shown;
                    try {
                        if (measured.valid)
                            shown = PreviewPicture(picture, measured.size, imgDisplay->size());
                    } catch (const BriskoError &) {
                        // Counted by its headers; the conversion will tell.
                    }
                    if (measured.valid && !shown.isNull())
                        ShowPreview(shown, FileSizeText(picture.size()), ImageSizeText(measured.size),
                                    measured.fromPng);
                    else if (!measured.valid)
                        ShowPreview(NoPictureCard(hasPicture ? picture : QByteArray()), NoSize,
                                    ImageSizeText(QSize(0, 0)), false);
                }
                Statusbar->SetPanelText(1, QStringLiteral("Files : ") + QString::number(existing + added));
                if (StopRequested)
                    break;
                if (!sinceEvents.isValid() || sinceEvents.elapsed() >= EventsInterval) {
                    QCoreApplication::processEvents();
                    sinceEvents.start();
                }
            }
            ProgressBar->SetValue(i);
        }

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
}

void frmMain::ShowPicOnDemand(const QString &path)
{
    const QString volume = volumeOfPath_.value(path);
    if (!VolumeAvailable(volume, path)) {
        MsgBox(VolumeUnavailableMessage(volume), Msg::Information, QString(), this);
        return;
    }
    try {
        imgPNG->hide();
        tags_->OpenAudioFile(path);
        QByteArray picture;
        const bool inTag = tags_->PictureCount() > 0 && tags_->PictureData(1, &picture);
        bool hasPicture = inTag;
        tags_->CloseAudioFile();
        QImage shown;
        MeasuredPicture measured;
        if (hasPicture) {
            measured = Measure(picture, path, "ShowPicOnDemand");
            hasPicture = measured.valid;
        }
        if (hasPicture) {
            try {
                shown = PreviewPicture(picture, measured.size, imgDisplay->size());
            } catch (const BriskoError &error) {
                if (error.Number() != ErrorNumber::InvalidPicture
                    && error.Number() != ErrorNumber::PictureUnexpected)
                    throw;
                hasPicture = false;
            }
        }
        if (hasPicture)
            ShowPreview(shown, FileSizeText(picture.size()), ImageSizeText(measured.size), measured.fromPng);
        else
            ShowPreview(NoPictureCard(inTag ? picture : QByteArray()), NoSize, QStringLiteral("No Picture"), false);
    } catch (const std::exception &error) {
        ReportUnexpected(QStringLiteral("ShowPicOnDemand"), ErrorDescription(error));
    }
}
