// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>

class BackgroundJobs;
class PictureScaler;
class QLabel;
class QWidget;
class TrackList;
struct FilePreview;

// The picture of the chosen file beside the list, with its sizes below and
// the PNG marker in its corner. A file is read and its picture decoded on a
// worker of the pane's own, so that a large picture never holds up the
// window's clicks and repaints; what a request finds is shown only while it
// is still the file asked for.
class PreviewPane
{
public:
    struct Controls
    {
        PictureScaler *picture = nullptr;
        QLabel *imageSize = nullptr;
        QLabel *fileSize = nullptr;
        QLabel *pngMarker = nullptr;
    };

    // volumes: the volume that held each listed file when it was added, by
    // path. window: the owner of the messages the pane shows.
    PreviewPane(TrackList *list, const Controls &controls, const QHash<QString, QString> &volumes,
                QWidget *window);
    // The files in hand finish; what they find is not shown.
    ~PreviewPane();
    PreviewPane(const PreviewPane &) = delete;
    PreviewPane &operator=(const PreviewPane &) = delete;

    // Shows a file's picture, its stored size and its pixel size. A later
    // request, or no row shown any more, drops what an earlier one finds. A
    // file on a volume that is gone is told in a message box, or, when the
    // user has just been told, shown as missing.
    void ShowPicOnDemand(const QString &path, bool tellVolumeGone = true);
    // Shows the picture of the row at position (1-based).
    void DisplayRow(int position, bool tellVolumeGone = true);
    // The logo, as when no row is shown; a preview still being read is not shown.
    void ShowNoRow();
    // Draws again what the pane shows, after the theme changed.
    void Redraw();
    void Show(const FilePreview &preview);
    // The size line after a new picture was written into the shown file.
    void ShowImageSize(QSize size);

    // 1-based position of the row whose picture the pane shows; 0 for none.
    int DisplayedRow() const { return displayedRow_; }
    // True when the row at position still holds the file the pane shows.
    bool RowIsShown(int position) const;
    // A preview is being read: what the pane shows may not be the row asked for yet.
    bool Pending() const;
    // The room a preview's picture is scaled for.
    QSize Box() const;
    QImage Picture() const;

private:
    // Reads the file last asked for on the pane's worker.
    void ReadWanted();

    TrackList *list_;
    const Controls controls_;
    const QHash<QString, QString> &volumes_;
    QWidget *window_;
    BackgroundJobs *jobs_;
    int displayedRow_ = 0;
    // The file shown: a sort moves rows under the displayed row, and a click
    // there must show the file now in its place.
    QString displayedPath_;
    // The file asked for last, and its request's number (a result of an
    // earlier request is dropped).
    QString wantedPath_;
    bool wantedTellsVolumeGone_ = true;
    quint64 wanted_ = 0;
};
