// SPDX-License-Identifier: MIT
#include "engine/cmdline.h"

#include <QtTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void switches_data();
    void switches();
    void storedValuesAreBounded_data();
    void storedValuesAreBounded();
    void panelTexts();
    void joinedArguments();
};

void TestCommandLine::switches_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("quality");

    QTest::newRow("size and quality") << "/300/90" << 300 << 90;
    QTest::newRow("size only") << "/300" << 300 << 80;
    QTest::newRow("zeros") << "/0/0" << 250 << 50;
    QTest::newRow("below and above") << "/50/120" << 100 << 100;
    QTest::newRow("size too large") << "/5000" << 1000 << 80;
    QTest::newRow("size before the slash is ignored") << "300/90" << 100 << 80;
    QTest::newRow("further slashes stay in the quality") << "/300/90/70" << 300 << 90;
    QTest::newRow("blanks inside the digits") << "/3 0 0" << 300 << 80;
    QTest::newRow("half to even down") << "/300.5" << 300 << 80;
    QTest::newRow("half to even up") << "/301.5" << 302 << 80;
    QTest::newRow("letters for the size") << "/abc" << 250 << 80;
    QTest::newRow("letters for the quality") << "/300/abc" << 300 << 50;
    QTest::newRow("text before the switches") << "--verbose /400/60" << 400 << 60;
    QTest::newRow("empty switch") << "/" << 250 << 80;
    // Beyond 16 bits the number is held at the 16-bit limit, then bounded.
    QTest::newRow("huge size") << "/99999/99999" << 1000 << 100;
    QTest::newRow("huge negative size") << "/-99999/-99999" << 100 << 50;
    QTest::newRow("exponent beyond double") << "/1e999" << 1000 << 80;
    QTest::newRow("hexadecimal") << "/&H12C" << 300 << 80;
}

void TestCommandLine::switches()
{
    QFETCH(QString, commandLine);
    QFETCH(int, size);
    QFETCH(int, quality);
    const ResizeSwitches result = ReadResizeSwitches(commandLine, 777, 77);
    QCOMPARE(int(result.targetSize), size);
    QCOMPARE(int(result.quality), quality);
    QVERIFY(result.customValues);
}

void TestCommandLine::storedValuesAreBounded_data()
{
    QTest::addColumn<int>("storedSize");
    QTest::addColumn<int>("storedQuality");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("quality");

    QTest::newRow("defaults") << 250 << 80 << 250 << 80;
    QTest::newRow("zero size means 250, zero quality is bounded") << 0 << 0 << 250 << 50;
    QTest::newRow("out of range") << 5 << 500 << 100 << 100;
    QTest::newRow("negative") << -300 << -1 << 100 << 50;
}

void TestCommandLine::storedValuesAreBounded()
{
    QFETCH(int, storedSize);
    QFETCH(int, storedQuality);
    QFETCH(int, size);
    QFETCH(int, quality);
    const ResizeSwitches result =
        ReadResizeSwitches(QStringLiteral("no switches here"), qint16(storedSize), qint16(storedQuality));
    QCOMPARE(int(result.targetSize), size);
    QCOMPARE(int(result.quality), quality);
    QVERIFY(!result.customValues);
}

void TestCommandLine::panelTexts()
{
    QCOMPARE(ReadResizeSwitches(QString(), 250, 80).panelText,
             QStringLiteral("Resize Settings  Size:250  Quality:80"));
    QCOMPARE(ReadResizeSwitches(QStringLiteral("/300/90"), 250, 80).panelText,
             QStringLiteral("Resize Manually Set  Size:300  Quality:90"));
}

void TestCommandLine::joinedArguments()
{
    QCOMPARE(JoinCommandLine({QStringLiteral("brisko"), QStringLiteral("/300"), QStringLiteral("x y")}),
             QStringLiteral("/300 x y"));
    QCOMPARE(JoinCommandLine({QStringLiteral("brisko")}), QString());
}

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_cmdline.moc"
