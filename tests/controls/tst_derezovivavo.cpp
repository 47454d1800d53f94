// SPDX-License-Identifier: MIT
#include "window/widgets/derezovivavo.h"
#include "window/widgets/msgbox.h"

#include <QtTest>

class TestPercentBar : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void fillAndText_data();
    void fillAndText();
    void maxBelowOneIsRefused();

private:
    static QColor At(DeRezovivAvo &bar, double fraction);
};

void TestPercentBar::defaults()
{
    DeRezovivAvo bar;
    QCOMPARE(bar.Max(), 100);
    QCOMPARE(bar.Value(), 0);
    QCOMPARE(bar.FillColor(), quint32(0x8000000D));
    QCOMPARE(bar.BackColor(), quint32(0x8000000F));
    QCOMPARE(bar.ForeColor(), quint32(0x80000008));
    QVERIFY(bar.Caption().isEmpty());
}

// The colour at a fraction of the width, along the top row, away from the text.
QColor TestPercentBar::At(DeRezovivAvo &bar, double fraction)
{
    const QImage shot = bar.grab().toImage();
    return shot.pixelColor(int(fraction * shot.width()), 1);
}

void TestPercentBar::fillAndText_data()
{
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<double>("fill");
    QTest::addColumn<QString>("text");

    QTest::newRow("a quarter") << 200 << 50 << QStringLiteral("Resizing") << 0.25
                               << QStringLiteral("Resizing 25%");
    QTest::newRow("negative: full, caption alone") << 100 << -1 << QStringLiteral("Reading Folders")
                                                   << 1.0 << QStringLiteral("Reading Folders");
    QTest::newRow("nothing yet") << 100 << 0 << QStringLiteral("Reading") << 0.0
                                 << QStringLiteral("Reading 0%");
    QTest::newRow("past the maximum") << 200 << 300 << QStringLiteral("Resizing") << 1.5
                                      << QStringLiteral("Resizing 150%");
    QTest::newRow("empty caption keeps its blank") << 100 << 25 << QString() << 0.25
                                                   << QStringLiteral(" 25%");
    QTest::newRow("thirds round") << 3 << 2 << QStringLiteral("Adding") << 2.0 / 3
                                  << QStringLiteral("Adding 67%");
}

void TestPercentBar::fillAndText()
{
    QFETCH(int, max);
    QFETCH(int, value);
    QFETCH(QString, caption);
    QFETCH(double, fill);
    QFETCH(QString, text);

    DeRezovivAvo bar;
    bar.resize(400, 30);
    bar.SetFillColor(0x000000FF); // red
    bar.SetBackColor(0x00FFFFFF); // white
    bar.SetMax(max);
    bar.SetValue(value);
    bar.SetCaption(caption);
    QCOMPARE(bar.DisplayText(), text);
    QVERIFY(qAbs(bar.FillFraction() - fill) < 1e-6);

    const QColor red(Qt::red);
    const QColor white(Qt::white);
    if (fill > 0.05)
        QCOMPARE(At(bar, std::min(fill, 1.0) - 0.04), red);
    if (fill < 0.95)
        QCOMPARE(At(bar, fill + 0.04), white);
}

void TestPercentBar::maxBelowOneIsRefused()
{
    QStringList shown;
    SetMsgBoxHandler([&shown](const QString &prompt, int style, const QString &title) {
        shown << prompt << QString::number(style) << title;
        return Msg::OK;
    });
    DeRezovivAvo bar;
    bar.SetMax(50);
    bar.SetMax(0);
    bar.SetMax(-5);
    SetMsgBoxHandler(nullptr);

    QCOMPARE(bar.Max(), 50);
    QCOMPARE(shown.size(), 6);
    QCOMPARE(shown.at(0), QStringLiteral("Invalid property value."));
    QCOMPARE(shown.at(1).toInt(), Msg::Exclamation | Msg::OKOnly);
    QCOMPARE(shown.at(2), QStringLiteral("KvProgressBar"));
    bar.SetMax(1);
    QCOMPARE(bar.Max(), 1);
}

QTEST_MAIN(TestPercentBar)
#include "tst_derezovivavo.moc"
