// SPDX-License-Identifier: MIT
#include "window/dialogs/frmabout.h"
#include "engine/tags/tagformats.h"
#include "support/windowidle.h"
#include "window/dialogs/frmtip.h"
#include "window/frmmain.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/globals.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/openex.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/waitpanel.h"

#include <anchorlib/anchor.h>
#include <anchorlib/designscale.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

// The real main window, offscreen: its controls, menus, keys, the close
// request and the small dialogs of the shell.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controlsStartWhereDesignedWithTheirCodes();
    void controlsFollowTheEdges();
    void menusHaveTheirCaptions();
    void firstActivation();
    void helpIsOfferedOnlyWhenFound();
    void waitPanelCentresItsLines();
    void keys();
    void closeRequest();
    void bringToFrontRestoresTheLastState();
    void aboutBox();
    void tipCanBeTurnedOff();
    void oneAboutBoxAtATime();
    void helpWithoutAViewerSaysWhereTheManualIs();
    void tipAtStartupFromTheHelpMenu();
    void minimumIsTheOuterSize();

private:
    // Opens a menu of the menu bar and chooses an entry, with the mouse.
    static void Choose(frmMain &window, QMenu *menu, QAction *entry);

    QTemporaryDir config_;
    QStringList questions_;
    int answer_ = Msg::No;
};

void TestMainWindow::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
}

void TestMainWindow::init()
{
    ShowTip = false;
    questions_.clear();
    SetMsgBoxHandler([this](const QString &prompt, int, const QString &) {
        questions_ << prompt;
        return answer_;
    });
}

void TestMainWindow::cleanup()
{
    SetMsgBoxHandler(nullptr);
    SetShellOpener(nullptr);
    QFile::remove(config_.path() + QStringLiteral("/Brisko/Brisko.ini"));
}

void TestMainWindow::controlsStartWhereDesignedWithTheirCodes()
{
    frmMain window;
    // Designed for a small font, the places grow with the one shown.
    const anchorlib::DesignScale scale(window.font());
    struct Expected
    {
        QWidget *widget;
        QRect place;
        const char *code;
    };
    const QList<Expected> expected = {
        {Probe(window).lvwMain(), {4, 44, 621, 333}, "TTTT"},
        {Probe(window).picMsg, {}, "TTTT"},
        {Probe(window).imgDisplay, {628, 44, 150, 150}, "FTTF"},
        {Probe(window).shpSizeLabels, {630, 196, 146, 41}, "FTTF"},
        {Probe(window).cmdFiles, {644, 248, 97, 25}, "FTTF"},
        {Probe(window).cmdFolder, {644, 280, 97, 25}, "FTTF"},
        {Probe(window).cmdConvert, {644, 312, 97, 25}, "FTTF"},
        {Probe(window).cmdCancel, {644, 344, 97, 25}, "FTTF"},
        {Probe(window).imgLogo, {}, "FTTF"},
        {Probe(window).picLogoContainer, {}, "FFFF"},
        {Probe(window).ProgressBar, {}, "FFFF"},
        {Probe(window).Statusbar, {}, "FFFF"},
    };
    for (const Expected &e : expected) {
        QCOMPARE(Probe(window).Anchor1->AnchorCodeOf(e.widget), QString::fromLatin1(e.code));
        if (!e.place.isNull())
            QCOMPARE(e.widget->geometry(), scale.Place(e.place));
    }
    QCOMPARE(Probe(window).cmdFiles->text(), QStringLiteral("Add Files"));
    QCOMPARE(Probe(window).cmdFolder->text(), QStringLiteral("Add Folder"));
    QCOMPARE(Probe(window).cmdConvert->text(), QStringLiteral("Resize All"));
    QCOMPARE(Probe(window).cmdCancel->text(), QStringLiteral("Stop"));
    QCOMPARE(Probe(window).lblFileSize->text(), QStringLiteral("File Size: -------"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Brisko"));
    QVERIFY(Probe(window).picMsg->isHidden());
    QVERIFY(Probe(window).ProgressBar->isHidden());
    QCOMPARE(Probe(window).Anchor1->objectName(), QStringLiteral("Anchor1"));
}

void TestMainWindow::controlsFollowTheEdges()
{
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect list = Probe(window).lvwMain()->geometry();
    const QRect picture = Probe(window).imgDisplay->geometry();
    const QRect stop = Probe(window).cmdCancel->geometry();
    const QRect bar = Probe(window).ProgressBar->geometry();
    const int logoMargin = Probe(window).picLogoContainer->width() - Probe(window).imgLogo->geometry().right();

    window.resize(window.width() + 200, window.height() + 100);
    QTRY_COMPARE(Probe(window).lvwMain()->geometry(), list.adjusted(0, 0, 200, 100));
    QCOMPARE(Probe(window).imgDisplay->geometry(), picture.translated(200, 0));
    QCOMPARE(Probe(window).cmdCancel->geometry(), stop.translated(200, 0));
    QCOMPARE(Probe(window).ProgressBar->geometry(), bar);
    // The strips span the width: the status bar stays on the bottom edge.
    QCOMPARE(Probe(window).Statusbar->width(), window.centralWidget()->width());
    QCOMPARE(Probe(window).Statusbar->geometry().bottom(), window.centralWidget()->height() - 1);
    QCOMPARE(Probe(window).picLogoContainer->width() - Probe(window).imgLogo->geometry().right(), logoMargin);

    // Never smaller than its minimum.
    window.resize(100, 100);
    QTRY_COMPARE(window.frameGeometry().size(), window.MinimumWindowSize());
}

void TestMainWindow::menusHaveTheirCaptions()
{
    frmMain window;
    // The captions as shown: the mnemonic's "&" only underlines a letter.
    QStringList bar;
    for (QAction *action : window.menuBar()->actions())
        bar << action->text().remove(u'&');
    QCOMPARE(bar, QStringList({QStringLiteral("File"), QStringLiteral("Options"), QStringLiteral("Help")}));

    const auto captions = [](QMenu *menu) {
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text().remove(u'&'));
        return texts;
    };
    QCOMPARE(captions(Probe(window).mnuFile),
             QStringList({QStringLiteral("Add Files"), QStringLiteral("Add Folder"), QStringLiteral("Resize All"),
                          QStringLiteral("Stop"), QStringLiteral("-"), QStringLiteral("Clear Clipboard"),
                          QStringLiteral("-"), QStringLiteral("Exit")}));
    QCOMPARE(captions(Probe(window).mnuOptions),
             QStringList({QStringLiteral("Reset To Default View"), QStringLiteral("-"),
                          QStringLiteral("Picture Size and Quality…"),
                          QStringLiteral("Skip If Original Smaller Than Resize"),
                          QStringLiteral("Resize Every Picture"), QStringLiteral("Front Cover First"),
                          QStringLiteral("Use Folder Picture")}));
    QCOMPARE(captions(Probe(window).mnuHelp),
             QStringList({QStringLiteral("Contents"), QStringLiteral("-"), QStringLiteral("Show Tip at Startup"),
                          QStringLiteral("About")}));
    QCOMPARE(Probe(window).mnuPopList->title(), QStringLiteral("Pop1"));
    QCOMPARE(captions(Probe(window).mnuPopList),
             QStringList({QStringLiteral("Resize Picture"), QStringLiteral("-"),
                          QStringLiteral("Change Picture | Tag"), QStringLiteral("-"),
                          QStringLiteral("Copy Album Name"), QStringLiteral("-"),
                          QStringLiteral("Play Selection"), QStringLiteral("-"),
                          QStringLiteral("Remove From List"), QStringLiteral("Select All"), QStringLiteral("-"),
                          QStringLiteral("Clear List")}));
    QVERIFY(!Probe(window).mnuClearClip->isEnabled());
    QVERIFY(Probe(window).mnuSkip->isCheckable());
    QVERIFY(!window.menuBar()->actions().contains(Probe(window).mnuPopList->menuAction()));
    QCOMPARE(Probe(window).mnuSep[7]->objectName(), QStringLiteral("mnuSep7"));
}

void TestMainWindow::firstActivation()
{
    ShowTip = true;
    frmMain window(QStringLiteral("/300"));
    QSignalSpy activated(&window, &frmMain::FirstActivated);
    window.show();
    QVERIFY(activated.wait());
    QCOMPARE(Probe(window).Statusbar->PanelText(1), QStringLiteral("Add Files"));
    QCOMPARE(Probe(window).Statusbar->PanelText(2), QStringLiteral("Resize Manually Set  Size:300  Quality:80"));
    QVERIFY(!Probe(window).Statusbar->PanelVisible(4));
    QCOMPARE(int(Probe(window).SortColumn), 1);
    QVERIFY(!Probe(window).imgDisplay->Picture().isNull());
    auto *tip = window.findChild<frmTip *>();
    QVERIFY(tip && tip->isVisible());
    QVERIFY(!tip->isModal());

    // Activating again does not run it twice.
    window.hide();
    window.show();
    QTest::qWait(20);
    QCOMPARE(activated.count(), 1);
    Probe(window).CustomValues = false;
}

void TestMainWindow::helpIsOfferedOnlyWhenFound()
{
    frmMain window;
    const bool found = !frmMain::HelpFilePath().isEmpty();
    QVERIFY2(found, "the build puts the manual beside the program");
    QVERIFY(Probe(window).mnuHelpCont->isVisible());
    QVERIFY(Probe(window).mnuSep[2]->isVisible());
    QVERIFY(frmMain::HelpFilePath().endsWith(QLatin1String("/share/brisko/help/index.html")));

    QList<QUrl> opened;
    SetShellOpener([&opened](const QUrl &url) {
        opened << url;
        return true;
    });
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window)); // keys reach only the active window
    Probe(window).mnuHelpCont->trigger();
    QTest::keyClick(Probe(window).lvwMain(), Qt::Key_F1);
    QCOMPARE(opened.size(), 2);
    QCOMPARE(opened.first(), QUrl::fromLocalFile(frmMain::HelpFilePath()));
}

void TestMainWindow::waitPanelCentresItsLines()
{
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.ShowWaitPanel(true, QStringLiteral("Reading files\r\nPlease wait"));
    QVERIFY(Probe(window).picMsg->isVisible());
    QCOMPARE(Probe(window).picMsg->geometry(), Probe(window).lvwMain()->geometry());
    QCOMPARE(Probe(window).picMsg->Lines(), QStringList({QStringLiteral("Reading files"), QStringLiteral("Please wait")}));
    const QFontMetrics typewriter(Probe(window).picMsg->font());
    QCOMPARE(typewriter.horizontalAdvance(QStringLiteral("iiii")),
             typewriter.horizontalAdvance(QStringLiteral("MMMM")));

    // After a resize the panel follows the list and keeps its text.
    window.resize(window.width() + 120, window.height() + 60);
    QTRY_COMPARE(Probe(window).picMsg->geometry(), Probe(window).lvwMain()->geometry());
    QCOMPARE(Probe(window).picMsg->Lines().first(), QStringLiteral("Reading files"));

    // The lines are drawn centred, starting at half the height.
    const QImage shot = Probe(window).picMsg->grab().toImage();
    int top = shot.height(), left = shot.width(), right = 0;
    const QRgb background = shot.pixel(1, 1);
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) != background) {
                top = qMin(top, y);
                left = qMin(left, x);
                right = qMax(right, x);
            }
    QVERIFY(qAbs(top - shot.height() / 2) <= 6);
    QVERIFY(qAbs((left + right) / 2 - shot.width() / 2) <= 6);

    window.ShowWaitPanel(false);
    QVERIFY(Probe(window).picMsg->isHidden());
}

void TestMainWindow::keys()
{
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyPress(Probe(window).lvwMain(), Qt::Key_Shift, Qt::ShiftModifier);
    QVERIFY(Probe(window).ShiftDown);
    QTest::keyRelease(Probe(window).lvwMain(), Qt::Key_Shift);
    QVERIFY(!Probe(window).ShiftDown);

    ShowTip = false;
    QTest::keyClick(Probe(window).lvwMain(), Qt::Key_F1, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    QVERIFY(!ShowTip);
    QTest::keyClick(Probe(window).lvwMain(), Qt::Key_F1, Qt::ControlModifier | Qt::AltModifier);
    QVERIFY(ShowTip);
}

void TestMainWindow::closeRequest()
{
    frmMain window(QStringLiteral("/300"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    Probe(window).EditorOpen = true;
    QVERIFY(!window.close());
    QVERIFY(questions_.isEmpty());
    Probe(window).EditorOpen = false;

    Probe(window).OperationRunning = true;
    answer_ = Msg::No;
    QVERIFY(!window.close());
    QVERIFY(!Probe(window).StopRequested);
    answer_ = Msg::Yes;
    QVERIFY(!window.close());
    QVERIFY(Probe(window).StopRequested);
    QCOMPARE(questions_, QStringList(2, QStringLiteral("Do you want to stop the current operation.")));
    Probe(window).OperationRunning = false;

    questions_.clear();
    answer_ = Msg::No;
    Probe(window).mnuExit->trigger();
    QVERIFY(!window.isVisible());
    QCOMPARE(questions_, QStringList(QStringLiteral("Do you want to save the custom resize and quality "
                                                    "values as the new default settings.")));
    QVERIFY(QFile::exists(config_.path() + QStringLiteral("/Brisko/Brisko.ini")));

    // Logging off closes at once, even during an operation.
    questions_.clear();
    frmMain busy;
    busy.show();
    Probe(busy).OperationRunning = true;
    busy.CloseForShutdown();
    QVERIFY(!busy.isVisible());
    QVERIFY(questions_.isEmpty());
    QVERIFY(Probe(busy).StopRequested); // the operation ends after the file in hand
}

void TestMainWindow::bringToFrontRestoresTheLastState()
{
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.showMaximized();
    QTRY_COMPARE(Probe(window).LastWindowState, int(frmMain::StateMaximized));
    window.showMinimized();
    QTRY_COMPARE(window.WindowStateNumber(), int(frmMain::StateMinimized));
    QCOMPARE(Probe(window).LastWindowState, int(frmMain::StateMaximized));
    window.BringToFront();
    QTRY_COMPARE(window.WindowStateNumber(), int(frmMain::StateMaximized));

    window.showNormal();
    window.showMinimized();
    window.BringToFront();
    QTRY_COMPARE(window.WindowStateNumber(), int(frmMain::StateNormal));
}

void TestMainWindow::aboutBox()
{
    frmMain window;
    Probe(window).mnuAbout->trigger();
    auto *about = window.findChild<frmAbout *>();
    QVERIFY(about && about->isVisible() && !about->isModal());
    QCOMPARE(about->windowTitle(), QStringLiteral("About Brisko"));
    QCOMPARE(about->lblTitle->text(), QStringLiteral("Brisko"));
    QCOMPARE(about->lblVersion->text(), QStringLiteral("Version " BRISKO_VERSION));
    QVERIFY(QRegularExpression(QStringLiteral("^Version \\d+\\.\\d+\\.\\d+$")).match(about->lblVersion->text()).hasMatch());
    QVERIFY(about->lblDescription->text().endsWith(QLatin1String("Questions or comments contact")));
    // It names every kind of file the window takes, not MP3 alone.
    for (const MusicFormat &format : MusicFormats())
        QVERIFY2(about->lblDescription->text().contains(QLatin1String(format.name)), format.name);

    QUrl mailed;
    SetShellOpener([&mailed](const QUrl &url) {
        mailed = url;
        return false; // no mail program
    });
    QTest::mouseClick(about->lblContact, Qt::LeftButton);
    QCOMPARE(mailed.toString(), QStringLiteral("mailto:") + frmAbout::SupportAddress() + QStringLiteral("?subject=Brisko"));
    QCOMPARE(questions_, QStringList(QStringLiteral("Unable to find your e-mail application.")));
    about->cmdOK->click();
}

void TestMainWindow::tipCanBeTurnedOff()
{
    frmMain window;
    ShowTip = true;
    auto *tip = new frmTip(&window);
    QCOMPARE(tip->lblTipHeader->text(), QStringLiteral("Did you know..."));
    QVERIFY(tip->lblTipText->text().contains(QLatin1String("added.             For more")));
    QCOMPARE(tip->chkLoadTipsAtStartup->text(), QStringLiteral("Don't Show This Again"));
    QVERIFY(!tip->chkLoadTipsAtStartup->isChecked());
    tip->show();
    tip->cmdOK->click();
    QVERIFY(ShowTip); // unticked: still shown next time

    tip = new frmTip(&window);
    tip->show();
    tip->chkLoadTipsAtStartup->setChecked(true);
    tip->cmdOK->click();
    QVERIFY(!ShowTip);
}

void TestMainWindow::Choose(frmMain &window, QMenu *menu, QAction *entry)
{
    QMenuBar *bar = window.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    QTRY_VERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
    QTRY_VERIFY(!menu->isVisible());
}

// A second "About" brings the open box to the front instead of another one.
void TestMainWindow::oneAboutBoxAtATime()
{
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Choose(window, Probe(window).mnuHelp, Probe(window).mnuAbout);
    QTRY_COMPARE(window.findChildren<frmAbout *>().size(), 1);
    frmAbout *first = window.findChild<frmAbout *>();
    QVERIFY(first->isVisible());
    Choose(window, Probe(window).mnuHelp, Probe(window).mnuAbout);
    QCOMPARE(window.findChildren<frmAbout *>(), QList<frmAbout *>{first});

    // Once closed, "About" opens it again.
    QTest::mouseClick(first->cmdOK, Qt::LeftButton);
    QTRY_VERIFY(window.findChildren<frmAbout *>().isEmpty());
    Choose(window, Probe(window).mnuHelp, Probe(window).mnuAbout);
    QTRY_COMPARE(window.findChildren<frmAbout *>().size(), 1);
    QVERIFY(window.findChild<frmAbout *>()->isVisible());
}

void TestMainWindow::helpWithoutAViewerSaysWhereTheManualIs()
{
    SetShellOpener([](const QUrl &) { return false; });
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    Choose(window, Probe(window).mnuHelp, Probe(window).mnuHelpCont);
    QTest::keyClick(Probe(window).lvwMain(), Qt::Key_F1);
    const QString expected = QStringLiteral("No program could be started to show the manual. It is the file\n")
        + frmMain::HelpFilePath();
    QCOMPARE(questions_, QStringList(2, expected));
}

// Ctrl+Alt+F1 is taken by the desktop for its text consoles: the Help menu
// offers the same setting.
void TestMainWindow::tipAtStartupFromTheHelpMenu()
{
    ShowTip = true;
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(Probe(window).mnuShowTip->isCheckable());
        QCOMPARE(Probe(window).mnuShowTip->text().remove(u'&'), QStringLiteral("Show Tip at Startup"));
        Choose(window, Probe(window).mnuHelp, Probe(window).mnuShowTip);
        QVERIFY(!ShowTip);
        QVERIFY(!Probe(window).mnuShowTip->isChecked());

        // Whatever else changed the setting, the menu shows it when opened.
        ShowTip = true;
        QMenuBar *bar = window.menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(Probe(window).mnuHelp->menuAction()).center());
        QTRY_VERIFY(Probe(window).mnuHelp->isVisible());
        QVERIFY(Probe(window).mnuShowTip->isChecked());
        Probe(window).mnuHelp->close();
        ShowTip = false;
        Choose(window, Probe(window).mnuHelp, Probe(window).mnuShowTip);
        QVERIFY(ShowTip);
        QVERIFY(window.close());
    }
    ShowTip = false;
    frmMain again; // the setting was stored on closing
    QVERIFY(ShowTip);
}

// The limiter keeps the outer window, frame included, at its designed minimum.
void TestMainWindow::minimumIsTheOuterSize()
{
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY2(window.frameGeometry().size() != window.size(), "the platform draws no frame");
    window.resize(100, 100);
    QTRY_COMPARE(window.frameGeometry().size(), window.MinimumWindowSize());
}

QTEST_MAIN(TestMainWindow)
#include "tst_frmmain.moc"
