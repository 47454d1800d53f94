// SPDX-License-Identifier: MIT
#include "engine/convert/artconversion.h"
#include "engine/convert/filerewrite.h"
#include "engine/convert/folderwalk.h"
#include "engine/tags/tagformats.h"
#include "support/messageboxes.h"
#include "support/mp3fixture.h"
#include "support/testfiles.h"
#include "support/testpictures.h"
#include "support/windowidle.h"
#include "support/workergate.h"
#include "window/backgroundjobs.h"
#include "window/frmmain.h"
#include "window/widgets/artwork.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/folderbrowser.h"
#include "window/widgets/globals.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/openex.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/waitpanel.h"

#include <QAction>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Mp3Fixture;

// Adding folders, dropping files and folders on the list, and the list's
// commands, through the real main window offscreen on real files. The folder
// dialog, message boxes and the desktop's opener are answered by the tests.
class TestIntake : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void walkOrderAndNames();
    void walkSurvivesLoopsAndOddEntries();
    void addFolderButton();
    void emptyTreeCancelAndStop();
    void droppedFolderOrFiles();
    void dropsThatAddNothing();
    void namesThatCannotBeShown();
    void dropJustBeforeResizeAllWaitsForTheRun();
    void rowClicksShowPictures();
    void contextMenuEnabling();
    void removeAndClear();
    void previewEmptiedByRemoveAndClear();
    void albumNamePlayAndResetView();

private:
    QString Path(const QString &relative) const { return dir_->path() + u'/' + relative; }
    QString Mp3(const QString &relative, int side = 0, const QString &album = QString()) const;
    void MakeFolder(const QString &relative) const { QVERIFY(QDir().mkpath(Path(relative))); }
    // Drags urls over the list and drops them; returns the action the list
    // answered while they were dragged (IgnoreAction: refused).
    static Qt::DropAction DragAndDrop(frmMain &window, const QList<QUrl> &urls, QMimeData *data = nullptr,
                                      bool onRows = true);
    static QStringList ListedPaths(const frmMain &window);
    // A drop is taken in when its timer comes due, then read on workers that
    // hand in rows one at a time: waits until that whole intake has ended,
    // however slowly a busy machine runs it.
    static bool WaitForDropIntake(const frmMain &window);
    static void ClickRow(frmMain &window, int position, Qt::MouseButton button = Qt::LeftButton,
                         bool waitForPreview = true);
    // Right-clicks a row and chooses an entry of the context menu with the mouse.
    static void ChooseForRow(frmMain &window, int position, QAction *entry);

    std::unique_ptr<QTemporaryDir> dir_;
    QTemporaryDir config_;
    QStringList messages_;
    QString browserStart_;
    QString browserPrompt_;
};

void TestIntake::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
}

void TestIntake::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    ShowTip = false;
    CollectMessageBoxes(&messages_);
}

void TestIntake::cleanup()
{
    SetMsgBoxHandler(nullptr);
    SetFolderBrowserRunner(nullptr);
    SetShellOpener(nullptr);
    SetFreeSpaceQuery(nullptr);
}

QString TestIntake::Mp3(const QString &relative, int side, const QString &album) const
{
    Recipe recipe;
    recipe.title = QFileInfo(relative).completeBaseName();
    recipe.album = album;
    if (side > 0)
        recipe.pictures << Picture{TestPictures::Jpeg(TestPictures::Solid(side, side, Qt::darkCyan)), QStringLiteral("image/jpeg"), 3, QString()};
    return Write(Path(relative), recipe);
}

Qt::DropAction TestIntake::DragAndDrop(frmMain &window, const QList<QUrl> &urls, QMimeData *data, bool onRows)
{
    QMimeData files;
    if (!data) {
        files.setUrls(urls);
        data = &files;
    }
    // The rows' area, or the list itself (what its heading and scroll bars pass on).
    QWidget *rows = onRows ? Probe(window).lvwMain()->viewport() : static_cast<QWidget *>(Probe(window).lvwMain());
    const QPoint where(30, 30);
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(where, offered, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(rows, &enter);
    QDragMoveEvent move(where, offered, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(rows, &move);
    QDropEvent drop(where, offered, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(rows, &drop);
    return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
}

bool TestIntake::WaitForDropIntake(const frmMain &window)
{
    return QTest::qWaitFor([&window] { return !Probe(window).tmrDnD->isActive(); }, 60000) && WaitUntilIdle(window);
}

QStringList TestIntake::ListedPaths(const frmMain &window)
{
    QStringList paths;
    for (int row = 1; row <= Probe(window).lvwMain()->RowCount(); ++row)
        paths << Probe(window).lvwMain()->PathAt(row);
    return paths;
}

void TestIntake::ClickRow(frmMain &window, int position, Qt::MouseButton button, bool waitForPreview)
{
    TrackList *list = Probe(window).lvwMain();
    // The row's middle may lie past the list's visible width.
    const QRect place = list->visualItemRect(list->topLevelItem(position - 1));
    QTest::mouseClick(list->viewport(), button, Qt::NoModifier,
                      QPoint(list->viewport()->width() / 2, place.center().y()));
    if (waitForPreview)
        QVERIFY(WaitForPreview(window));
}

void TestIntake::ChooseForRow(frmMain &window, int position, QAction *entry)
{
    ClickRow(window, position, Qt::RightButton);
    QTRY_VERIFY(Probe(window).mnuPopList->isVisible());
    QTest::mouseClick(Probe(window).mnuPopList, Qt::LeftButton, {}, Probe(window).mnuPopList->actionGeometry(entry).center());
    QTRY_VERIFY(!Probe(window).mnuPopList->isVisible());
}

void TestIntake::walkOrderAndNames()
{
    // R holds A, B and sub; A holds A1. Folders are read R, A, B, sub, A1.
    for (const char *folder : {"R/A/A1", "R/B", "R/sub"})
        MakeFolder(QLatin1String(folder));
    for (const char *name : {"R/b.MP3", "R/a.mp3", "R/x.Mp3", "R/x.mp3.bak", "R/x.mp4", "R/mp3", "R/.hidden.mp3",
                             "R/sub/c.mp3", "R/A/A1/deep.mp3", "R/B/b1.mp3", "R/A/a1.mp3"})
        QVERIFY(TestFiles::Write(Path(QLatin1String(name)), "x"));

    QStringList found;
    QVERIFY(WalkMusicTree(Path(QStringLiteral("R")), [] { return true; }, &found));
    const QStringList expected{QStringLiteral("R/.hidden.mp3"), QStringLiteral("R/a.mp3"),    QStringLiteral("R/b.MP3"),
                               QStringLiteral("R/x.Mp3"),       QStringLiteral("R/x.mp4"),    QStringLiteral("R/A/a1.mp3"),
                               QStringLiteral("R/B/b1.mp3"),    QStringLiteral("R/sub/c.mp3"), QStringLiteral("R/A/A1/deep.mp3")};
    QStringList expectedPaths;
    for (const QString &name : expected)
        expectedPaths << Path(name);
    QCOMPARE(found, expectedPaths);

    QVERIFY(HasMusicExtension(QStringLiteral("/a.b/x.mP3")));
    QVERIFY(HasMusicExtension(QStringLiteral("/a.b/x.OPUS")));
    QVERIFY(!HasMusicExtension(QStringLiteral("/music/mp3")));
    QVERIFY(!HasMusicExtension(QStringLiteral("/music/x.mp3.bak")));
    QVERIFY(HasMusicExtension(QStringLiteral("/music/x.M4B")));
    QVERIFY(!HasMusicExtension(QStringLiteral("/music/x.m4v")));

    // keepGoing is asked along the way; its first "no" ends the walk.
    int asked = 0;
    found.clear();
    QVERIFY(!WalkMusicTree(Path(QStringLiteral("R")), [&asked] { return ++asked < 7; }, &found));
    QCOMPARE(asked, 7);
    QVERIFY(found.size() < expected.size());
}

void TestIntake::walkSurvivesLoopsAndOddEntries()
{
    MakeFolder(QStringLiteral("R/A"));
    QVERIFY(TestFiles::Write(Path(QStringLiteral("R/A/song.mp3")), "x"));
    // A link to the folder above, a link to the sister folder, a pipe and a
    // link that leads nowhere, each named like music.
    QVERIFY(QFile::link(Path(QStringLiteral("R")), Path(QStringLiteral("R/A/up"))));
    QVERIFY(QFile::link(Path(QStringLiteral("R/A")), Path(QStringLiteral("R/also-A"))));
    QCOMPARE(::mkfifo(QFile::encodeName(Path(QStringLiteral("R/pipe.mp3"))).constData(), 0600), 0);
    QVERIFY(QFile::link(Path(QStringLiteral("R/gone")), Path(QStringLiteral("R/broken.mp3"))));

    QStringList found;
    QVERIFY(WalkMusicTree(Path(QStringLiteral("R")), [] { return true; }, &found));
    // A is reached twice (itself and also-A) but read once; R once.
    QCOMPARE(found, QStringList{Path(QStringLiteral("R/A/song.mp3"))});
}

void TestIntake::addFolderButton()
{
    MakeFolder(QStringLiteral("Documents"));
    MakeFolder(QStringLiteral("Music/sub"));
    const QString a = Mp3(QStringLiteral("Music/a.mp3"), 300);
    const QString b = Mp3(QStringLiteral("Music/b.MP3"), 120);
    const QString c = Mp3(QStringLiteral("Music/sub/c.mp3"));
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", dir_->path().toUtf8());
    SetFolderBrowserRunner([this](const QString &start, QWidget *, const QString &prompt) {
        browserStart_ = start;
        browserPrompt_ = prompt;
        return Path(QStringLiteral("Music"));
    });

    frmMain window;
    Probe(window).cmdFolder->click();
    QVERIFY(WaitUntilIdle(window));
    qputenv("HOME", home);
    // The first use opens at the documents folder; the choice is remembered.
    QCOMPARE(browserStart_, Path(QStringLiteral("Documents")));
    QCOMPARE(browserPrompt_,
             QStringLiteral("Select a folder containing music files. Contents of subfolders will be included."));
    QCOMPARE(Probe(window).LastFolder, Path(QStringLiteral("Music")));
    QCOMPARE(ListedPaths(window), (QStringList{a, b, c}));
    QCOMPARE(Probe(window).lvwMain()->Row(3).Status, QStringLiteral("No Picture"));
    QCOMPARE(Probe(window).Statusbar->PanelText(1), QStringLiteral("Files : 3"));
    QVERIFY(messages_.isEmpty());
    QVERIFY(Probe(window).cmdFiles->isEnabled() && Probe(window).cmdFolder->isEnabled() && !Probe(window).OperationRunning);
    QVERIFY(Probe(window).ProgressBar->isHidden() && Probe(window).picMsg->isHidden());

    // The next time it opens where the last choice was; the same folder again
    // adds nothing new.
    Probe(window).cmdFolder->click();
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(browserStart_, Path(QStringLiteral("Music")));
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 3);
}

void TestIntake::emptyTreeCancelAndStop()
{
    MakeFolder(QStringLiteral("Empty/deeper"));
    QVERIFY(TestFiles::Write(Path(QStringLiteral("Empty/deeper/notes.txt")), "x"));
    MakeFolder(QStringLiteral("Full"));
    Mp3(QStringLiteral("Full/one.mp3"));
    frmMain window;
    window.show();

    QString answer = Path(QStringLiteral("Empty"));
    SetFolderBrowserRunner([&answer](const QString &, QWidget *, const QString &) { return answer; });
    Probe(window).cmdFolder->click();
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(messages_, QStringList{QStringLiteral("No music files were found in the folder.")});
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 0);
    QVERIFY(Probe(window).cmdFiles->isEnabled() && Probe(window).cmdConvert->isEnabled() && Probe(window).ProgressBar->isHidden());

    // Cancel, or a choice that is no folder, changes nothing.
    messages_.clear();
    for (const QString &nothing : {QString(), Path(QStringLiteral("Full/one.mp3"))}) {
        answer = nothing;
        Probe(window).cmdFolder->click();
        QVERIFY(WaitUntilIdle(window));
        QCOMPARE(Probe(window).LastFolder, Path(QStringLiteral("Empty")));
    }

    // "Stop" while the folders are read: nothing is added, nothing is said.
    answer = Path(QStringLiteral("Full"));
    WorkerGate walking;
    BackgroundJobs::SetBeforeJobHook([&walking](int) { walking.Pass(); });
    Probe(window).cmdFolder->click();
    QTRY_VERIFY(walking.Entered());
    QTest::mouseClick(Probe(window).cmdCancel, Qt::LeftButton);
    walking.Open();
    QVERIFY(WaitUntilIdle(window));
    BackgroundJobs::SetBeforeJobHook(nullptr);
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 0);
    QVERIFY(messages_.isEmpty());
    QVERIFY(!Probe(window).OperationRunning && Probe(window).cmdFolder->isEnabled() && Probe(window).picMsg->isHidden());
}

void TestIntake::droppedFolderOrFiles()
{
    MakeFolder(QStringLiteral("Album/Disc 2"));
    const QString one = Mp3(QStringLiteral("Album/one.mp3"));
    const QString two = Mp3(QStringLiteral("Album/Disc 2/two.mp3"));
    const QString a = Mp3(QStringLiteral("a.mp3"));
    const QString b = Mp3(QStringLiteral("B.MP3"));
    QVERIFY(TestFiles::Write(Path(QStringLiteral("notes.txt")), "x"));
    const auto url = [this](const QString &relative) { return QUrl::fromLocalFile(Path(relative)); };

    frmMain window;
    window.show();
    window.showMinimized();
    // A folder first: only its tree is taken. The files are never "moved".
    QCOMPARE(DragAndDrop(window, {url(QStringLiteral("Album")), url(QStringLiteral("a.mp3"))}), Qt::CopyAction);
    QCOMPARE(Probe(window).PendingDrop, (QStringList{QStringLiteral("1"), Path(QStringLiteral("Album"))}));
    QVERIFY(Probe(window).tmrDnD->isActive());
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 0); // the drop itself adds nothing
    QVERIFY(WaitForDropIntake(window));
    QCOMPARE(ListedPaths(window), (QStringList{one, two})); // sorted by file name after the intake
    QCOMPARE(Probe(window).PendingDrop, QStringList{QString()});
    QVERIFY(!(window.windowState() & Qt::WindowMinimized)); // brought to the front first
    QCOMPARE(Probe(window).LastFolder, QString());                  // a dropped folder is not remembered

    // Files first: the folder after them is passed over, notes.txt too, and
    // the MP3 files come in drop order.
    window.ClearList();
    DragAndDrop(window,
                {url(QStringLiteral("a.mp3")), url(QStringLiteral("notes.txt")), url(QStringLiteral("B.MP3")),
                 url(QStringLiteral("Album"))},
                nullptr, false);
    QCOMPARE(Probe(window).PendingDrop, (QStringList{QStringLiteral("2"), a, b}));
    QVERIFY(WaitForDropIntake(window));
    QCOMPARE(ListedPaths(window), (QStringList{a, b}));
    QVERIFY(Probe(window).cmdFiles->isEnabled() && !Probe(window).OperationRunning);
}

void TestIntake::dropsThatAddNothing()
{
    Mp3(QStringLiteral("a.mp3"));
    QVERIFY(TestFiles::Write(Path(QStringLiteral("cover.jpg")), "x"));
    frmMain window;
    window.show();

    // Only other files, plain text, a remote address: nothing recorded.
    DragAndDrop(window, {QUrl::fromLocalFile(Path(QStringLiteral("cover.jpg")))});
    QMimeData text;
    text.setText(Path(QStringLiteral("a.mp3")));
    QCOMPARE(DragAndDrop(window, {}, &text), Qt::IgnoreAction);
    DragAndDrop(window, {QUrl(QStringLiteral("https://example.org/a.mp3"))});
    QCOMPARE(Probe(window).PendingDrop, QStringList{QString()});
    QVERIFY(!Probe(window).tmrDnD->isActive());

    // While an operation runs the list refuses the drag, and a drop that
    // still arrives is ignored.
    Probe(window).OperationRunning = true;
    QCOMPARE(DragAndDrop(window, {QUrl::fromLocalFile(Path(QStringLiteral("a.mp3")))}), Qt::IgnoreAction);
    QCOMPARE(Probe(window).PendingDrop, QStringList{QString()});
    Probe(window).OperationRunning = false;
    QTest::qWait(150);
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 0);
    QVERIFY(messages_.isEmpty());
}

void TestIntake::namesThatCannotBeShown()
{
    // A Latin-1 name beside a good one: the window cannot show it, and says
    // so rather than skipping it silently.
    MakeFolder(QStringLiteral("Odd"));
    const QString good = Mp3(QStringLiteral("Odd/good.mp3"));
    const QByteArray odd = QFile::encodeName(Path(QStringLiteral("Odd"))) + "/caf\xe9.mp3";
    QVERIFY(::link(QFile::encodeName(good).constData(), odd.constData()) == 0);
    SetFolderBrowserRunner([this](const QString &, QWidget *, const QString &) { return Path(QStringLiteral("Odd")); });
    frmMain window;
    window.show();
    Probe(window).cmdFolder->click();
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(ListedPaths(window), QStringList{good});
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_.first().startsWith(QLatin1String("1 file was left out: its name is not valid UTF-8")));

    // Dropped, as a file manager sends it: percent-encoded bytes.
    messages_.clear();
    window.ClearList();
    const QUrl dropped = QUrl::fromEncoded("file://" + odd.toPercentEncoding("/"));
    DragAndDrop(window, {dropped, QUrl::fromLocalFile(good)});
    QVERIFY(WaitForDropIntake(window));
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_.first().startsWith(QLatin1String("1 file was left out")));
    QCOMPARE(ListedPaths(window), QStringList{good});
}

// Files dropped just before "Resize All" is clicked: the drop's deferred
// intake must not run inside the run, where it would add and re-sort rows
// under the conversion; it waits until the run has ended.
void TestIntake::dropJustBeforeResizeAllWaitsForTheRun()
{
    const QStringList listed{Mp3(QStringLiteral("m.mp3"), 300), Mp3(QStringLiteral("n.mp3"), 300),
                             Mp3(QStringLiteral("o.mp3"), 300)};
    const QString a = Mp3(QStringLiteral("a.mp3"), 300);
    const QString b = Mp3(QStringLiteral("b.mp3"), 300);
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.GetFileInfo(QStringList{QString()} + listed);
    QVERIFY(WaitUntilIdle(window));

    // The run holds its first file while the drop's timer comes due.
    Probe(window).Workers = 1;
    WorkerGate converting;
    SetFreeSpaceQuery([&converting](const QString &) {
        converting.Pass();
        return qint64(1) << 40;
    });
    DragAndDrop(window, {QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
    QVERIFY(Probe(window).tmrDnD->isActive());
    QTest::mouseClick(Probe(window).cmdConvert, Qt::LeftButton);
    QTRY_VERIFY(converting.Entered());
    QTest::qWait(Probe(window).tmrDnD->interval() * 3);
    QCOMPARE(ListedPaths(window), listed);
    converting.Open();
    QVERIFY(WaitUntilIdle(window));
    SetFreeSpaceQuery(nullptr);
    // Then the dropped files come in, as they are.
    QVERIFY(WaitForDropIntake(window));
    QCOMPARE(ListedPaths(window), QStringList({a, b}) + listed);
    for (int row = 3; row <= 5; ++row)
        QCOMPARE(Probe(window).lvwMain()->Field(row, ColStatus), QStringLiteral("Resized"));
    QCOMPARE(Probe(window).lvwMain()->Field(1, ColStatus), QStringLiteral("Unchanged"));
    QCOMPARE(Probe(window).lvwMain()->Field(2, ColStatus), QStringLiteral("Unchanged"));
    QVERIFY(!Probe(window).OperationRunning && Probe(window).cmdConvert->isEnabled());
}

void TestIntake::rowClicksShowPictures()
{
    const QString a = Mp3(QStringLiteral("a.mp3"), 300);
    const QString b = Mp3(QStringLiteral("b.mp3"), 200);
    const QString c = Mp3(QStringLiteral("c.mp3"), 100);
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.GetFileInfo({QString(), a, b, c});
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: 300 x 300"));

    ClickRow(window, 2);
    QCOMPARE(int(Probe(window).preview->DisplayedRow()), 2);
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: 200 x 200"));

    // With Shift held the preview waits for the release, then shows the
    // focused row of the range.
    Probe(window).ShiftDown = true;
    QTest::mouseClick(Probe(window).lvwMain()->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      QPoint(Probe(window).lvwMain()->viewport()->width() / 2,
                             Probe(window).lvwMain()->visualItemRect(Probe(window).lvwMain()->topLevelItem(2)).center().y()));
    Probe(window).ShiftDown = false;
    QCOMPARE(Probe(window).lvwMain()->RowIndexes(true), (QVector<int>{2, 3}));
    QCOMPARE(int(Probe(window).preview->DisplayedRow()), 3);
    QTRY_COMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: 100 x 100"));

    // Sorting moves another file under the shown position: a click there
    // shows that file.
    window.ColumnHeadingClicked(1); // descending: c, b, a
    QCOMPARE(Probe(window).lvwMain()->PathAt(3), a);
    ClickRow(window, 3);
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: 300 x 300"));

    // During an operation clicks change nothing.
    Probe(window).OperationRunning = true;
    ClickRow(window, 1);
    QCOMPARE(int(Probe(window).preview->DisplayedRow()), 3);
    Probe(window).OperationRunning = false;

    // A click on the row selected and shown reads its file again, changed meanwhile.
    ClickRow(window, 3);
    Mp3(QStringLiteral("a.mp3"), 250);
    ClickRow(window, 3);
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: 250 x 250"));

    // While a file is read for the preview the window answers clicks; what
    // it finds for a row no longer current is dropped.
    WorkerGate first, second;
    BackgroundJobs::SetBeforeJobHook([&](int) { first.Entered() ? second.Pass() : first.Pass(); });
    ClickRow(window, 1, Qt::LeftButton, false);
    QTRY_VERIFY(first.Entered());
    ClickRow(window, 2, Qt::LeftButton, false);
    QCOMPARE(int(Probe(window).preview->DisplayedRow()), 2);
    first.Open();
    QTRY_VERIFY(second.Entered()); // the first read's result was handled before
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: 250 x 250"));
    second.Open();
    QVERIFY(WaitForPreview(window));
    BackgroundJobs::SetBeforeJobHook(nullptr);
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: 200 x 200"));

    // A file gone since it was added says so.
    QVERIFY(QFile::remove(c));
    ClickRow(window, 1);
    QCOMPARE(Probe(window).imgDisplay->Picture(), MissingFileImage());
}

void TestIntake::contextMenuEnabling()
{
    const QString art = Mp3(QStringLiteral("art.mp3"), 100);
    const QString bare = Mp3(QStringLiteral("bare.mp3"));
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.GetFileInfo({QString(), art, bare});
    QVERIFY(WaitUntilIdle(window));

    ClickRow(window, 2, Qt::RightButton);
    QTRY_VERIFY(Probe(window).mnuPopList->isVisible());
    QVERIFY(!Probe(window).mnuManConvert->isEnabled());
    QCOMPARE(Probe(window).mnuPopList->defaultAction(), Probe(window).mnuManConvert);
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("No Picture"));
    Probe(window).mnuPopList->close();

    ClickRow(window, 1, Qt::RightButton);
    QTRY_VERIFY(Probe(window).mnuPopList->isVisible());
    QVERIFY(Probe(window).mnuManConvert->isEnabled());
    Probe(window).mnuPopList->close();

    // Empty space below the rows: no menu.
    QTest::mouseClick(Probe(window).lvwMain()->viewport(), Qt::RightButton, Qt::NoModifier,
                      QPoint(20, Probe(window).lvwMain()->viewport()->height() - 5));
    QTest::qWait(50);
    QVERIFY(!Probe(window).mnuPopList->isVisible());
}

void TestIntake::removeAndClear()
{
    QStringList paths{QString()};
    for (int i = 1; i <= 6; ++i)
        paths << Mp3(QStringLiteral("t%1.mp3").arg(i), 50 + i);
    frmMain window;
    window.show();
    window.GetFileInfo(paths);
    QVERIFY(WaitUntilIdle(window));
    ClickRow(window, 5);
    QCOMPARE(int(Probe(window).preview->DisplayedRow()), 5);

    TrackList *list = Probe(window).lvwMain();
    list->clearSelection();
    for (int row : {2, 3, 5})
        list->topLevelItem(row - 1)->setSelected(true);
    Probe(window).mnuRemove->trigger();
    QCOMPARE(ListedPaths(window), (QStringList{paths.at(1), paths.at(4), paths.at(6)}));
    QCOMPARE(Probe(window).Statusbar->PanelText(1), QStringLiteral("Files : 3"));
    QCOMPARE(int(Probe(window).preview->DisplayedRow()), 0);
    QVERIFY(!Probe(window).OperationRunning && Probe(window).cmdConvert->isEnabled());
    // The removed files are no longer "listed": adding them again works.
    window.GetFileInfo({QString(), paths.at(2)});
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(list->RowCount(), 4);
    list->clearSelection();
    for (int row : {2, 3})
        list->topLevelItem(row - 1)->setSelected(true);
    window.RemoveSelected();
    QCOMPARE(ListedPaths(window), (QStringList{paths.at(1), paths.at(6)}));

    Probe(window).mnuClear->trigger();
    QCOMPARE(list->RowCount(), 0);
    QCOMPARE(Probe(window).Statusbar->PanelText(1), QStringLiteral("Files : 0"));
    QVERIFY(Probe(window).imgPNG->isHidden());

    // After clearing, the row at the position shown before shows its new file.
    window.GetFileInfo({QString(), paths.at(6)});
    QVERIFY(WaitUntilIdle(window));
    ClickRow(window, 1);
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: 56 x 56"));
}

// With no row shown the preview goes back to the logo and the size labels
// to their texts as designed.
void TestIntake::previewEmptiedByRemoveAndClear()
{
    const QString a = Mp3(QStringLiteral("a.mp3"), 120);
    const QString b = Mp3(QStringLiteral("b.mp3"), 80);
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.GetFileInfo({QString(), a, b});
    QVERIFY(WaitUntilIdle(window));
    const auto emptied = [&window] {
        return Probe(window).lblSize->text() == QStringLiteral("Image Size W x H")
            && Probe(window).lblFileSize->text() == QStringLiteral("File Size: -------")
            && Probe(window).imgDisplay->Picture() == LogoPicture();
    };

    ClickRow(window, 2);
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: 80 x 80"));
    ChooseForRow(window, 2, Probe(window).mnuRemove);
    QCOMPARE(ListedPaths(window), QStringList{a});
    QVERIFY(emptied());

    ClickRow(window, 1);
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: 120 x 120"));
    ChooseForRow(window, 1, Probe(window).mnuClear);
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 0);
    QVERIFY(emptied());
}

void TestIntake::albumNamePlayAndResetView()
{
    const QString named = Mp3(QStringLiteral("Song One.mp3"), 0, QStringLiteral("Blue Train"));
    const QString unnamed = Mp3(QStringLiteral("Song Two.mp3"));
    frmMain window;
    window.show();
    window.GetFileInfo({QString(), named, unnamed});
    QVERIFY(WaitUntilIdle(window));
    QClipboard *clipboard = QGuiApplication::clipboard();

    Probe(window).lvwMain()->setCurrentItem(Probe(window).lvwMain()->topLevelItem(0));
    Probe(window).mnuCopyName->trigger();
    QCOMPARE(clipboard->text(), QStringLiteral("Blue Train"));
    Probe(window).lvwMain()->setCurrentItem(Probe(window).lvwMain()->topLevelItem(1));
    Probe(window).mnuCopyName->trigger();
    QCOMPARE(clipboard->text(), QStringLiteral("Song Two"));

    // "Play Selection" hands the file to the desktop; a refusal is explained.
    QList<QUrl> opened;
    bool opens = true;
    SetShellOpener([&](const QUrl &url) {
        opened << url;
        return opens;
    });
    Probe(window).mnuPopupPlay->trigger();
    QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(unnamed)});
    QVERIFY(messages_.isEmpty());
    opens = false;
    Probe(window).mnuPopupPlay->trigger();
    QCOMPARE(messages_, QStringList{QStringLiteral("The file can't be opened.\r\nIt may have been deleted or there is "
                                                   "no\r\napplication associated with this type of file.")});

    // Columns moved and resized come back to their designed order and widths.
    QHeaderView *header = Probe(window).lvwMain()->header();
    header->moveSection(0, 5);
    header->moveSection(7, 1);
    header->resizeSection(2, 333);
    Probe(window).mnuSetColumns->trigger();
    for (int column = 0; column < header->count(); ++column) {
        QCOMPARE(header->visualIndex(column), column);
        QCOMPARE(header->sectionSize(column), Probe(window).lvwMain()->DefaultColumnWidth(column));
    }
}

QTEST_MAIN(TestIntake)
#include "tst_intake.moc"
