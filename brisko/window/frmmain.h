// SPDX-License-Identifier: MIT
#pragma once

#include "engine/convert/statuses.h"
#include "window/rowrun.h"
#include "window/widgets/lvheadersorticons.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QRectF>
#include <QSize>
#include <QVector>

#include <atomic>
#include <functional>
#include <memory>

class DeRezovivAvo;
class ArtCache;
class BackgroundJobs;
class ConversionRun;
class PictureEncoder;
class FormSurface;
class PictureScaler;
class PreviewPane;
class QAction;
class QFrame;
class QDropEvent;
class QLabel;
class QMimeData;
class QMenu;
class QPushButton;
class QTimer;
class SettingsStore;
class StatusPanels;
class TagChangeRun;
class TrackList;
class WaitPanel;
namespace anchorlib {
class Anchor;
}

// The program's main window: the track list, the picture of the chosen file,
// the buttons, the menus and the status bar, and the state that the long
// operations share. Its widgets are placed where they were designed and kept
// on the window's edges by Anchor1, from the anchor codes in their tags.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    // Window states, as stored in the settings.
    enum State { StateNormal = 0, StateMinimized = 1, StateMaximized = 2 };
    // The outer window, frame included, is never smaller than this: its
    // designed minimum, grown with the font, and at most the screen.
    QSize MinimumWindowSize() const;

    // Runs the load steps: anchors, sort arrows, settings (which also place
    // the window), the command line, and the help check.
    explicit frmMain(const QString &commandLine = QString(), QWidget *parent = nullptr);
    ~frmMain() override;

    void LoadSettings();
    void SaveSettings();
    // Options > "Picture Size and Quality…": values chosen there are the
    // user's settings from then on, kept when the window closes.
    void ChooseSizeAndQuality();
    void ProcessCmdLine();
    void HelpFileCheck();
    // The help manual's main page, beside the program (empty when missing).
    static QString HelpFilePath();
    // Opens the manual; says where it is when no program can show it.
    void ShowHelp();
    // "About": the about box, or the one already open brought to the front.
    void ShowAbout();

    // Shows or hides the wait panel over the track list. With keepText the
    // panel is only drawn again with the text it had.
    void ShowWaitPanel(bool show, const QString &text = QString(), bool keepText = false);
    // Restores the window to its last state and puts it in front.
    void BringToFront();
    // 0 normal, 1 minimised, 2 maximised.
    int WindowStateNumber() const;

    // Sorts the track list by a 1-based column and shows the heading arrow.
    void SortByColumn(int column);
    // A click on a heading (1-based): the same column flips the direction,
    // another sorts ascending; nothing happens while an operation runs.
    void ColumnHeadingClicked(int column);

    // Adding files: the file dialog, then the inspection of the chosen files.
    void GetAddFiles();
    // Reads the files at paths[1..n] (paths[0] is not used) into new rows,
    // in that order, passing over files already listed; "Stop" keeps the rows
    // added so far. The files are read on the workers: then runs once the
    // last row is in (or the reading stopped).
    void GetFileInfo(const QStringList &paths, std::function<void()> then = {});
    // The busy look (false) during long operations, the idle look (true).
    void EnableControls(bool enable);

    // "Add Folder": the folder dialog, then the music files in and below it.
    void GetCopyFolder();
    // Adds every music file in the folder tree at root; "Stop" while the
    // folders are read adds nothing. then runs when all is done.
    void CopyFolders(const QString &root, std::function<void()> then = {});
    // Records what a drop on the list carries (one folder, or the music files
    // among the items) and arms the drop timer, which adds them.
    void DragDropProcess(const QMimeData *dropped);
    void tmrDnD_Timer();

    // The track list's commands.
    void RemoveSelected();
    void ClearList();
    void CopyAlbumName();
    void PlaySelection();
    // Puts every column back at its designed place and width.
    void ResetDefaultView();

    // "Change Picture | Tag": the dialog for the selected rows, then its
    // picture and fields written into each of their files.
    void ReplacePicture();
    // "Clear Clipboard": forgets the kept replacement picture.
    void ClearKeptPicture();

    // Shows a file's picture, its stored size and its pixel size in the
    // preview beside the list (see PreviewPane).
    void ShowPicOnDemand(const QString &path, bool tellVolumeGone = true);
    // A saved file's other hard links keep its old content: the row's
    // tooltip and the error log say so.
    void NoteOtherNames(int row, const QString &path, int otherNames);
    // Converts every row, or the selected rows, that is not done with yet.
    void Resizing(bool selectedOnly);

    // "Unexpected Error: " and the description in a message box, and the log.
    void ReportUnexpected(const QString &procedure, const QString &description);

    // Closes without questions, as when the user logs off.
    void CloseForShutdown();

    // Adds the music files and folders named on a command line once the window
    // is free: the files up to a folder together, then each folder on its own.
    void AddNamedPaths(const QStringList &paths);
    // A later start handed over: the window comes to the front and adds the
    // paths it named.
    void TakeHandOver(const QString &commandLine, const QStringList &paths);

signals:
    // The first activation has run: tip, first sort, logo, "Add Files".
    void FirstActivated();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Tests look inside through a probe of their own; the window's parts
    // are its own business otherwise.
    friend class frmMainProbe;
    friend class OperationGuard;

    // Controls, named as designed.
    FormSurface *surface;
    QFrame *picLogoContainer;
    QLabel *imgLogo;
    PictureScaler *imgDisplay;
    QFrame *shpSizeLabels;
    QLabel *lblSize;
    QLabel *lblFileSize;
    QPushButton *cmdFiles;
    QPushButton *cmdFolder;
    QPushButton *cmdConvert;
    QPushButton *cmdCancel;
    DeRezovivAvo *ProgressBar;
    StatusPanels *Statusbar;
    WaitPanel *picMsg;
    QLabel *imgPNG;
    QTimer *tmrReplace;
    QTimer *tmrDnD;
    anchorlib::Anchor *Anchor1;

    // Menus and their entries.
    QMenu *mnuFile, *mnuOptions, *mnuHelp, *mnuPopList;
    QAction *mnuClearClip, *mnuExit;
    QAction *mnuSetColumns, *mnuSizeQuality, *mnuSkip, *mnuAllPictures, *mnuFrontCoverFirst, *mnuFolderPicture;
    QAction *mnuHelpCont, *mnuShowTip, *mnuAbout;
    QAction *mnuManConvert, *mnuReplace, *mnuCopyName, *mnuPopupPlay, *mnuRemove, *mnuClear;
    QAction *mnuSep[8];

    // State shared by the window's operations.
    qint16 TargetSize = 0;
    qint16 Quality = 0;
    int LargestPictureKB = 0; // 0: no limit
    bool CustomValues = false;
    // How many files are read or converted at once.
    int Workers = 1; // from the settings
    // Read by the workers too, to start no more files.
    std::atomic<bool> StopRequested{false};
    bool OperationRunning = false;
    bool EditorOpen = false;
    bool ShiftDown = false;
    bool RestorePending = false;
    qint16 SortColumn = 0;
    // What a drop left for the drop timer: "1" and a folder, or "2" and the
    // music files in drop order. A single empty text between drops.
    QStringList PendingDrop{QString()};
    int PendingLeftOut = 0; // dropped music files whose names cannot be shown
    int LastWindowState = StateNormal;
    QString LastFile;
    QString LastFolder;
    // The normal place and size, in twips, from the settings.
    QRectF SavedPlace;
    // Each column's designed width in twips, by column number 1..11 (0 unused).
    QVector<qint16> DesignColumnWidths;
    clsLVHeaderSortIcons SortIcons;


    void CreateControls();
    void CreateMenus();
    void FirstActivation();
    void FormResized();
    void RedrawArtwork();
    // The banner's height: the logo's place, grown with the font, holds it whole.
    int LogoHeight() const;
    void PlaceWhenFrameKnown();
    // The widget's minimum is its inner size: the frame, once known, is
    // taken off the outer minimum.
    void FitMinimumToFrame();
    bool PreviewKey(QEvent *event);
    // Puts the outer window at a rectangle given in twips.
    void PlaceWindow(const QRectF &twips);
    // Puts the track list's columns in the order the settings hold.
    void PlaceColumns(const SettingsStore &store);

    // The end of GetFileInfo: the list sorted, its first row chosen and shown.
    void ShowAddedFiles();
    // "Stop": no more files are begun, and a picture still being decoded is
    // given up, its file left as it was.
    void RequestStop();
    // "Files : N" in panel 1; an empty list also clears the last run's count.
    void ShowRowCount();
    void ListMouseReleased(Qt::MouseButton button, const QPoint &position);
    // The preview follows the current row moved by a key; while Shift is
    // held it waits for its release, as it does for a range chosen by mouse.
    void FollowCurrentRow();
    void ListDragOver(QDropEvent *event);
    // "Clear Clipboard" and status panel 4 follow whether a picture is kept.
    void ShowKeptPictureState();
    // The run's count in the status bar belongs to the rows it ran over.
    void ClearRunCount();
    void ConnectCommands();
    // What the runs over rows work with: the list, the workers, the bars,
    // the preview and the stop.
    RowRunParts RunParts();
    void AddNextNamedPaths();

    TrackList *lvwMain_;
    // The tracks of an album share their art: converted once, as brisko-batch does.
    std::unique_ptr<ArtCache> artCache_;
    std::unique_ptr<PictureEncoder> encoder_;
    // Operations alive, and those of them with the busy look.
    int operations_ = 0;
    int busyOperations_ = 0;
    // The long operations' work on worker threads; one run at a time.
    BackgroundJobs *jobs_;
    // The volume that held each file when it was added, by path.
    QHash<QString, QString> volumeOfPath_;
    QString commandLine_;
    QString waitText_;
    // The picture of the chosen file beside the list.
    std::unique_ptr<PreviewPane> preview_;
    // "Resize All" and "Resize Picture".
    std::unique_ptr<ConversionRun> conversion_;
    // "Change Picture | Tag" once its dialog is closed with Save.
    std::unique_ptr<TagChangeRun> tagChange_;
    QString helpFile_;
    QPointer<QWidget> about_;
    // The buttons' commands in the File menu, Select All and the menu key.
    QAction *mnuAddFiles_ = nullptr, *mnuAddFolder_ = nullptr, *mnuConvert_ = nullptr,
            *mnuCancel_ = nullptr, *mnuSelectAll_ = nullptr, *rowMenuKey_ = nullptr;
    bool followOnShiftUp_ = false;
    // Paths named on a command line, waiting to be added.
    QStringList namedPaths_;
    QTimer *tmrNamed_ = nullptr;
    bool activated_ = false;
    // The stored place waits for the window frame's size, which a window
    // manager tells only after the window is shown.
    bool placePending_ = false;
    bool settingsSaved_ = false;
    bool shuttingDown_ = false;
};
