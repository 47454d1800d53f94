// SPDX-License-Identifier: MIT
#include "base/textvalue.h"

#include <QtTest>

#include <cmath>
#include <limits>

class TestTextValue : public QObject
{
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
    void outOfRangeExponents();
    void roundingToIntegers_data();
    void roundingToIntegers();
};

void TestTextValue::reading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("no number") << QStringLiteral("abc") << 0.0;
    QTest::newRow("integer") << QStringLiteral("250") << 250.0;
    QTest::newRow("stops at a letter") << QStringLiteral("7/12") << 7.0;
    QTest::newRow("size text") << QStringLiteral("300 x 150") << 300.0;
    QTest::newRow("blanks anywhere") << QStringLiteral(" 1 2\t3\n4") << 1234.0;
    QTest::newRow("carriage return stops") << QStringLiteral("12\r3") << 12.0;
    QTest::newRow("negative") << QStringLiteral("-12.5") << -12.5;
    QTest::newRow("sign then blank") << QStringLiteral("- 3") << -3.0;
    QTest::newRow("plus") << QStringLiteral("+8") << 8.0;
    QTest::newRow("sign alone") << QStringLiteral("-") << 0.0;
    QTest::newRow("two signs") << QStringLiteral("--5") << 0.0;
    QTest::newRow("leading point") << QStringLiteral(".5") << 0.5;
    QTest::newRow("trailing point") << QStringLiteral("5.") << 5.0;
    QTest::newRow("point alone") << QStringLiteral(".") << 0.0;
    QTest::newRow("second point stops") << QStringLiteral("1.2.3") << 1.2;
    QTest::newRow("comma stops") << QStringLiteral("1,5") << 1.0;
    QTest::newRow("exponent") << QStringLiteral("1.5E3") << 1500.0;
    QTest::newRow("lower-case exponent") << QStringLiteral("2e2") << 200.0;
    QTest::newRow("D exponent") << QStringLiteral("1D2") << 100.0;
    QTest::newRow("negative exponent") << QStringLiteral("25e-1") << 2.5;
    QTest::newRow("exponent with blanks") << QStringLiteral("1 e + 2") << 100.0;
    QTest::newRow("exponent without digits") << QStringLiteral("3e") << 3.0;
    QTest::newRow("exponent sign without digits") << QStringLiteral("3e+x") << 3.0;
    QTest::newRow("hex") << QStringLiteral("&H1F") << 31.0;
    QTest::newRow("hex lower case") << QStringLiteral("&hff") << 255.0;
    QTest::newRow("hex stops") << QStringLiteral("&H1G") << 1.0;
    QTest::newRow("hex large") << QStringLiteral("&HFFFFFFFF") << 4294967295.0;
    QTest::newRow("octal") << QStringLiteral("&O17") << 15.0;
    QTest::newRow("octal stops at 8") << QStringLiteral("&O78") << 7.0;
    QTest::newRow("ampersand alone") << QStringLiteral("&") << 0.0;
    QTest::newRow("other prefix") << QStringLiteral("&X10") << 0.0;
    QTest::newRow("hex without digits") << QStringLiteral("&H") << 0.0;
    QTest::newRow("unicode digits are not digits") << QStringLiteral("٣") << 0.0;
    QTest::newRow("many digits")
        << QStringLiteral("123456789012345678901234567890") << 1.2345678901234568e29;
}

void TestTextValue::reading()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(TextValue(text), value);
}

void TestTextValue::outOfRangeExponents()
{
    QCOMPARE(TextValue(QStringLiteral("1e999")), std::numeric_limits<double>::infinity());
    QCOMPARE(TextValue(QStringLiteral("-1e999")), -std::numeric_limits<double>::infinity());
    QCOMPARE(TextValue(QStringLiteral("1e-999")), 0.0);
    QCOMPARE(RoundToInt16(TextValue(QStringLiteral("1e999"))), qint16(32767));
    QCOMPARE(RoundToInt32(TextValue(QStringLiteral("-1e999"))), qint32(-2147483647 - 1));
}

void TestTextValue::roundingToIntegers_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("int16");
    QTest::addColumn<qint64>("int32");

    QTest::newRow("0.5") << 0.5 << 0 << qint64(0);
    QTest::newRow("1.5") << 1.5 << 2 << qint64(2);
    QTest::newRow("2.5") << 2.5 << 2 << qint64(2);
    QTest::newRow("3.5") << 3.5 << 4 << qint64(4);
    QTest::newRow("2.4") << 2.4 << 2 << qint64(2);
    QTest::newRow("2.6") << 2.6 << 3 << qint64(3);
    QTest::newRow("-0.5") << -0.5 << 0 << qint64(0);
    QTest::newRow("-1.5") << -1.5 << -2 << qint64(-2);
    QTest::newRow("-2.5") << -2.5 << -2 << qint64(-2);
    QTest::newRow("int16 top") << 32767.4 << 32767 << qint64(32767);
    QTest::newRow("int16 top half") << 32767.5 << 32767 << qint64(32768);
    QTest::newRow("int16 bottom") << -32768.0 << -32768 << qint64(-32768);
    QTest::newRow("beyond int16") << 40000.0 << 32767 << qint64(40000);
    QTest::newRow("below int16") << -40000.0 << -32768 << qint64(-40000);
    QTest::newRow("beyond int32") << 1e12 << 32767 << qint64(2147483647);
    QTest::newRow("int32 half to even") << 2147483646.5 << 32767 << qint64(2147483646);
    QTest::newRow("not a number") << std::nan("") << 0 << qint64(0);
}

void TestTextValue::roundingToIntegers()
{
    QFETCH(double, value);
    QFETCH(int, int16);
    QFETCH(qint64, int32);
    QCOMPARE(int(RoundToInt16(value)), int16);
    QCOMPARE(qint64(RoundToInt32(value)), int32);
}

QTEST_APPLESS_MAIN(TestTextValue)
#include "tst_textvalue.moc"
