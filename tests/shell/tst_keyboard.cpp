// SPDX-License-Identifier: MIT
#include "support/messageboxes.h"
#include "support/mp3fixture.h"
#include "support/windowidle.h"
#include "support/testpictures.h"
#include "support/windowidle.h"
#include "window/dialogs/frmpicmod.h"
#include "window/dialogs/frmresizesettings.h"
#include "window/dialogs/frmtip.h"
#include "window/frmmain.h"
#include "window/widgets/clsopensave.h"
#include "window/widgets/folderbrowser.h"
#include "window/widgets/globals.h"
#include "window/widgets/openex.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

using namespace Mp3Fixture;

// The main window driven from the keyboard alone: real key presses on the
// focused widget, real files added through "Add Files".
class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void menuBarOpensWithAlt_data();
    void menuBarOpensWithAlt();
    void everyEntryHasItsOwnMnemonic();
    void buttonCommands_data();
    void buttonCommands();
    void busyWindowTakesOnlyStop();
    void previewFollowsTheCurrentRow();
    void rowMenuFromTheKeyboard_data();
    void rowMenuFromTheKeyboard();
    void selectAllAndRemove();
    void quitAndHelp();
    void sizeAndQualityAsTyped_data();
    void sizeAndQualityAsTyped();

private:
    // A window on screen and active, with the files of pictureSides added
    // through Ctrl+O ("a.mp3" with the first side, and so on; 0: no picture).
    std::unique_ptr<frmMain> OpenWindow(const QList<int> &pictureSides = {});
    static QWidget *Focused() { return QApplication::focusWidget(); }
    template <typename T>
    static T *Find(const frmMain &window, const char *name)
    {
        T *found = window.findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no %s in the window", name);
        return found;
    }
    static int CurrentRow(const frmMain &window);
    static QString ShownSize(const frmMain &window)
    {
        WaitForPreview(window);
        return Find<QLabel>(window, "lblSize")->text();
    }

    QTemporaryDir config_;
    std::unique_ptr<QTemporaryDir> dir_;
    QStringList messages_;
    QStringList chosenFiles_;
    int fileDialogs_ = 0;
    int folderDialogs_ = 0;
};

void TestKeyboard::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
}

void TestKeyboard::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    // No tip at start: it would be the active window.
    QVERIFY(QDir().mkpath(config_.path() + QStringLiteral("/Brisko")));
    QFile ini(config_.path() + QStringLiteral("/Brisko/Brisko.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[Config]\nShowTip=False\n");
    ini.close();
    CollectMessageBoxes(&messages_);
    chosenFiles_.clear();
    fileDialogs_ = folderDialogs_ = 0;
    clsOpenSave::SetFileDialogRunner([this](const clsOpenSave::Request &) {
        ++fileDialogs_;
        return clsOpenSave::Answer{!chosenFiles_.isEmpty(), chosenFiles_, 0};
    });
    SetFolderBrowserRunner([this](const QString &, QWidget *, const QString &) {
        ++folderDialogs_;
        return QString();
    });
}

void TestKeyboard::cleanup()
{
    clsOpenSave::SetFileDialogRunner(nullptr);
    SetFolderBrowserRunner(nullptr);
    SetMsgBoxHandler(nullptr);
    SetShellOpener(nullptr);
}

std::unique_ptr<frmMain> TestKeyboard::OpenWindow(const QList<int> &pictureSides)
{
    auto window = std::make_unique<frmMain>();
    QSignalSpy activated(window.get(), &frmMain::FirstActivated);
    window->show();
    if (!QTest::qWaitForWindowActive(window.get()) || (activated.isEmpty() && !activated.wait()))
        qFatal("the window did not come up");
    chosenFiles_.clear();
    for (int i = 0; i < pictureSides.size(); ++i) {
        Recipe recipe;
        recipe.title = QStringLiteral("Song %1").arg(i + 1);
        if (pictureSides.at(i) > 0)
            recipe.pictures << Picture{TestPictures::Jpeg(TestPictures::Solid(pictureSides.at(i), pictureSides.at(i),
                                                                              Qt::darkCyan)),
                                       QStringLiteral("image/jpeg"), 3, QString()};
        chosenFiles_ << Write(dir_->path() + QStringLiteral("/%1.mp3").arg(QChar(u'a' + i)), recipe);
    }
    if (!chosenFiles_.isEmpty()) {
        QTest::keyClick(Focused(), Qt::Key_O, Qt::ControlModifier);
        TrackList *list = Find<TrackList>(*window, "lvwMain");
        if (!QTest::qWaitFor([&] { return list->RowCount() == pictureSides.size() && !Probe(*window).OperationRunning; }))
            qFatal("the files were not added");
        // The list takes keys again once the intake has ended, a little
        // after its last row.
        if (!WaitUntilIdle(*window))
            qFatal("the intake did not end");
    }
    chosenFiles_.clear();
    return window;
}

int TestKeyboard::CurrentRow(const frmMain &window)
{
    const TrackList *list = Find<TrackList>(window, "lvwMain");
    return list->indexOfTopLevelItem(list->currentItem()) + 1;
}

void TestKeyboard::menuBarOpensWithAlt_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("menu");
    QTest::newRow("Alt+F") << int(Qt::Key_F) << QStringLiteral("mnuFile");
    QTest::newRow("Alt+O") << int(Qt::Key_O) << QStringLiteral("mnuOptions");
    QTest::newRow("Alt+H") << int(Qt::Key_H) << QStringLiteral("mnuHelp");
}

void TestKeyboard::menuBarOpensWithAlt()
{
    QFETCH(int, key);
    QFETCH(QString, menu);
    const auto window = OpenWindow();
    auto *opened = window->findChild<QMenu *>(menu);
    QVERIFY(opened);
    QTest::keyClick(Focused(), Qt::Key(key), Qt::AltModifier);
    QTRY_VERIFY(opened->isVisible());
    QTest::keyClick(opened, Qt::Key_Escape);
    QTRY_VERIFY(!opened->isVisible());
}

// A letter chosen in an open menu is never ambiguous.
void TestKeyboard::everyEntryHasItsOwnMnemonic()
{
    const auto window = OpenWindow();
    const frmPicMod dialog(Find<TrackList>(*window, "lvwMain"), window.get());
    const QList<QMenu *> menus = window->findChildren<QMenu *>();
    QVERIFY(menus.size() >= 5); // the dialog's picture menu among them
    const auto mnemonic = [](const QString &text) {
        const qsizetype at = text.indexOf(u'&');
        return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
    };
    QSet<QChar> bar;
    for (QAction *action : window->menuBar()->actions())
        bar << mnemonic(action->text());
    QCOMPARE(bar.size(), window->menuBar()->actions().size());
    for (const QMenu *menu : menus) {
        QSet<QChar> letters;
        int entries = 0;
        for (QAction *action : menu->actions()) {
            if (action->isSeparator())
                continue;
            ++entries;
            const QChar letter = mnemonic(action->text());
            QVERIFY2(!letter.isNull(), qPrintable(action->text()));
            letters << letter;
        }
        QVERIFY2(letters.size() == entries, qPrintable(menu->objectName()));
    }
}

void TestKeyboard::buttonCommands_data()
{
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("letter"); // the entry's mnemonic in the File menu
    QTest::newRow("Add Files") << QKeySequence(Qt::CTRL | Qt::Key_O) << QStringLiteral("mnuAddFiles")
                               << QStringLiteral("cmdFiles") << int(Qt::Key_A);
    QTest::newRow("Add Folder") << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O) << QStringLiteral("mnuAddFolder")
                                << QStringLiteral("cmdFolder") << int(Qt::Key_O);
    QTest::newRow("Resize All") << QKeySequence(Qt::CTRL | Qt::Key_R) << QStringLiteral("mnuConvert")
                                << QStringLiteral("cmdConvert") << int(Qt::Key_R);
    QTest::newRow("Stop") << QKeySequence(Qt::Key_Escape) << QStringLiteral("mnuCancel") << QStringLiteral("cmdCancel")
                          << int(Qt::Key_S);
}

// Each button's command is in the File menu with its shortcut shown; the
// shortcut and the menu press the button itself.
void TestKeyboard::buttonCommands()
{
    QFETCH(QKeySequence, shortcut);
    QFETCH(QString, entry);
    QFETCH(QString, button);
    QFETCH(int, letter);
    const auto window = OpenWindow();
    auto *action = Find<QAction>(*window, entry.toLatin1().constData());
    QCOMPARE(action->shortcut(), shortcut);
    QVERIFY(Find<QMenu>(*window, "mnuFile")->actions().contains(action));
    QCOMPARE(action->text().remove(u'&'), Find<QPushButton>(*window, button.toLatin1().constData())->text());
    QSignalSpy pressed(Find<QPushButton>(*window, button.toLatin1().constData()), &QPushButton::clicked);

    QCOMPARE(Focused(), Find<TrackList>(*window, "lvwMain")); // where the window starts
    QTest::keyClick(Focused(), shortcut[0].key(), shortcut[0].keyboardModifiers());
    QCOMPARE(pressed.count(), 1);

    QTest::keyClick(Focused(), Qt::Key_F, Qt::AltModifier);
    QMenu *file = Find<QMenu>(*window, "mnuFile");
    QTRY_VERIFY(file->isVisible());
    QTest::keyClick(file, Qt::Key(letter));
    QTRY_COMPARE(pressed.count(), 2);
    QVERIFY(!file->isVisible());
    QCOMPARE(fileDialogs_, entry == QLatin1String("mnuAddFiles") ? 2 : 0);
    QCOMPARE(folderDialogs_, entry == QLatin1String("mnuAddFolder") ? 2 : 0);
}

// During a long operation the list is locked: its keys and the commands whose
// buttons are disabled do nothing, but Esc still reaches "Stop".
void TestKeyboard::busyWindowTakesOnlyStop()
{
    const auto window = OpenWindow({100, 0});
    TrackList *list = Find<TrackList>(*window, "lvwMain");
    QSignalSpy stopped(Find<QPushButton>(*window, "cmdCancel"), &QPushButton::clicked);
    list->selectAll();
    window->EnableControls(false);
    QCOMPARE(Focused(), list);
    QVERIFY(!Find<QAction>(*window, "mnuAddFiles")->isEnabled());
    QVERIFY(!Find<QAction>(*window, "mnuConvert")->isEnabled());
    QVERIFY(Find<QAction>(*window, "mnuCancel")->isEnabled());
    QTest::keyClick(list, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(fileDialogs_, 1); // only the one that added the files
    QTest::keyClick(list, Qt::Key_Delete);
    QTest::keyClick(list, Qt::Key_Menu);
    QTest::keyClick(list, Qt::Key_Escape);
    QCOMPARE(stopped.count(), 1);
    QCOMPARE(list->RowCount(), 2);
    QVERIFY(!Find<QMenu>(*window, "mnuPopList")->isVisible());

    window->EnableControls(true);
    QVERIFY(Find<QAction>(*window, "mnuAddFiles")->isEnabled());
    QTest::keyClick(list, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(fileDialogs_, 2);
}

void TestKeyboard::previewFollowsTheCurrentRow()
{
    const auto window = OpenWindow({300, 200, 100, 150});
    QCOMPARE(Focused(), Find<TrackList>(*window, "lvwMain"));
    const QStringList sizes{QStringLiteral("Image Size: 300 x 300"), QStringLiteral("Image Size: 200 x 200"),
                            QStringLiteral("Image Size: 100 x 100"), QStringLiteral("Image Size: 150 x 150")};
    struct Step
    {
        Qt::Key key;
        int row;
    };
    QCOMPARE(CurrentRow(*window), 1);
    QCOMPARE(ShownSize(*window), sizes.at(0));
    for (const Step &step : {Step{Qt::Key_Down, 2}, Step{Qt::Key_Down, 3}, Step{Qt::Key_End, 4},
                             Step{Qt::Key_Up, 3}, Step{Qt::Key_Home, 1}, Step{Qt::Key_PageDown, 4},
                             Step{Qt::Key_PageUp, 1}}) {
        QTest::keyClick(Focused(), step.key);
        QCOMPARE(CurrentRow(*window), step.row);
        QCOMPARE(ShownSize(*window), sizes.at(step.row - 1));
    }

    // A range chosen with Shift: the preview waits for Shift to go up.
    QTest::keyPress(Focused(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(CurrentRow(*window), 2);
    QCOMPARE(ShownSize(*window), sizes.at(0));
    QTest::keyRelease(Focused(), Qt::Key_Down, Qt::ShiftModifier); // Shift up too
    QCOMPARE(ShownSize(*window), sizes.at(1));
    QTest::keyPress(Focused(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(CurrentRow(*window), 3);
    QCOMPARE(ShownSize(*window), sizes.at(1));
    QTest::keyRelease(Focused(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(ShownSize(*window), sizes.at(2));
    QCOMPARE(Find<TrackList>(*window, "lvwMain")->RowIndexes(true), (QVector<int>{1, 2, 3}));
}

void TestKeyboard::rowMenuFromTheKeyboard_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("menu key") << int(Qt::Key_Menu) << int(Qt::NoModifier);
    QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
}

// The row menu opens under the current row, with "Resize Picture" enabled
// only for a row that has a picture, and its entries chosen by letter.
void TestKeyboard::rowMenuFromTheKeyboard()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    const auto window = OpenWindow({120, 0, 80});
    TrackList *list = Find<TrackList>(*window, "lvwMain");
    QMenu *menu = Find<QMenu>(*window, "mnuPopList");
    QAction *resize = Find<QAction>(*window, "mnuManConvert");

    QTest::keyClick(list, Qt::Key_Home);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(CurrentRow(*window), 2);
    QTest::keyClick(list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(!resize->isEnabled()); // row 2 has no picture
    QCOMPARE(menu->defaultAction(), resize);
    const QRect row = list->visualItemRect(list->currentItem());
    const QPoint under = list->viewport()->mapToGlobal(row.bottomLeft());
    QVERIFY2(qAbs(menu->y() - under.y()) <= 2 && qAbs(menu->x() - under.x()) <= 2,
             qPrintable(QStringLiteral("menu at %1,%2, row ends at %3,%4")
                            .arg(menu->x()).arg(menu->y()).arg(under.x()).arg(under.y())));
    QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY(!menu->isVisible());

    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(resize->isEnabled());
    QTest::keyClick(menu, Qt::Key_A); // Select All
    QTRY_VERIFY(!menu->isVisible());
    QCOMPARE(list->RowIndexes(true), (QVector<int>{1, 2, 3}));

    // No current row: no menu.
    list->setCurrentItem(nullptr);
    QTest::keyClick(list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTest::qWait(50);
    QVERIFY(!menu->isVisible());
}

void TestKeyboard::selectAllAndRemove()
{
    const auto window = OpenWindow({100, 110, 120});
    TrackList *list = Find<TrackList>(*window, "lvwMain");
    auto *remove = Find<QAction>(*window, "mnuRemove");
    auto *selectAll = Find<QAction>(*window, "mnuSelectAll");
    QCOMPARE(remove->shortcut(), QKeySequence(Qt::Key_Delete));
    QCOMPARE(selectAll->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));

    QTest::keyClick(list, Qt::Key_Home);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->RowCount(), 2);
    QCOMPARE(list->Field(1, ColTitle), QStringLiteral("Song 1"));
    QCOMPARE(list->Field(2, ColTitle), QStringLiteral("Song 3"));
    QCOMPARE(Find<StatusPanels>(*window, "Statusbar")->PanelText(1), QStringLiteral("Files : 2"));

    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(list->RowIndexes(true), (QVector<int>{1, 2}));
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->RowCount(), 0);

    // Delete belongs to the list: on a button it removes nothing.
    window->GetFileInfo({QString(), dir_->path() + QStringLiteral("/a.mp3")});
    QTRY_COMPARE(list->RowCount(), 1);
    QVERIFY(WaitUntilIdle(*window));
    list->selectAll();
    Find<QPushButton>(*window, "cmdFiles")->setFocus();
    QTest::keyClick(Focused(), Qt::Key_Delete);
    QCOMPARE(list->RowCount(), 1);
}

// Ctrl+Q closes the window as "Exit" does; F1 opens the manual, also from the
// tip, which tells the user to press it.
void TestKeyboard::quitAndHelp()
{
    QList<QUrl> opened;
    SetShellOpener([&opened](const QUrl &url) {
        opened << url;
        return true;
    });
    const auto window = OpenWindow();
    QCOMPARE(Find<QAction>(*window, "mnuExit")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QCOMPARE(Find<QAction>(*window, "mnuHelpCont")->shortcut(), QKeySequence(Qt::Key_F1));
    QTest::keyClick(Focused(), Qt::Key_F1);
    QCOMPARE(opened.size(), 1);

    auto *tip = new frmTip(window.get());
    tip->show();
    QVERIFY(QTest::qWaitForWindowActive(tip));
    QTest::keyClick(Focused(), Qt::Key_F1);
    QCOMPARE(opened.size(), 2);
    tip->close();

    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(Focused(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!window->isVisible());
}

void TestKeyboard::sizeAndQualityAsTyped_data()
{
    QTest::addColumn<QString>("size"); // typed over each field's number
    QTest::addColumn<QString>("quality");
    QTest::addColumn<QString>("largest");
    QTest::addColumn<QString>("told"); // on Enter; empty: taken
    const QString sizes = QStringLiteral("The picture size must be 100 to 1000 pixels.");
    QTest::newRow("a size too large, not cut to 500") << "5000" << "90" << "0" << sizes;
    QTest::newRow("no size") << "" << "90" << "0" << sizes;
    QTest::newRow("a quality too low, not put back to 80") << "300" << "30" << "0" << "The JPEG quality must be 50 to 100.";
    QTest::newRow("a largest picture beyond 16 MB") << "300" << "90" << "20000" << "The largest picture must be 0 to 16384 KB.";
    QTest::newRow("all in range") << "1000" << "50" << "60" << QString();
}

// Options > "Picture Size and Quality…" from the keyboard: a number out of
// range stays as typed, is told with its range, and the dialog waits for
// another; numbers in range are the settings from then on.
void TestKeyboard::sizeAndQualityAsTyped()
{
    QFETCH(QString, size);
    QFETCH(QString, quality);
    QFETCH(QString, largest);
    QFETCH(QString, told);
    const auto window = OpenWindow();
    QTest::keyClick(Focused(), Qt::Key_O, Qt::AltModifier);
    QTRY_VERIFY(Find<QMenu>(*window, "mnuOptions")->isVisible());
    QTest::keyClick(Find<QMenu>(*window, "mnuOptions"), Qt::Key_P);
    QTRY_VERIFY(window->findChild<frmResizeSettings *>());
    const QPointer<frmResizeSettings> dialog = window->findChild<frmResizeSettings *>(); // gone once closed
    QTRY_COMPARE(Focused(), dialog->txtSize);
    for (const QString *typed : {&size, &quality, &largest}) { // over the selected number, then the next field's
        QTest::keyClick(Focused(), Qt::Key_Delete);
        QTest::keyClicks(Focused(), *typed);
        QTest::keyClick(Focused(), typed == &largest ? Qt::Key_Return : Qt::Key_Tab);
    }
    QCOMPARE(messages_, told.isEmpty() ? QStringList() : QStringList{told});
    QCOMPARE(dialog && dialog->isVisible(), !told.isEmpty());
    if (dialog)
        QCOMPARE(dialog->txtSize->text() + u'/' + dialog->txtQuality->text() + u'/' + dialog->txtLargest->text(),
                 size + u'/' + quality + u'/' + largest);
    QCOMPARE(Find<StatusPanels>(*window, "Statusbar")->PanelText(2),
             QStringLiteral("Resize Settings  Size:%1  Quality:%2").arg(told.isEmpty() ? size : QStringLiteral("250"),
                                                                       told.isEmpty() ? quality : QStringLiteral("80")));
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
