// SPDX-License-Identifier: MIT
#pragma once

#include "window/frmmain.h"
#include "window/previewpane.h"

// The main window's parts and state, for tests to look at and set up; the
// window keeps them to itself otherwise.
class frmMainProbe
{
public:
    explicit frmMainProbe(frmMain &window)
        : surface(window.surface)
        , picLogoContainer(window.picLogoContainer)
        , imgLogo(window.imgLogo)
        , imgDisplay(window.imgDisplay)
        , shpSizeLabels(window.shpSizeLabels)
        , lblSize(window.lblSize)
        , lblFileSize(window.lblFileSize)
        , cmdFiles(window.cmdFiles)
        , cmdFolder(window.cmdFolder)
        , cmdConvert(window.cmdConvert)
        , cmdCancel(window.cmdCancel)
        , ProgressBar(window.ProgressBar)
        , Statusbar(window.Statusbar)
        , picMsg(window.picMsg)
        , imgPNG(window.imgPNG)
        , tmrReplace(window.tmrReplace)
        , tmrDnD(window.tmrDnD)
        , Anchor1(window.Anchor1)
        , mnuFile(window.mnuFile)
        , mnuOptions(window.mnuOptions)
        , mnuHelp(window.mnuHelp)
        , mnuPopList(window.mnuPopList)
        , mnuClearClip(window.mnuClearClip)
        , mnuExit(window.mnuExit)
        , mnuSetColumns(window.mnuSetColumns)
        , mnuSkip(window.mnuSkip)
        , mnuAllPictures(window.mnuAllPictures)
        , mnuFrontCoverFirst(window.mnuFrontCoverFirst)
        , mnuFolderPicture(window.mnuFolderPicture)
        , mnuHelpCont(window.mnuHelpCont)
        , mnuShowTip(window.mnuShowTip)
        , mnuAbout(window.mnuAbout)
        , mnuManConvert(window.mnuManConvert)
        , mnuReplace(window.mnuReplace)
        , mnuCopyName(window.mnuCopyName)
        , mnuPopupPlay(window.mnuPopupPlay)
        , mnuRemove(window.mnuRemove)
        , mnuClear(window.mnuClear)
        , mnuSep(window.mnuSep)
        , TargetSize(window.TargetSize)
        , Quality(window.Quality)
        , LargestPictureKB(window.LargestPictureKB)
        , CustomValues(window.CustomValues)
        , Workers(window.Workers)
        , StopRequested(window.StopRequested)
        , OperationRunning(window.OperationRunning)
        , EditorOpen(window.EditorOpen)
        , ShiftDown(window.ShiftDown)
        , RestorePending(window.RestorePending)
        , SortColumn(window.SortColumn)
        , PendingDrop(window.PendingDrop)
        , PendingLeftOut(window.PendingLeftOut)
        , LastWindowState(window.LastWindowState)
        , LastFile(window.LastFile)
        , LastFolder(window.LastFolder)
        , SavedPlace(window.SavedPlace)
        , DesignColumnWidths(window.DesignColumnWidths)
        , SortIcons(window.SortIcons)
        , preview(window.preview_.get())
        , list_(window.lvwMain_)
    {
    }

    TrackList *lvwMain() const { return list_; }

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
    QMenu *mnuFile, *mnuOptions, *mnuHelp, *mnuPopList;
    QAction *mnuClearClip, *mnuExit;
    QAction *mnuSetColumns, *mnuSkip, *mnuAllPictures, *mnuFrontCoverFirst, *mnuFolderPicture;
    QAction *mnuHelpCont, *mnuShowTip, *mnuAbout;
    QAction *mnuManConvert, *mnuReplace, *mnuCopyName, *mnuPopupPlay, *mnuRemove, *mnuClear;
    QAction *const *mnuSep;

    qint16 &TargetSize;
    qint16 &Quality;
    int &LargestPictureKB;
    bool &CustomValues;
    int &Workers;
    std::atomic<bool> &StopRequested;
    bool &OperationRunning;
    bool &EditorOpen;
    bool &ShiftDown;
    bool &RestorePending;
    qint16 &SortColumn;
    QStringList &PendingDrop;
    int &PendingLeftOut;
    int &LastWindowState;
    QString &LastFile;
    QString &LastFolder;
    QRectF &SavedPlace;
    QVector<qint16> &DesignColumnWidths;
    clsLVHeaderSortIcons &SortIcons;
    // The picture of the chosen file, and which row it is.
    const PreviewPane *preview;

private:
    TrackList *list_;
};

// Tests that only look take the window as const; the probe lets them set too.
inline frmMainProbe Probe(const frmMain &window)
{
    return frmMainProbe(const_cast<frmMain &>(window));
}
