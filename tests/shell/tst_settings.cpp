// SPDX-License-Identifier: MIT
#include "engine/convert/settingsstore.h"
#include "support/windowidle.h"
#include "window/frmmain.h"
#include "window/widgets/globals.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QtTest>

#include <sys/stat.h>

#include <memory>

// Drags of column headings: a column and the place it is dropped on.
using Drags = QList<QPair<int, int>>;

// Settings are read by the real main window from a real file in a private
// configuration folder.
class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void storeNamesIgnoreCaseAndKeepOtherKeys();
    void storeSurvivesDamagedFiles_data();
    void storeSurvivesDamagedFiles();
    void storeIgnoresWhatIsNotAFile();
    void truthValues();

    void firstRun();
    void roundTrip();
    void heightBeyondTheScreenResetsThePlace();
    void widthOfExactlyFivePercentMoreIsAccepted();
    void placeOffEveryScreenComesBack();
    void minimisedCloseKeepsTheStoredPlace();
    void maximisedCloseKeepsTheNormalPlace();
    void customValuesKeptOnlyWhenTheUserSaysYes();
    void unreadableValuesKeepTheirDefaults();
    void columnOrderAfterDrags_data();
    void columnOrderAfterDrags();
    void oneStoredPlaceMovesOneColumn();

private:
    // Drags a column's heading with the mouse and drops it on the heading now
    // at visual place to (0-based).
    static void DragHeading(frmMain &window, int column, int to);
    // The columns (0-based) in the order the headings show them.
    static QList<int> ShownOrder(const frmMain &window);
    QString IniPath() const { return dir_->path() + QStringLiteral("/Brisko/Brisko.ini"); }
    void WriteIni(const QByteArray &content) const;
    QString Stored(const QString &section, const QString &key) const;

    std::unique_ptr<QTemporaryDir> dir_;
    int questions_ = 0;
    int answer_ = Msg::No;
};

void TestSettings::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", dir_->path().toUtf8());
    QCOMPARE(SettingsStore::DefaultPath(), IniPath());
    ShowTip = false;
    questions_ = 0;
    SetMsgBoxHandler([this](const QString &, int, const QString &) {
        ++questions_;
        return answer_;
    });
}

void TestSettings::cleanup()
{
    SetMsgBoxHandler(nullptr);
}

void TestSettings::WriteIni(const QByteArray &content) const
{
    QDir().mkpath(QFileInfo(IniPath()).path());
    QFile file(IniPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QString TestSettings::Stored(const QString &section, const QString &key) const
{
    return SettingsStore(IniPath()).Value(section, key, QStringLiteral("<missing>"));
}

void TestSettings::storeNamesIgnoreCaseAndKeepOtherKeys()
{
    WriteIni("; written by hand\n[config]\nsize = 300\nSIZE=320\nOther=kept\n[Elsewhere]\nx=1\n");
    SettingsStore store(IniPath());
    QCOMPARE(store.Value(QStringLiteral("CONFIG"), QStringLiteral("Size"), {}), QStringLiteral("320"));
    store.SetValue(QStringLiteral("Config"), QStringLiteral("size"), QStringLiteral("400"));
    store.SetValue(QStringLiteral("Config"), QStringLiteral("LastFile"),
                   QStringLiteral("/music/odd\\name\nwith a line feed.mp3"));
    QVERIFY(store.Save());

    const SettingsStore again(IniPath());
    QCOMPARE(again.Value(QStringLiteral("Config"), QStringLiteral("Size"), {}), QStringLiteral("400"));
    QCOMPARE(again.Value(QStringLiteral("config"), QStringLiteral("LASTFILE"), {}),
             QStringLiteral("/music/odd\\name\nwith a line feed.mp3"));
    QCOMPARE(again.Value(QStringLiteral("Config"), QStringLiteral("Other"), {}), QStringLiteral("kept"));
    QCOMPARE(again.Value(QStringLiteral("elsewhere"), QStringLiteral("X"), {}), QStringLiteral("1"));
}

void TestSettings::storeSurvivesDamagedFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe[\x01=\x02\n=\n[]\n\x80\x81", 16);
    QTest::newRow("keys before any section") << QByteArray("Size=300\n");
    QTest::newRow("oversized") << QByteArray("[Config]\nSize=300\n") + QByteArray(2 << 20, 'x');
}

void TestSettings::storeSurvivesDamagedFiles()
{
    QFETCH(QByteArray, content);
    WriteIni(content);
    frmMain window;
    QCOMPARE(int(Probe(window).TargetSize), 250);
    QCOMPARE(window.pos(), QPoint(0, 0));
}

void TestSettings::storeIgnoresWhatIsNotAFile()
{
    QDir().mkpath(QFileInfo(IniPath()).path());
    QVERIFY(::mkfifo(QFile::encodeName(IniPath()).constData(), 0600) == 0); // reading it would wait forever
    frmMain window;
    QCOMPARE(int(Probe(window).TargetSize), 250);
    window.close(); // the settings are then written as a file of their own
    QVERIFY(QFileInfo(IniPath()).isFile());
}

void TestSettings::truthValues()
{
    bool ok = false;
    QVERIFY(SettingToBool(QStringLiteral("tRUE"), &ok) && ok);
    QVERIFY(!SettingToBool(QStringLiteral("FALSE"), &ok) && ok);
    QVERIFY(SettingToBool(QStringLiteral("-1"), &ok) && ok);
    QVERIFY(!SettingToBool(QStringLiteral("0"), &ok) && ok);
    SettingToBool(QStringLiteral("yes"), &ok);
    QVERIFY(!ok);
}

void TestSettings::firstRun()
{
    frmMain window;
    QVERIFY(ShowTip);
    QVERIFY(!Probe(window).mnuSkip->isChecked());
    QCOMPARE(int(Probe(window).TargetSize), 250);
    QCOMPARE(int(Probe(window).Quality), 80);
    QVERIFY(!Probe(window).CustomValues);
    QCOMPARE(window.frameGeometry().topLeft(), QPoint(0, 0));
    QCOMPARE(window.size(), window.minimumSize());
    QCOMPARE(window.WindowStateNumber(), int(frmMain::StateNormal));
    const QHeaderView *header = Probe(window).lvwMain()->header();
    for (int column = 0; column < Probe(window).lvwMain()->columnCount(); ++column) {
        QCOMPARE(header->visualIndex(column), column);
        QCOMPARE(Probe(window).lvwMain()->columnWidth(column), Probe(window).lvwMain()->DefaultColumnWidth(column));
        QCOMPARE(int(Probe(window).DesignColumnWidths[column + 1]), Probe(window).lvwMain()->DefaultColumnWidth(column) * 15);
    }
}

void TestSettings::roundTrip()
{
    QRect outer;
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ShowTip = false;
        Probe(window).mnuSkip->setChecked(true);
        Probe(window).LastFile = QStringLiteral("/music/a.mp3");
        Probe(window).LastFolder = QStringLiteral("/music");
        Probe(window).TargetSize = 300;
        Probe(window).Quality = 90;
        Probe(window).lvwMain()->header()->moveSection(2, 0); // "Status" first
        Probe(window).lvwMain()->setColumnWidth(4, 333);
        window.setGeometry(40, 30, 820, 470);
        outer = window.frameGeometry();
        window.close();
    }
    QCOMPARE(Stored(QStringLiteral("Config"), QStringLiteral("ShowTip")), QStringLiteral("False"));
    QCOMPARE(Stored(QStringLiteral("CHeaderPos"), QStringLiteral("Position 3")), QStringLiteral("1"));
    QCOMPARE(Stored(QStringLiteral("CHeaderPos"), QStringLiteral("Width 5")), QStringLiteral("4995"));
    // The outer window, frame included, in twips.
    QCOMPARE(Stored(QStringLiteral("Window"), QStringLiteral("Left")), QString::number(outer.left() * 15));
    QCOMPARE(Stored(QStringLiteral("Window"), QStringLiteral("Width")), QString::number(outer.width() * 15));

    ShowTip = true;
    frmMain window;
    QVERIFY(!ShowTip);
    QVERIFY(Probe(window).mnuSkip->isChecked());
    QCOMPARE(Probe(window).LastFile, QStringLiteral("/music/a.mp3"));
    QCOMPARE(Probe(window).LastFolder, QStringLiteral("/music"));
    QCOMPARE(int(Probe(window).TargetSize), 300);
    QCOMPARE(int(Probe(window).Quality), 90);
    QCOMPARE(Probe(window).lvwMain()->header()->logicalIndex(0), 2);
    QCOMPARE(Probe(window).lvwMain()->columnWidth(4), 333);
    window.show();
    QTRY_COMPARE(window.frameGeometry(), outer);
}

void TestSettings::heightBeyondTheScreenResetsThePlace()
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    WriteIni(QStringLiteral("[Window]\nLeft=1500\nTop=1500\nWidth=%1\nHeight=%2\n")
                 .arg(12000)
                 .arg(screen.height() * 15 * 1.05 + 15)
                 .toUtf8());
    frmMain window;
    QCOMPARE(window.pos(), QPoint(0, 0));
    QCOMPARE(window.size(), window.minimumSize());
}

void TestSettings::widthOfExactlyFivePercentMoreIsAccepted()
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const int width = screen.width() * 15 * 105 / 100;
    WriteIni(QStringLiteral("[Window]\nLeft=150\nTop=150\nWidth=%1\nHeight=7500\n").arg(width).toUtf8());
    frmMain window;
    QCOMPARE(window.pos(), QPoint(10, 10));
    QCOMPARE(window.width(), qRound(width / 15.0));
}

void TestSettings::placeOffEveryScreenComesBack()
{
    WriteIni("[Window]\nLeft=-9000000\nTop=99999999\nWidth=12000\nHeight=7500\nState=7\n");
    frmMain window;
    QCOMPARE(window.pos(), QPoint(0, 0));
    QCOMPARE(window.size(), QSize(800, 500));
    QCOMPARE(window.WindowStateNumber(), int(frmMain::StateNormal));
}

void TestSettings::minimisedCloseKeepsTheStoredPlace()
{
    WriteIni("[Window]\nState=2\nLeft=150\nTop=300\nWidth=12000\nHeight=7500\n");
    {
        frmMain window;
        window.show();
        window.setWindowState(Qt::WindowMinimized);
        QCOMPARE(window.WindowStateNumber(), int(frmMain::StateMinimized));
        window.close();
    }
    QCOMPARE(Stored(QStringLiteral("Window"), QStringLiteral("State")), QStringLiteral("2"));
    QCOMPARE(Stored(QStringLiteral("Window"), QStringLiteral("Left")), QStringLiteral("150"));
    QCOMPARE(Stored(QStringLiteral("Config"), QStringLiteral("Size")), QStringLiteral("250"));
}

void TestSettings::maximisedCloseKeepsTheNormalPlace()
{
    WriteIni("[Window]\nState=2\nLeft=150\nTop=300\nWidth=12000\nHeight=7500\n");
    frmMain window;
    QVERIFY(Probe(window).RestorePending);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.WindowStateNumber(), int(frmMain::StateMaximized));

    // The first return to normal takes the stored place; later ones do not.
    window.showNormal();
    QTRY_COMPARE(window.frameGeometry(), QRect(10, 20, 800, 500));
    QVERIFY(!Probe(window).RestorePending);
    window.setGeometry(30, 40, 810, 510);
    window.showMaximized();
    QTRY_COMPARE(window.WindowStateNumber(), int(frmMain::StateMaximized));
    window.close();
    QCOMPARE(Stored(QStringLiteral("Window"), QStringLiteral("State")), QStringLiteral("2"));
    QCOMPARE(Stored(QStringLiteral("Window"), QStringLiteral("Left")), QStringLiteral("150"));
}

void TestSettings::customValuesKeptOnlyWhenTheUserSaysYes()
{
    WriteIni("[Config]\nSize=400\nQuality=70\n");
    for (const int answer : {Msg::No, Msg::Yes}) {
        answer_ = answer;
        questions_ = 0;
        {
            frmMain window(QStringLiteral("/300/90"));
            QVERIFY(Probe(window).CustomValues);
            QCOMPARE(int(Probe(window).TargetSize), 300);
            window.show();
            QVERIFY(window.close());
        }
        QCOMPARE(questions_, 1);
        const bool kept = answer == Msg::Yes;
        QCOMPARE(Stored(QStringLiteral("Config"), QStringLiteral("Size")),
                 QString::fromLatin1(kept ? "300" : "400"));
        QCOMPARE(Stored(QStringLiteral("Config"), QStringLiteral("Quality")),
                 QString::fromLatin1(kept ? "90" : "70"));
    }

    // Chosen in the window from the keyboard, they are the settings, kept without a question.
    questions_ = 0;
    WriteIni("[Config]\nShowTip=False\n");
    {
        frmMain window(QStringLiteral("/300/90"));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(Probe(window).lvwMain(), Qt::Key_O, Qt::AltModifier);
        QTRY_VERIFY(Probe(window).mnuOptions->isVisible());
        QTest::keyClick(Probe(window).mnuOptions, Qt::Key_P);
        QTRY_VERIFY(QApplication::activeModalWidget() && QApplication::activeModalWidget()->isActiveWindow());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("500"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("95"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(Probe(window).Statusbar->PanelText(2), QStringLiteral("Resize Settings  Size:500  Quality:95"));
        QVERIFY(window.close());
    }
    QCOMPARE(questions_, 0);
    QCOMPARE(Stored(QStringLiteral("Config"), QStringLiteral("Size")), QStringLiteral("500"));
    QCOMPARE(Stored(QStringLiteral("Config"), QStringLiteral("Quality")), QStringLiteral("95"));
}

void TestSettings::unreadableValuesKeepTheirDefaults()
{
    WriteIni("[Config]\nShowTip=maybe\nSkipSmaller=1\nSize=abc\n"
             "[CHeaderPos]\nPosition 1=99\nWidth 1=-5\nWidth 2=1e999\n");
    frmMain window;
    QVERIFY(!ShowTip); // the flag's own starting value
    QVERIFY(Probe(window).mnuSkip->isChecked());
    QCOMPARE(int(Probe(window).TargetSize), 250); // no number reads as 0, which means 250
    QCOMPARE(Probe(window).lvwMain()->header()->visualIndex(0), 0);
    QCOMPARE(Probe(window).lvwMain()->columnWidth(0), Probe(window).lvwMain()->DefaultColumnWidth(0));
    QCOMPARE(Probe(window).lvwMain()->columnWidth(1), Probe(window).lvwMain()->DefaultColumnWidth(1));
}

void TestSettings::DragHeading(frmMain &window, int column, int to)
{
    QHeaderView *header = Probe(window).lvwMain()->header();
    QWidget *bar = header->viewport();
    const int y = header->height() / 2;
    const QPoint from(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, y);
    // The near end of the heading the column is dropped on.
    const int target = header->logicalIndex(to);
    const int left = header->sectionViewportPosition(target);
    const bool forward = to > header->visualIndex(column);
    const QPoint onto(forward ? left + header->sectionSize(target) - 3 : left + 3, y);
    QTest::mousePress(bar, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 8; ++step)
        QTest::mouseMove(bar, from + (onto - from) * step / 8);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, onto);
}

QList<int> TestSettings::ShownOrder(const frmMain &window)
{
    const QHeaderView *header = Probe(window).lvwMain()->header();
    QList<int> order;
    for (int visual = 0; visual < header->count(); ++visual)
        order << header->logicalIndex(visual);
    return order;
}

void TestSettings::columnOrderAfterDrags_data()
{
    QTest::addColumn<Drags>("drags");
    const QList<QPair<int, QString>> columns{
        {ColFileName, QStringLiteral("File Name")}, {ColStatus, QStringLiteral("Status")},
        {ColNewSize, QStringLiteral("New Size")}};
    for (const auto &first : columns) {
        for (const auto &second : columns) {
            if (first.first == second.first)
                continue;
            QTest::addRow("%s, then %s to the front", qPrintable(first.second), qPrintable(second.second))
                << Drags{{first.first, 0}, {second.first, 0}};
            QTest::addRow("%s to the end, then %s to the second place", qPrintable(first.second),
                          qPrintable(second.second))
                << Drags{{first.first, TrackColumnCount - 1}, {second.first, 1}};
        }
    }
    QTest::newRow("four moves") << Drags{
        {ColComment, 0}, {ColFileName, 5}, {ColYear, 1}, {ColStatus, TrackColumnCount - 1}};
}

// The headings are dragged with the mouse, the window closed and opened
// again: the columns come back in exactly the order they were left in.
void TestSettings::columnOrderAfterDrags()
{
    QFETCH(Drags, drags);
    QList<int> left;
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Probe(window).lvwMain()->resize(1200, Probe(window).lvwMain()->height()); // every heading in sight
        for (const auto &[column, to] : drags) {
            DragHeading(window, column, to);
            QCOMPARE(Probe(window).lvwMain()->header()->visualIndex(column), to);
        }
        left = ShownOrder(window);
        QVERIFY(window.close());
    }
    frmMain window;
    QCOMPARE(ShownOrder(window), left);
}

// A file edited by hand may name one column's place only: that column moves
// there, and the others keep their order around it.
void TestSettings::oneStoredPlaceMovesOneColumn()
{
    WriteIni("[CHeaderPos]\nPosition 3=1\n");
    frmMain window;
    QCOMPARE(ShownOrder(window).mid(0, 4), QList<int>({ColStatus, ColFileName, ColOriginalSize, ColNewSize}));
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
