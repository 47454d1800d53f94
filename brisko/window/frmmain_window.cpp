// SPDX-License-Identifier: MIT
// The main window's frame: command line, help, keys, resizing, bringing it to
// the front, the wait panel and the close request.
#include "window/frmmain.h"

#include "base/errorlog.h"
#include "base/translation.h"
#include "engine/convert/cmdline.h"
#include "window/previewpane.h"
#include "window/dialogs/frmabout.h"
#include "window/dialogs/frmtip.h"
#include "window/widgets/artwork.h"
#include "window/widgets/globals.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/openex.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/unexpectederror.h"
#include "window/widgets/waitpanel.h"

#include <anchorlib/designscale.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScreen>
#include <QLabel>
#include <QTimer>

void frmMain::ReportUnexpected(const QString &procedure, const QString &description)
{
    ::ReportUnexpected(procedure, description, this);
}

void frmMain::ProcessCmdLine()
{
    const ResizeSwitches switches = ReadResizeSwitches(commandLine_, TargetSize, Quality);
    TargetSize = switches.targetSize;
    Quality = switches.quality;
    if (switches.customValues)
        CustomValues = true;
    Statusbar->SetPanelText(2, ShownText(switches.panelText));
}

QString frmMain::HelpFilePath()
{
    const QString path = QDir::cleanPath(QCoreApplication::applicationDirPath()
                                         + QStringLiteral("/../share/brisko/help/index.html"));
    return QFileInfo(path).isFile() ? path : QString();
}

void frmMain::HelpFileCheck()
{
    helpFile_ = HelpFilePath();
    const bool found = !helpFile_.isEmpty();
    mnuSep[2]->setVisible(found);
    mnuHelpCont->setVisible(found);
}

void frmMain::ShowHelp()
{
    if (helpFile_.isEmpty() || ShellOpenFile(this, helpFile_))
        return;
    MsgBox(tr("No program could be started to show the manual. It is the file\n%1").arg(helpFile_),
           Msg::Information, QString(), this);
}

void frmMain::ShowAbout()
{
    if (!about_)
        about_ = new frmAbout(this);
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void frmMain::ShowWaitPanel(bool show, const QString &text, bool keepText)
{
    if (!show) {
        picMsg->hide();
        return;
    }
    if (!keepText) {
        waitText_ = text;
        picMsg->raise();
        picMsg->setGeometry(lvwMain_->geometry());
    }
    picMsg->SetText(waitText_);
    picMsg->show();
    picMsg->repaint();
}

int frmMain::WindowStateNumber() const
{
    if (windowState() & Qt::WindowMinimized)
        return StateMinimized;
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return StateMaximized;
    return StateNormal;
}

void frmMain::BringToFront()
{
    setWindowState(LastWindowState == StateMaximized ? Qt::WindowMaximized : Qt::WindowNoState);
    show();
    raise();
    activateWindow();
}

void frmMain::CloseForShutdown()
{
    shuttingDown_ = true;
    close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Logging off ends a running operation after the file in hand.
    if (shuttingDown_) {
        RequestStop();
    } else {
        if (EditorOpen) {
            event->ignore();
            return;
        }
        if (OperationRunning) {
            if (MsgBox(tr("Do you want to stop the current operation."),
                       Msg::YesNo | Msg::Question, QString(), this)
                == Msg::Yes)
                RequestStop();
            event->ignore();
            return;
        }
        if (CustomValues
            && MsgBox(tr("Do you want to save the custom resize and quality values as "
                         "the new default settings."),
                      Msg::YesNo | Msg::Question | Msg::DefaultButton2, QString(), this)
                   == Msg::Yes)
            CustomValues = false;
    }
    if (!settingsSaved_) {
        settingsSaved_ = true;
        SaveSettings();
    }
    event->accept();
}

void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!activated_) {
        activated_ = true;
        // After the window is on screen, as its first activation.
        QTimer::singleShot(0, this, &frmMain::FirstActivation);
    }
}

void frmMain::FirstActivation()
{
    placePending_ = !RestorePending && WindowStateNumber() == StateNormal && !SavedPlace.isEmpty();
    PlaceWhenFrameKnown();
    // A desktop without a window manager never draws a frame.
    QTimer::singleShot(2000, this, [this] { placePending_ = false; });
    if (ShowTip)
        (new frmTip(this))->show();
    SortByColumn(1);
    imgDisplay->SetPicture(LogoPicture(150, palette()));
    Statusbar->SetPanelText(1, tr("Add Files"));
    lvwMain_->setFocus(); // the keys work on the list from the start
    emit FirstActivated();
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResized();
    PlaceWhenFrameKnown();
}

void frmMain::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    PlaceWhenFrameKnown();
}

// The stored size is the outer window's: once the frame is known, the inner
// size is made to fit it, so the window does not grow by its frame each run.
void frmMain::PlaceWhenFrameKnown()
{
    FitMinimumToFrame();
    if (!placePending_ || frameGeometry().size() == geometry().size())
        return;
    placePending_ = false;
    PlaceWindow(SavedPlace);
}

QSize frmMain::MinimumWindowSize() const
{
    const QSize designed(790, 455);
    const QSize scaled = anchorlib::DesignScale(font()).Size(designed);
    const QScreen *shown = screen();
    return shown ? scaled.boundedTo(shown->availableSize()).expandedTo(designed) : scaled;
}

void frmMain::FitMinimumToFrame()
{
    const QSize frame = isVisible() ? frameGeometry().size() - geometry().size() : QSize(0, 0);
    const QSize minimum = MinimumWindowSize() - frame;
    if (minimumSize() != minimum)
        setMinimumSize(minimum);
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        FormResized();
    else if (event->type() == QEvent::PaletteChange)
        RedrawArtwork();
    else if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        ShiftDown = false; // the Shift release goes to another window
}

// A theme switched while the program runs: the logo and the "No Picture"
// card are drawn again in its colours.
void frmMain::RedrawArtwork()
{
    if (!activated_) // drawn at start in the colours of that time
        return;
    imgLogo->setPixmap(QPixmap::fromImage(LogoBanner(LogoHeight(), palette())));
    if (OperationRunning)
        return;
    preview_->Redraw();
}

int frmMain::LogoHeight() const
{
    return qMin(imgLogo->height(), imgLogo->width() / 4);
}

void frmMain::FormResized()
{
    const int state = WindowStateNumber();
    if (RestorePending && state == StateNormal) {
        RestorePending = false;
        PlaceWindow(SavedPlace);
    }
    if (state != StateMinimized)
        LastWindowState = state;
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        && watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == this
        && PreviewKey(event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

// Keys the window handles before its controls: Shift for the list's range
// selection, Ctrl+Alt+F1 to show the tip again at next start. (F1 is the
// shortcut of Help > Contents.)
bool frmMain::PreviewKey(QEvent *event)
{
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool press = event->type() == QEvent::KeyPress;
    if (key->key() == Qt::Key_Shift) {
        ShiftDown = press;
        if (!press && followOnShiftUp_)
            FollowCurrentRow(); // a range chosen with Shift and the arrows
        return false;
    }
    const Qt::KeyboardModifiers held =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (key->key() == Qt::Key_F1 && !press && held == (Qt::ControlModifier | Qt::AltModifier)) {
        ShowTip = true;
        return true;
    }
    return false;
}

void frmMain::ShowPicOnDemand(const QString &path, bool tellVolumeGone)
{
    preview_->ShowPicOnDemand(path, tellVolumeGone);
}
