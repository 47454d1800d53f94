// SPDX-License-Identifier: MIT
#include "support/testfiles.h"
#include "support/windowidle.h"
#include "support/workergate.h"
#include "window/backgroundjobs.h"
#include "window/frmmain.h"
#include "window/widgets/globals.h"
#include "window/widgets/listinputlock.h"
#include "window/widgets/sortarrowheader.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/tracksort.h"

#include <QScrollBar>
#include <QtTest>

// Sorting the real main window's track list, its heading arrow, and the
// input lock that keeps the list still during a run.
class TestSorting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void keysFollowNumericOrder();
    void trackAndYearSortByNumber();
    void numericSortRestoresEveryCell();
    void textColumnsIgnoreLetterCase();
    void headingClicksSetTheDirection();
    void noSortingWhileAnOperationRuns();
    void arrowStandsBesideTheText();
    void noArrowWithoutHeadings();
    void lockSwallowsClicksAndKeysButScrolls();

private:
    // A real click in the middle of a column's heading.
    static void ClickHeading(frmMain &window, TrackColumn column);
    static QStringList Column(const TrackList &list, TrackColumn column);
    static void Fill(TrackList &list, const QStringList &texts, TrackColumn column);

    QTemporaryDir config_;
};

void TestSorting::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    ShowTip = false;
    // Text columns sort in the user's language; the test machine may have none.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

QStringList TestSorting::Column(const TrackList &list, TrackColumn column)
{
    QStringList texts;
    for (int position = 1; position <= list.RowCount(); ++position)
        texts << list.Field(position, column);
    return texts;
}

void TestSorting::Fill(TrackList &list, const QStringList &texts, TrackColumn column)
{
    list.clear();
    for (int i = 0; i < texts.size(); ++i) {
        TrackRow row;
        row.Path = QStringLiteral("/music/%1.mp3").arg(i);
        row.FileName = QStringLiteral("%1.mp3").arg(i);
        const int position = list.AddRow(row);
        list.SetField(position, column, texts.at(i));
    }
}

void TestSorting::keysFollowNumericOrder()
{
    QCOMPARE(DigitComplement(QStringLiteral("-0123456789.x")), QStringLiteral(" 9876543210.x"));
    const QStringList ascending = {QStringLiteral("-12"), QStringLiteral("-3"), QStringLiteral("0"),
                                   QStringLiteral("2.5"), QStringLiteral("7"), QStringLiteral("10"),
                                   QStringLiteral("1e40")};
    for (int i = 1; i < ascending.size(); ++i)
        QVERIFY2(NumericSortKey(ascending.at(i - 1)) < NumericSortKey(ascending.at(i)),
                 qPrintable(ascending.at(i)));
    QCOMPARE(NumericSortKey(QStringLiteral("7/12")), NumericSortKey(QStringLiteral("7")));
    QCOMPARE(NumericSortKey(QString()), NumericSortKey(QStringLiteral("0")));
    QCOMPARE(NumericSortKey(QStringLiteral("7")).size(), 61);
}

void TestSorting::trackAndYearSortByNumber()
{
    frmMain window;
    TrackList &list = *Probe(window).lvwMain();
    Fill(list, {QStringLiteral("2"), QStringLiteral("10"), QStringLiteral("1/12")}, ColTrack);
    window.SortByColumn(ColTrack + 1);
    QCOMPARE(Column(list, ColTrack),
             QStringList({QStringLiteral("1/12"), QStringLiteral("2"), QStringLiteral("10")}));
    QCOMPARE(int(Probe(window).SortColumn), ColTrack + 1);

    Fill(list, {QStringLiteral("1999"), QString(), QStringLiteral("-5"), QStringLiteral("2001")}, ColYear);
    window.SortByColumn(ColYear + 1);
    QCOMPARE(Column(list, ColYear), QStringList({QStringLiteral("-5"), QString(),
                                                 QStringLiteral("1999"), QStringLiteral("2001")}));
    list.SetSortOrder(Qt::DescendingOrder);
    window.SortByColumn(ColYear + 1);
    QCOMPARE(Column(list, ColYear), QStringList({QStringLiteral("2001"), QStringLiteral("1999"),
                                                 QString(), QStringLiteral("-5")}));
    QVERIFY(!list.isSortingEnabled());
}

void TestSorting::numericSortRestoresEveryCell()
{
    frmMain window;
    TrackList &list = *Probe(window).lvwMain();
    const QStringList tracks = {QStringLiteral("03 of 12"), QStringLiteral(" 1"), QStringLiteral("x"),
                                QStringLiteral("2/2")};
    Fill(list, tracks, ColTrack);
    QHash<QString, QString> trackOfPath;
    for (int position = 1; position <= list.RowCount(); ++position) {
        list.topLevelItem(position - 1)->setData(ColTrack, TrackList::HiddenTextRole,
                                                 QStringLiteral("own %1").arg(position));
        trackOfPath.insert(list.PathAt(position), list.Field(position, ColTrack));
    }
    window.SortByColumn(ColTrack + 1);
    QCOMPARE(Column(list, ColTrack), QStringList({QStringLiteral("x"), QStringLiteral(" 1"),
                                                  QStringLiteral("2/2"), QStringLiteral("03 of 12")}));
    QSet<QString> hidden;
    for (int position = 1; position <= list.RowCount(); ++position) {
        QCOMPARE(list.Field(position, ColTrack), trackOfPath.value(list.PathAt(position)));
        hidden << list.topLevelItem(position - 1)->data(ColTrack, TrackList::HiddenTextRole).toString();
    }
    QCOMPARE(hidden.size(), 4);
    QVERIFY(list.IsPathListed(QStringLiteral("/music/3.mp3")));
}

void TestSorting::textColumnsIgnoreLetterCase()
{
    frmMain window;
    TrackList &list = *Probe(window).lvwMain();
    Fill(list, {QStringLiteral("beta"), QStringLiteral("Alpha"), QStringLiteral("Émile"), QStringLiteral("gamma")},
         ColArtist);
    window.SortByColumn(ColArtist + 1);
    QCOMPARE(Column(list, ColArtist), QStringList({QStringLiteral("Alpha"), QStringLiteral("beta"),
                                                   QStringLiteral("Émile"), QStringLiteral("gamma")}));
}

void TestSorting::ClickHeading(frmMain &window, TrackColumn column)
{
    QHeaderView *header = Probe(window).lvwMain()->header();
    const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
}

void TestSorting::headingClicksSetTheDirection()
{
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TrackList &list = *Probe(window).lvwMain();
    Fill(list, {QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")}, ColTitle);
    window.SortByColumn(1);
    const QStringList up{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    const QStringList down{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")};
    auto *header = qobject_cast<SortArrowHeader *>(list.header());

    // Another column sorts ascending; the same one again flips the direction.
    ClickHeading(window, ColTitle);
    QCOMPARE(int(Probe(window).SortColumn), ColTitle + 1);
    QCOMPARE(Column(list, ColTitle), up);
    QCOMPARE(list.SortOrder(), Qt::AscendingOrder);
    ClickHeading(window, ColTitle);
    QCOMPARE(Column(list, ColTitle), down);
    QCOMPARE(list.SortOrder(), Qt::DescendingOrder);
    QCOMPARE(header->ArrowSection(), int(ColTitle));
    ClickHeading(window, ColTitle);
    QCOMPARE(Column(list, ColTitle), up);

    ClickHeading(window, ColTitle);
    ClickHeading(window, ColArtist);
    QCOMPARE(list.SortOrder(), Qt::AscendingOrder);
    QCOMPARE(int(Probe(window).SortColumn), ColArtist + 1);
    ClickHeading(window, ColTitle);
    QCOMPARE(Column(list, ColTitle), up);
}

void TestSorting::noSortingWhileAnOperationRuns()
{
    QTemporaryDir dir;
    const QString added = dir.filePath(QStringLiteral("added.mp3"));
    QVERIFY(TestFiles::Write(added, QByteArray(4096, '\0')));
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TrackList &list = *Probe(window).lvwMain();
    Fill(list, {QStringLiteral("b"), QStringLiteral("a")}, ColFileName);
    window.SortByColumn(1);

    // A click on the sorted column's heading while a file is added (which
    // leaves the list open to the mouse) does not sort, and the sort at the
    // end keeps the direction the list had.
    WorkerGate reading;
    BackgroundJobs::SetBeforeJobHook([&reading](int) { reading.Pass(); });
    window.GetFileInfo({QString(), added});
    QTRY_VERIFY(reading.Entered());
    QVERIFY(Probe(window).OperationRunning);
    ClickHeading(window, ColFileName);
    reading.Open();
    QVERIFY(WaitUntilIdle(window));
    BackgroundJobs::SetBeforeJobHook(nullptr);
    QCOMPARE(int(Probe(window).SortColumn), 1);
    QCOMPARE(list.SortOrder(), Qt::AscendingOrder);
    QCOMPARE(Column(list, ColFileName),
             QStringList({QStringLiteral("a"), QStringLiteral("added.mp3"), QStringLiteral("b")}));
}

void TestSorting::arrowStandsBesideTheText()
{
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TrackList &list = *Probe(window).lvwMain();
    auto *header = qobject_cast<SortArrowHeader *>(list.header());
    QVERIFY(header);

    window.ColumnHeadingClicked(ColStatus + 1);
    QCOMPARE(header->ArrowSection(), int(ColStatus));
    header->repaint();
    const int left = header->sectionViewportPosition(ColStatus);
    const int textEnd = left + header->fontMetrics().horizontalAdvance(QStringLiteral("Status"));
    QVERIFY(header->ArrowRect().left() > textEnd); // right of the left-aligned text

    list.headerItem()->setTextAlignment(ColNewSize, Qt::AlignRight | Qt::AlignVCenter);
    window.ColumnHeadingClicked(ColNewSize + 1);
    header->repaint();
    const int newLeft = header->sectionViewportPosition(ColNewSize);
    QVERIFY(header->ArrowRect().right() < newLeft + header->sectionSize(ColNewSize) / 2);
    QCOMPARE(header->ArrowSection(), int(ColNewSize));
}

void TestSorting::noArrowWithoutHeadings()
{
    frmMain window;
    Probe(window).lvwMain()->setHeaderHidden(true);
    QVERIFY(!Probe(window).SortIcons.SetHeaderIcons(2, 0));
    clsLVHeaderSortIcons unattached;
    QVERIFY(!unattached.SetHeaderIcons(0, 0));
}

void TestSorting::lockSwallowsClicksAndKeysButScrolls()
{
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TrackList &list = *Probe(window).lvwMain();
    QStringList many;
    for (int i = 0; i < 200; ++i)
        many << QString::number(i);
    Fill(list, many, ColTitle);
    QWidget *rows = list.viewport();
    const QPoint second(rows->width() / 2, list.visualItemRect(list.topLevelItem(1)).center().y());

    LockListInput(&list);
    QTest::mouseClick(rows, Qt::LeftButton, {}, second);
    QTest::keyClick(&list, Qt::Key_Down);
    QVERIFY(list.selectedItems().isEmpty());
    QWheelEvent wheel(QPointF(second), QPointF(rows->mapToGlobal(second)), QPoint(), QPoint(0, -240),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(rows, &wheel);
    QVERIFY(list.verticalScrollBar()->value() > 0);
    list.verticalScrollBar()->setValue(0);

    UnlockListInput(&list);
    UnlockListInput(&list); // twice is harmless
    QVERIFY(!ListInputLocked(&list));
    QTest::mouseClick(rows, Qt::LeftButton, {}, second);
    QCOMPARE(list.selectedItems().size(), 1);
}

QTEST_MAIN(TestSorting)
#include "tst_sorting.moc"
