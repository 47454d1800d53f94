// SPDX-License-Identifier: MIT
#include "window/widgets/trackrow.h"

#include <QtTest>

#include <cmath>

class TestTrackRows : public QObject
{
    Q_OBJECT

private slots:
    void formatSize_data();
    void formatSize();
    void statusesAndIcons_data();
    void statusesAndIcons();
    void finalStatusIsExact();
    void newRowDefaults();
};

void TestTrackRows::formatSize_data()
{
    QTest::addColumn<float>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0.0f << QStringLiteral("0.00 KB");
    QTest::newRow("2048") << 2048.0f << QStringLiteral("2.00 KB");
    QTest::newRow("just under 1 KB rounds up") << 1023.0f << QStringLiteral("1.00 KB");
    QTest::newRow("an exact half rounds up") << 128.0f << QStringLiteral("0.13 KB");
    QTest::newRow("last KB value") << 1022976.0f << QStringLiteral("999.00 KB");
    QTest::newRow("first MB value") << 1022977.0f << QStringLiteral("0.98 MB");
    QTest::newRow("5.5 MB") << 5767168.0f << QStringLiteral("5.50 MB");
    QTest::newRow("last MB value") << 1047527424.0f << QStringLiteral("999.00 MB");
    QTest::newRow("next float is GB")
        << std::nextafter(1047527424.0f, 2e9f) << QStringLiteral("0.98 GB");
    QTest::newRow("beyond 999 GB stays GB") << 2.0e12f << QStringLiteral("1862.65 GB");
}

void TestTrackRows::formatSize()
{
    QFETCH(float, bytes);
    QFETCH(QString, text);
    QCOMPARE(FormatSize(bytes), text);
}

void TestTrackRows::statusesAndIcons_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("final");

    QTest::newRow("unchanged") << QStringLiteral("Unchanged") << 4 << false;
    QTest::newRow("no picture") << QStringLiteral("No Picture") << 3 << true;
    QTest::newRow("resized") << QStringLiteral("Resized") << 5 << true;
    QTest::newRow("resize failed") << QStringLiteral("Resize Failed") << 7 << false;
    QTest::newRow("low drive space") << QStringLiteral("Low Drive Space") << 7 << false;
    QTest::newRow("file missing") << QStringLiteral("File Missing") << 7 << true;
    QTest::newRow("tag changed") << QStringLiteral("Tag Changed") << 6 << false;
    QTest::newRow("pic and tag changed") << QStringLiteral("Pic | Tag Changed") << 6 << true;
    QTest::newRow("change pic failed") << QStringLiteral("Change Pic Failed") << 7 << false;
}

void TestTrackRows::statusesAndIcons()
{
    QFETCH(QString, status);
    QFETCH(int, icon);
    QFETCH(bool, final);
    QCOMPARE(StatusIcon(status), icon);
    QCOMPARE(IsFinalStatus(status), final);
}

void TestTrackRows::finalStatusIsExact()
{
    QVERIFY(!IsFinalStatus(QStringLiteral("resized")));
    QVERIFY(!IsFinalStatus(QStringLiteral("Resized ")));
    QVERIFY(!IsFinalStatus(QString()));
    QCOMPARE(StatusIcon(QStringLiteral("Something else")), 0);
}

void TestTrackRows::newRowDefaults()
{
    const TrackRow row;
    QCOMPARE(row.OriginalSize, QStringLiteral("0 x 0"));
    QCOMPARE(row.NewSize, QStringLiteral("----------"));
    QCOMPARE(SizeText(300, 150), QStringLiteral("300 x 150"));

    const QStringList headings = TrackColumnHeadings();
    QCOMPARE(headings.size(), int(TrackColumnCount));
    QCOMPARE(headings.at(ColYear), QStringLiteral("Year"));
    QCOMPARE(headings.at(ColGenre), QStringLiteral("Genre"));
}

QTEST_APPLESS_MAIN(TestTrackRows)
#include "tst_trackrows.moc"
