// SPDX-License-Identifier: MIT
#include "window/frmmain.h"

#include "engine/convert/workerpool.h"
#include "engine/pictures/artcache.h"
#include "engine/pictures/pictureencoder.h"
#include "window/backgroundjobs.h"
#include "window/conversionrun.h"
#include "window/previewpane.h"
#include "window/tagchangerun.h"
#include "window/widgets/artwork.h"
#include "window/widgets/buttonaction.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/formsurface.h"
#include "window/widgets/globals.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/waitpanel.h"

#include <anchorlib/anchor.h>
#include <anchorlib/designscale.h>

#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace {

// The client area as designed, in pixels (11730 x 5985 twips).
constexpr QSize DesignedClientSize(782, 399);

// Puts a control at its place (pixels) with its anchor code.
template <typename Widget>
Widget *Place(Widget *widget, const char *name, const QRect &place, const char *code)
{
    widget->setObjectName(QLatin1String(name));
    if constexpr (std::is_base_of_v<QWidget, Widget>) {
        if (!place.isNull())
            widget->setGeometry(place);
    }
    if (code)
        widget->setProperty("Tag", QString(QLatin1String(code) + QStringLiteral("*/")));
    return widget;
}

} // namespace

frmMain::frmMain(const QString &commandLine, QWidget *parent)
    : QMainWindow(parent)
    // Each worker converts an album of its own (one a core unless the user
    // chose otherwise): its art stays in the cache while it works on it.
    , artCache_(new ArtCache(ArtCache::ForWorkers(WorkerPool::DefaultThreads())))
    , encoder_(std::make_unique<PictureEncoder>(artCache_.get()))
    , jobs_(new BackgroundJobs(this))
    , commandLine_(commandLine)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ProgramTitle());
    setWindowIcon(AppIcon());
    CreateControls();
    preview_ = std::make_unique<PreviewPane>(lvwMain_, PreviewPane::Controls{imgDisplay, lblSize, lblFileSize, imgPNG},
                                             volumeOfPath_, this);
    conversion_ = std::make_unique<ConversionRun>(RunParts(), artCache_.get());
    tagChange_ = std::make_unique<TagChangeRun>(RunParts(), *encoder_);
    CreateMenus();
    lvwMain_->SetRowMenu(mnuPopList, mnuManConvert);
    ConnectCommands();
    const QSize client = anchorlib::DesignScale(font()).Size(DesignedClientSize);
    resize(client.width(), client.height() + menuBar()->sizeHint().height());
    qApp->installEventFilter(this); // keys reach the window before its controls
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { shuttingDown_ = true; });

    // The load steps, in their order.
    Anchor1->DoInit();
    SortIcons.SetListView(lvwMain_);
    SortIcons.SetIcoIndexAsc(1);
    SortIcons.SetIcoIndexDes(2);
    setMinimumSize(MinimumWindowSize());
    LoadSettings();
    ProcessCmdLine();
    HelpFileCheck();
}


void frmMain::CreateControls()
{
    // The places were designed for a small font: they grow with the one shown.
    const anchorlib::DesignScale scale(font());
    const auto at = [&scale](const QRect &designed) { return scale.Place(designed); };
    surface = new FormSurface(this);
    surface->setObjectName(QStringLiteral("surface"));
    setCentralWidget(surface);

    lvwMain_ = Place(new TrackList(surface), "lvwMain", at({4, 44, 621, 333}), "TTTT");
    lvwMain_->setAccessibleName(tr("Track list"));
    lvwMain_->setAccessibleDescription(
        tr("One row for each music file added: its name, picture sizes, status and tags"));
    connect(lvwMain_->header(), &QHeaderView::sectionClicked, this,
            [this](int logicalIndex) { ColumnHeadingClicked(logicalIndex + 1); });

    picMsg = Place(new WaitPanel(surface), "picMsg", {}, "TTTT");
    picMsg->hide();

    imgDisplay = Place(new PictureScaler(surface), "imgDisplay", at({628, 44, 150, 150}), "FTTF");
    imgDisplay->setAccessibleName(tr("Album art"));
    imgDisplay->setAccessibleDescription(
        tr("The picture of the file chosen in the track list, with its sizes below"));
    shpSizeLabels = Place(new QFrame(surface), "shpSizeLabels", at({630, 196, 146, 41}), "FTTF");
    shpSizeLabels->setFrameShape(QFrame::Box);
    shpSizeLabels->setFrameShadow(QFrame::Sunken);
    lblSize = Place(new QLabel(tr("Image Size W x H"), surface), "lblSize",
                    at({636, 199, 136, 17}), "FTTF");
    lblFileSize = Place(new QLabel(tr("File Size: -------"), surface), "lblFileSize",
                        at({636, 216, 136, 17}), "FTTF");
    for (QLabel *label : {lblSize, lblFileSize})
        label->setAlignment(Qt::AlignCenter);

    cmdFiles = Place(new QPushButton(tr("Add Files"), surface), "cmdFiles",
                     at({644, 248, 97, 25}), "FTTF");
    cmdFolder = Place(new QPushButton(tr("Add Folder"), surface), "cmdFolder",
                      at({644, 280, 97, 25}), "FTTF");
    cmdConvert = Place(new QPushButton(tr("Resize All"), surface), "cmdConvert",
                       at({644, 312, 97, 25}), "FTTF");
    cmdCancel = Place(new QPushButton(tr("Stop"), surface), "cmdCancel",
                      at({644, 344, 97, 25}), "FTTF");
    cmdCancel->setIcon(StopPicture(false));
    // Longer captions (German's) widen their button about its middle, within
    // the picture's column.
    const QRect column = imgDisplay->geometry();
    for (QPushButton *button : {cmdFiles, cmdFolder, cmdConvert, cmdCancel}) {
        const int wanted = qMin(button->sizeHint().width(), column.width());
        if (wanted <= button->width())
            continue;
        QRect place = button->geometry();
        place.setWidth(wanted);
        place.moveCenter(button->geometry().center());
        place.moveLeft(qBound(column.left(), place.left(), column.right() + 1 - wanted));
        button->setGeometry(place);
    }

    picLogoContainer = Place(new QFrame(surface), "picLogoContainer", at({0, 0, 782, 33}), "FFFF");
    surface->AlignTop(picLogoContainer);
    imgLogo = Place(new QLabel(picLogoContainer), "imgLogo", at({658, 2, 120, 30}), "FTTF");
    imgLogo->setPixmap(QPixmap::fromImage(LogoBanner(LogoHeight(), palette())));
    imgLogo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    imgLogo->setAccessibleName(ProgramTitle());

    ProgressBar = Place(new DeRezovivAvo(picLogoContainer), "DeRezovivAvo", at({402, 4, 141, 18}),
                        "FFFF");
    ProgressBar->hide();

    Statusbar = Place(new StatusPanels(surface), "Statusbar", at({0, 376, 782, 23}), "FFFF");
    surface->AlignBottom(Statusbar);

    // The PNG marker sits in the preview's corner and moves with it.
    imgPNG = Place(new QLabel(surface), "imgPNG", at({738, 172, 34, 16}), "FTTF");
    imgPNG->setPixmap(QPixmap::fromImage(PngMarker()));
    imgPNG->setAccessibleName(tr("PNG"));
    imgPNG->setAccessibleDescription(tr("The file keeps its album art as PNG"));
    imgPNG->hide();

    tmrReplace = Place(new QTimer(this), "tmrReplace", {}, nullptr);
    tmrDnD = Place(new QTimer(this), "tmrDnD", {}, nullptr);
    // The deferred steps run on their own event, after the one that asked.
    for (QTimer *timer : {tmrReplace, tmrDnD})
        timer->setSingleShot(true);
    tmrReplace->setInterval(1);
    tmrDnD->setInterval(100);

    Anchor1 = new anchorlib::Anchor(surface);
}

frmMain::~frmMain()
{
    qApp->removeEventFilter(this);
    // The files in hand finish while the window is still whole; what they
    // found is not shown any more.
    RequestStop();
    jobs_->Abandon();
    preview_.reset();
}

RowRunParts frmMain::RunParts()
{
    RowRunParts parts;
    parts.list = lvwMain_;
    parts.volumes = &volumeOfPath_;
    parts.jobs = jobs_;
    parts.progressBar = ProgressBar;
    parts.statusbar = Statusbar;
    parts.preview = preview_.get();
    parts.stopRequested = &StopRequested;
    parts.window = this;
    return parts;
}

void frmMain::ConnectCommands()
{
    connect(cmdFiles, &QPushButton::clicked, this, [this] {
        if (!OperationRunning)
            GetAddFiles();
    });
    connect(cmdConvert, &QPushButton::clicked, this, [this] {
        if (!OperationRunning)
            Resizing(false);
    });
    connect(cmdCancel, &QPushButton::clicked, this, &frmMain::RequestStop);
    connect(cmdFolder, &QPushButton::clicked, this, [this] {
        if (!OperationRunning)
            GetCopyFolder();
    });

    connect(lvwMain_, &TrackList::MouseReleased, this, &frmMain::ListMouseReleased);
    connect(lvwMain_, &TrackList::DragOver, this, &frmMain::ListDragOver);
    connect(lvwMain_, &TrackList::Dropped, this, [this](QDropEvent *event) {
        if (OperationRunning)
            return;
        DragDropProcess(event->mimeData());
        ListDragOver(event); // the same answer as while it was dragged
    });
    connect(tmrDnD, &QTimer::timeout, this, &frmMain::tmrDnD_Timer);

    connect(mnuManConvert, &QAction::triggered, this, [this] { Resizing(true); });
    // The dialog opens after the menu has closed, never from inside it.
    connect(mnuReplace, &QAction::triggered, tmrReplace, qOverload<>(&QTimer::start));
    connect(tmrReplace, &QTimer::timeout, this, [this] {
        tmrReplace->stop();
        // The dialog shows the chosen file's picture: it waits for its preview.
        if (preview_->Pending()) {
            tmrReplace->start();
            return;
        }
        ReplacePicture();
    });
    connect(mnuClearClip, &QAction::triggered, this, &frmMain::ClearKeptPicture);
    connect(mnuCopyName, &QAction::triggered, this, &frmMain::CopyAlbumName);
    connect(mnuPopupPlay, &QAction::triggered, this, &frmMain::PlaySelection);
    connect(mnuRemove, &QAction::triggered, this, &frmMain::RemoveSelected);
    connect(mnuClear, &QAction::triggered, this, &frmMain::ClearList);
    connect(mnuSetColumns, &QAction::triggered, this, &frmMain::ResetDefaultView);
    connect(mnuSizeQuality, &QAction::triggered, this, &frmMain::ChooseSizeAndQuality);
    connect(mnuSelectAll_, &QAction::triggered, lvwMain_, &QTreeWidget::selectAll);
    connect(rowMenuKey_, &QAction::triggered, this, [this] {
        if (!OperationRunning)
            lvwMain_->PopUpRowMenuAtCurrentRow();
    });
    connect(lvwMain_, &TrackList::CurrentRowMovedByKey, this, &frmMain::FollowCurrentRow);
}

void frmMain::CreateMenus()
{
    // Captions carry their mnemonic ("&"); the menus show them underlined.
    const auto entry = [this](QMenu *menu, const char *name, const QString &caption,
                              const QKeySequence &shortcut = QKeySequence()) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        return action;
    };
    const auto separator = [this](QMenu *menu, int number) {
        mnuSep[number] = menu->addSeparator();
        mnuSep[number]->setObjectName(QStringLiteral("mnuSep%1").arg(number));
    };
    const auto menu = [this](const char *name, const QString &caption) {
        auto *m = new QMenu(caption, this);
        m->setObjectName(QLatin1String(name));
        return m;
    };

    mnuFile = menu("mnuFile", tr("&File"));
    // The buttons' commands, for the keyboard.
    mnuAddFiles_ = entry(mnuFile, "mnuAddFiles", tr("&Add Files"), Qt::CTRL | Qt::Key_O);
    PressesButton(mnuAddFiles_, cmdFiles);
    mnuAddFolder_ = entry(mnuFile, "mnuAddFolder", tr("Add F&older"),
                          Qt::CTRL | Qt::SHIFT | Qt::Key_O);
    PressesButton(mnuAddFolder_, cmdFolder);
    mnuConvert_ = entry(mnuFile, "mnuConvert", tr("&Resize All"), Qt::CTRL | Qt::Key_R);
    PressesButton(mnuConvert_, cmdConvert);
    mnuCancel_ = entry(mnuFile, "mnuCancel", tr("&Stop"), Qt::Key_Escape);
    PressesButton(mnuCancel_, cmdCancel);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuSepButtons"));
    mnuClearClip = entry(mnuFile, "mnuClearClip", tr("&Clear Clipboard"));
    mnuClearClip->setEnabled(false);
    separator(mnuFile, 0);
    mnuExit = entry(mnuFile, "mnuExit", tr("E&xit"), Qt::CTRL | Qt::Key_Q);
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);

    mnuOptions = menu("mnuOptions", tr("&Options"));
    mnuSetColumns = entry(mnuOptions, "mnuSetColumns", tr("&Reset To Default View"));
    separator(mnuOptions, 1);
    mnuSizeQuality = entry(mnuOptions, "mnuSizeQuality", tr("&Picture Size and Quality…"));
    mnuSkip = entry(mnuOptions, "mnuSkip", tr("&Skip If Original Smaller Than Resize"));
    mnuSkip->setCheckable(true);
    // Players that show the front cover find it resized too when it is not picture 1.
    mnuAllPictures = entry(mnuOptions, "mnuAllPictures", tr("Resize &Every Picture"));
    mnuAllPictures->setCheckable(true);
    // Players show the first picture, whatever its type.
    mnuFrontCoverFirst = entry(mnuOptions, "mnuFrontCoverFirst", tr("&Front Cover First"));
    mnuFrontCoverFirst->setCheckable(true);
    // Car units and some players show embedded art only, never cover.jpg.
    mnuFolderPicture = entry(mnuOptions, "mnuFolderPicture", tr("&Use Folder Picture"));
    mnuFolderPicture->setCheckable(true);

    mnuHelp = menu("mnuHelp", tr("&Help"));
    mnuHelpCont = entry(mnuHelp, "mnuHelpCont", tr("&Contents"), Qt::Key_F1);
    mnuHelpCont->setAutoRepeat(false);
    // The tip says to press F1: it works in the tip and the about box too.
    mnuHelpCont->setShortcutContext(Qt::ApplicationShortcut);
    mnuHelpCont->setVisible(false);
    connect(mnuHelpCont, &QAction::triggered, this, &frmMain::ShowHelp);
    separator(mnuHelp, 2);
    mnuSep[2]->setVisible(false);
    // The desktop takes Ctrl+Alt+F1 for its text consoles: the setting is
    // offered here too.
    mnuShowTip = entry(mnuHelp, "mnuShowTip", tr("Show &Tip at Startup"));
    mnuShowTip->setCheckable(true);
    connect(mnuHelp, &QMenu::aboutToShow, this, [this] { mnuShowTip->setChecked(ShowTip); });
    connect(mnuShowTip, &QAction::triggered, this, [](bool checked) { ShowTip = checked; });
    mnuAbout = entry(mnuHelp, "mnuAbout", tr("&About"));
    connect(mnuAbout, &QAction::triggered, this, &frmMain::ShowAbout);

    // The track list's context menu; never on the menu bar.
    mnuPopList = menu("mnuPopList", QStringLiteral("Pop1"));
    mnuManConvert = entry(mnuPopList, "mnuManConvert", tr("&Resize Picture"));
    separator(mnuPopList, 3);
    mnuReplace = entry(mnuPopList, "mnuReplace", tr("&Change Picture | Tag"));
    separator(mnuPopList, 4);
    mnuCopyName = entry(mnuPopList, "mnuCopyName", tr("Copy Album &Name"));
    separator(mnuPopList, 5);
    mnuPopupPlay = entry(mnuPopList, "mnuPopupPlay", tr("&Play Selection"));
    separator(mnuPopList, 6);
    mnuRemove = entry(mnuPopList, "mnuRemove", tr("Re&move From List"), Qt::Key_Delete);
    mnuSelectAll_ = entry(mnuPopList, "mnuSelectAll", tr("Select &All"), Qt::CTRL | Qt::Key_A);
    separator(mnuPopList, 7);
    mnuClear = entry(mnuPopList, "mnuClear", tr("C&lear List"));

    // The menu key and Shift+F10 open the row menu from the keyboard.
    rowMenuKey_ = new QAction(this);
    rowMenuKey_->setObjectName(QStringLiteral("rowMenuKey"));
    rowMenuKey_->setShortcuts({QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)});
    // The list's keys work while it has the focus, and not while it is locked.
    for (QAction *action : {mnuRemove, mnuSelectAll_, rowMenuKey_}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        lvwMain_->addAction(action);
    }

    for (QMenu *m : {mnuFile, mnuOptions, mnuHelp})
        menuBar()->addMenu(m);
}
