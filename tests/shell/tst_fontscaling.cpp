// SPDX-License-Identifier: MIT
#include "engine/convert/statuses.h"
#include "support/messageboxes.h"
#include "window/dialogs/frmabout.h"
#include "window/dialogs/frmpicmod.h"
#include "window/dialogs/frmtip.h"
#include "window/frmmain.h"
#include "window/widgets/globals.h"
#include "window/widgets/sortarrowheader.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"

#include <anchorlib/anchor.h>
#include <anchorlib/designscale.h>
#include <anchorlib/ppanchors.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionHeader>
#include <QtTest>

#include <functional>

// The windows at the desktop's usual font sizes: every caption shows whole,
// the track list's columns fit the program's own texts and headings, and the
// anchors keep the grown places on the window's edges. The suite runs this
// on a wide screen, there with QT_SCALE_FACTOR=2, and on a small screen.
class TestFontScaling : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void captionsShowWhole_data();
    void captionsShowWhole();
    void defaultColumnsFitTheirTexts_data();
    void defaultColumnsFitTheirTexts();
    void anchorsKeepTheGrownPlacesOnTheEdges_data();
    void anchorsKeepTheGrownPlacesOnTheEdges();

private:
    static void PointSizes();
    static void UseFont(qreal pointSize);
    // What each caption in window has and needs, for every one that is cut.
    static QStringList CutCaptions(const QWidget *window);

    QTemporaryDir config_;
    QFont startFont_;
    QStringList messages_;
};

namespace {

QString Describe(const QWidget *widget, const QString &text, const QRect &room, const QFontMetrics &metrics)
{
    return QStringLiteral("%1 \"%2\" needs %3 x %4 in %5 x %6")
        .arg(widget->objectName(), text)
        .arg(metrics.horizontalAdvance(text))
        .arg(metrics.height())
        .arg(room.width())
        .arg(room.height());
}

// Where a label draws its text.
QRect LabelRoom(const QLabel *label)
{
    return label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
}

// Where a push button, check box or radio button draws its text, as its style
// lays it out.
QRect ButtonRoom(const QAbstractButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox *>(button))
        contents = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<const QRadioButton *>(button))
        contents = QStyle::SE_RadioButtonContents;
    QRect room = button->style()->subElementRect(contents, &option, button);
    // A push button's picture stands left of its text, the styles' 4 pixels apart.
    if (contents == QStyle::SE_PushButtonContents && !button->icon().isNull())
        room.setLeft(room.left() + button->iconSize().width() + 4);
    return room;
}

bool Fits(const QString &text, const QRect &room, const QFontMetrics &metrics)
{
    return metrics.horizontalAdvance(text) <= room.width() && metrics.height() <= room.height();
}

// A wrapped text fits when each word fits a line and all its lines fit the height.
bool WrappedFits(const QLabel *label, const QRect &room, const QFontMetrics &metrics)
{
    for (const QString &word : label->text().split(u' ', Qt::SkipEmptyParts)) {
        if (metrics.horizontalAdvance(word) > room.width())
            return false;
    }
    return label->heightForWidth(label->width()) <= label->height();
}

// Shows window, runs look on it, and closes it.
void ShowAndLook(QWidget *window, const std::function<void(QWidget *)> &look)
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    look(window);
    window->close();
}

TrackList *ListOf(QWidget *window)
{
    return window->findChild<TrackList *>(QStringLiteral("lvwMain"));
}

} // namespace

void TestFontScaling::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    startFont_ = QApplication::font();
    ShowTip = false;
    CollectMessageBoxes(&messages_);
}

void TestFontScaling::cleanup()
{
    QApplication::setFont(startFont_);
    // Each window starts from the designed columns and place, not from the last one's.
    QFile::remove(config_.path() + QStringLiteral("/Brisko/Brisko.ini"));
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join(u'\n')));
}

void TestFontScaling::PointSizes()
{
    QTest::addColumn<qreal>("pointSize");
}

void TestFontScaling::UseFont(qreal pointSize)
{
    QFont font = QApplication::font();
    font.setPointSizeF(pointSize);
    QApplication::setFont(font);
}

QStringList TestFontScaling::CutCaptions(const QWidget *window)
{
    QStringList cut;
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(window))
            continue;
        const QFontMetrics metrics = widget->fontMetrics();
        if (const auto *label = qobject_cast<const QLabel *>(widget)) {
            const QRect room = LabelRoom(label);
            const bool fits = label->wordWrap() ? WrappedFits(label, room, metrics)
                                                : Fits(label->text(), room, metrics);
            if (!label->text().isEmpty() && !fits)
                cut << Describe(label, label->text(), room, metrics);
        } else if (const auto *button = qobject_cast<const QAbstractButton *>(widget)) {
            const QRect room = ButtonRoom(button);
            if (!button->text().isEmpty() && !Fits(button->text(), room, metrics))
                cut << Describe(button, button->text(), room, metrics);
        }
    }
    return cut;
}

void TestFontScaling::captionsShowWhole_data()
{
    QTest::addColumn<qreal>("pointSize");
    QTest::addColumn<QString>("window");
    for (const qreal size : {9.0, 11.0, 14.0}) {
        for (const char *window : {"main", "picture and tag", "about", "tip", "anchor page", "anchor about"})
            QTest::addRow("%s at %g pt", window, size) << size << QString::fromLatin1(window);
    }
}

void TestFontScaling::captionsShowWhole()
{
    QFETCH(qreal, pointSize);
    QFETCH(QString, window);
    UseFont(pointSize);
    QStringList cut;
    const auto look = [&cut](QWidget *shown) { cut = CutCaptions(shown); };

    if (window == QLatin1String("main")) {
        frmMain main;
        // Every panel with text, as after a long run with a picture kept.
        auto *bar = main.findChild<StatusPanels *>(QStringLiteral("Statusbar"));
        bar->SetPanelText(3, QStringLiteral("Resized 10000, failed 10000, skipped 10000"));
        bar->SetPanelVisible(4, true);
        ShowAndLook(&main, look);
        // Panel 2 shows whole; a bar too narrow shortens the others, their whole text in the tip.
        for (int panel = 1; panel <= StatusPanels::PanelCount; ++panel) {
            const QLabel *label = bar->findChildren<QLabel *>().at(panel - 1);
            const QString whole = bar->PanelText(panel);
            QVERIFY(label->text() == whole || (panel != 2 && label->toolTip() == whole));
            // A whole text has the room the label needs to draw it, frame and indent included.
            QVERIFY2(label->text() != whole || label->width() >= label->sizeHint().width(), qPrintable(whole));
        }
    } else if (window == QLatin1String("picture and tag")) {
        frmMain main;
        frmPicMod dialog(ListOf(&main), &main);
        ShowAndLook(&dialog, look);
    } else if (window == QLatin1String("about")) {
        ShowAndLook(new frmAbout(nullptr), look);
    } else if (window == QLatin1String("tip")) {
        ShowAndLook(new frmTip(nullptr), look);
    } else if (window == QLatin1String("anchor page")) {
        anchorlib::ppAnchors page;
        ShowAndLook(&page, look);
    } else {
        QWidget form;
        auto *anchor = new anchorlib::Anchor(&form);
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            if (QWidget *box = QApplication::activeModalWidget()) {
                seen = true;
                ShowAndLook(box, look);
            }
        });
        anchor->ShowAbout();
        QVERIFY(seen);
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("\n"))));
}

void TestFontScaling::defaultColumnsFitTheirTexts_data()
{
    PointSizes();
    for (const qreal size : {9.0, 11.0, 14.0})
        QTest::addRow("%g pt", size) << size;
}

// Every status and a size not converted yet show whole in their cells, and a
// heading's text ends before its sort arrow, which stays in the heading.
void TestFontScaling::defaultColumnsFitTheirTexts()
{
    QFETCH(qreal, pointSize);
    UseFont(pointSize);
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TrackList *list = ListOf(&window);
    for (const QString &status : StatusTexts()) {
        TrackRow row;
        row.Path = QStringLiteral("/music/") + status + QStringLiteral(".mp3");
        row.FileName = status + QStringLiteral(".mp3");
        row.Status = status;
        list->AddRow(row);
    }
    // What the cells need, as the list itself measures them.
    const QAbstractItemView *view = list;
    for (const int column : {int(ColStatus), int(ColNewSize)}) {
        const int needed = view->sizeHintForColumn(column);
        QVERIFY(needed > 0);
        QVERIFY2(needed <= list->columnWidth(column),
                 qPrintable(QStringLiteral("column %1 needs %2, has %3").arg(column).arg(needed).arg(list->columnWidth(column))));
    }

    auto *header = qobject_cast<SortArrowHeader *>(list->header());
    QVERIFY(header);
    const QFontMetrics metrics = header->fontMetrics();
    const QStringList headings = TrackColumnHeadings();
    for (int column = 0; column < list->columnCount(); ++column) {
        list->horizontalScrollBar()->setValue(header->sectionPosition(column));
        const int left = header->sectionViewportPosition(column);
        const int width = header->sectionSize(column);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(left + width / 2, header->height() / 2));
        QTRY_COMPARE(header->ArrowSection(), column);
        header->grab(); // paints the heading with its arrow

        QStyleOptionHeader option;
        option.initFrom(header);
        option.rect = QRect(left, 0, width, header->height());
        option.text = headings.at(column);
        const QRect label = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header);
        const QRect arrow = header->ArrowRect();
        const QString what = QStringLiteral("%1: text ends at %2, arrow %3..%4, heading ends at %5")
                                 .arg(headings.at(column))
                                 .arg(label.left() + metrics.horizontalAdvance(headings.at(column)))
                                 .arg(arrow.left())
                                 .arg(arrow.right())
                                 .arg(left + width - 1);
        QVERIFY2(!arrow.isEmpty(), qPrintable(what));
        QVERIFY2(arrow.left() > label.left() + metrics.horizontalAdvance(headings.at(column)), qPrintable(what));
        QVERIFY2(arrow.right() < left + width, qPrintable(what));
    }
}

void TestFontScaling::anchorsKeepTheGrownPlacesOnTheEdges_data()
{
    PointSizes();
    for (const qreal size : {9.0, 11.0, 14.0})
        QTest::addRow("%g pt", size) << size;
}

void TestFontScaling::anchorsKeepTheGrownPlacesOnTheEdges()
{
    QFETCH(qreal, pointSize);
    UseFont(pointSize);
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // The window is never smaller than its designed minimum grown with the font, but for the screen.
    const anchorlib::DesignScale scale(window.font());
    QVERIFY(scale.Across() > 1);
    QCOMPARE(window.MinimumWindowSize(), scale.Size(QSize(790, 455)).boundedTo(window.screen()->availableSize()));
    window.resize(100, 100);
    QTRY_COMPARE(window.frameGeometry().size(), window.MinimumWindowSize());

    // Grown, the list stretches and the buttons follow the right edge.
    TrackList *list = ListOf(&window);
    auto *stop = window.findChild<QPushButton *>(QStringLiteral("cmdCancel"));
    auto *files = window.findChild<QPushButton *>(QStringLiteral("cmdFiles"));
    const QRect listPlace = list->geometry();
    const QRect stopPlace = stop->geometry();
    const QRect filesPlace = files->geometry();
    QVERIFY(listPlace.right() < stopPlace.left());
    window.resize(window.width() + 160, window.height() + 90);
    QTRY_COMPARE(list->geometry(), listPlace.adjusted(0, 0, 160, 90));
    QCOMPARE(stop->geometry(), stopPlace.translated(160, 0));
    QCOMPARE(files->geometry(), filesPlace.translated(160, 0));
}

QTEST_MAIN(TestFontScaling)
#include "tst_fontscaling.moc"
