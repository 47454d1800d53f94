// SPDX-License-Identifier: MIT
#include <anchorlib/anchor.h>
#include <anchorlib/anchorlib.h>
#include <anchorlib/designscale.h>
#include <anchorlib/ppanchors.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

QString Tag(const QWidget *widget)
{
    return widget->property("Tag").toString();
}

QStringList Entries(const anchorlib::ppAnchors &page)
{
    QStringList entries;
    for (int row = 0; row < page.lstCtrls()->count(); ++row)
        entries << page.lstCtrls()->item(row)->text();
    return entries;
}

QString Bars(const anchorlib::ppAnchors &page)
{
    QString bars;
    for (int side = 0; side < 4; ++side)
        bars += page.IsBarSet(side) ? QLatin1Char('T') : QLatin1Char('F');
    return bars;
}

} // namespace

class TestPropertyPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pageLayout();
    void firstOpening();
    void secondOpening();
    void barsToggleAndApply();
    void clearThenApply();
    void controlArrayEntries();
    void writesGoThroughTheTagWriter();

private:
    QWidget *AddLabel(const char *name, const QString &tag = QString());

    std::unique_ptr<QWidget> form_;
    anchorlib::Anchor *anchor_ = nullptr;
};

void TestPropertyPage::init()
{
    form_ = std::make_unique<QWidget>();
    form_->resize(400, 300);
    anchor_ = new anchorlib::Anchor(form_.get());
    anchor_->setProperty("Tag", QStringLiteral("TTTT*/mine"));
    anchorlib::SetCurrentForm(form_.get());
}

void TestPropertyPage::cleanup()
{
    anchorlib::SetTagWriter(nullptr);
    form_.reset();
}

QWidget *TestPropertyPage::AddLabel(const char *name, const QString &tag)
{
    auto *label = new QLabel(form_.get());
    label->setObjectName(QString::fromLatin1(name));
    if (!tag.isNull())
        label->setProperty("Tag", tag);
    return label;
}

void TestPropertyPage::pageLayout()
{
    anchorlib::ppAnchors page;
    QCOMPARE(page.windowTitle(), QStringLiteral("Anchors"));
    // Designed for a small font, and as much bigger as the font is.
    QCOMPARE(page.size(), anchorlib::DesignScale(page.font()).Size(QSize(363, 196)));
    auto *title = page.findChild<QLabel *>(QStringLiteral("lblTitle"));
    QVERIFY(title);
    QCOMPARE(title->text(), QStringLiteral("Select an object, set anchors and then click Apply"));
    QCOMPARE(page.cmdClear()->text(), QStringLiteral("Clear"));
    QCOMPARE(page.findChildren<QLabel *>(QStringLiteral("lblSides")).size(), 4);

    // The bars sit left, above, right and below the Clear button.
    const QRect clear = page.cmdClear()->geometry();
    QRect bars[4];
    for (QLabel *bar : page.findChildren<QLabel *>(QStringLiteral("lblSides")))
        bars[bar->property("Index").toInt()] = bar->geometry();
    QVERIFY(bars[0].right() < clear.left());
    QVERIFY(bars[1].bottom() < clear.top());
    QVERIFY(bars[2].left() > clear.right());
    QVERIFY(bars[3].top() > clear.bottom());
}

void TestPropertyPage::firstOpening()
{
    QWidget *first = AddLabel("lblFirst");
    QWidget *second = AddLabel("cmdSecond", QStringLiteral("own text"));
    anchorlib::ppAnchors page;
    page.SelectionChanged();

    QCOMPARE(Entries(page), QStringList({QStringLiteral("lblFirst"), QStringLiteral("cmdSecond")}));
    QCOMPARE(Tag(first), QStringLiteral("TTFF*/"));
    QCOMPARE(Tag(second), QStringLiteral("TTFF*/own text"));
    QCOMPARE(page.lstCtrls()->currentRow(), 0);
    QCOMPARE(Bars(page), QStringLiteral("TTFF"));
    // An Anchor is never listed, and a code it carries is taken off.
    QCOMPARE(Tag(anchor_), QStringLiteral("mine"));
    QVERIFY(!page.IsChanged());
}

void TestPropertyPage::secondOpening()
{
    QWidget *label = AddLabel("lblOnce", QStringLiteral("FFTT*/x"));
    anchorlib::ppAnchors page;
    page.SelectionChanged();
    page.SelectionChanged();
    QCOMPARE(Entries(page), QStringList({QStringLiteral("lblOnce")}));
    QCOMPARE(Tag(label), QStringLiteral("FFTT*/x"));
    QCOMPARE(Bars(page), QStringLiteral("FFTT"));
}

void TestPropertyPage::barsToggleAndApply()
{
    AddLabel("lblA");
    QWidget *b = AddLabel("lblB", QStringLiteral("TFTF*/b"));
    anchorlib::ppAnchors page;
    QSignalSpy changed(&page, &anchorlib::ppAnchors::Changed);
    page.SelectionChanged();

    page.SelectEntry(1);
    QCOMPARE(Bars(page), QStringLiteral("TFTF"));
    page.ClickBar(3);
    page.ClickBar(0);
    QCOMPARE(Bars(page), QStringLiteral("FFTT"));
    QCOMPARE(changed.count(), 2);
    QVERIFY(page.IsChanged());
    page.Apply();
    QCOMPARE(Tag(b), QStringLiteral("FFTT*/b"));
    QVERIFY(!page.IsChanged());

    // Unapplied changes are dropped when another entry is chosen.
    page.ClickBar(1);
    page.SelectEntry(0);
    page.SelectEntry(1);
    QCOMPARE(Bars(page), QStringLiteral("FFTT"));

    // A real click on a bar toggles it too.
    auto bars = page.findChildren<QLabel *>(QStringLiteral("lblSides"));
    for (QLabel *bar : bars) {
        if (bar->property("Index").toInt() == 1)
            QTest::mouseClick(bar, Qt::LeftButton);
    }
    QCOMPARE(Bars(page), QStringLiteral("FTTT"));
}

void TestPropertyPage::clearThenApply()
{
    QWidget *label = AddLabel("lvwList", QStringLiteral("TTTT*/keep"));
    anchorlib::ppAnchors page;
    QSignalSpy changed(&page, &anchorlib::ppAnchors::Changed);
    page.SelectionChanged();
    page.cmdClear()->click();
    QCOMPARE(Bars(page), QStringLiteral("FFFF"));
    QCOMPARE(changed.count(), 1);
    page.Apply();
    QCOMPARE(Tag(label), QStringLiteral("FFFF*/keep"));

    // FFFF leaves the control where it is at run time.
    form_->show();
    const QRect before = label->geometry();
    anchor_->DoInit();
    QCOMPARE(Tag(label), QStringLiteral("keep"));
    form_->resize(500, 400);
    QCoreApplication::processEvents();
    QCOMPARE(label->geometry(), before);
}

void TestPropertyPage::controlArrayEntries()
{
    QWidget *zero = AddLabel("lblSides", QStringLiteral("TTFF*/"));
    zero->setProperty("Index", 0);
    QWidget *two = AddLabel("lblSides", QStringLiteral("TTFF*/"));
    two->setProperty("Index", 2);
    anchorlib::ppAnchors page;
    page.SelectionChanged();
    QCOMPARE(Entries(page), QStringList({QStringLiteral("lblSides(0)"), QStringLiteral("lblSides(2)")}));

    page.SelectEntry(1);
    page.ClickBar(2);
    page.Apply();
    QCOMPARE(Tag(two), QStringLiteral("TTTF*/"));
    QCOMPARE(Tag(zero), QStringLiteral("TTFF*/"));
}

void TestPropertyPage::writesGoThroughTheTagWriter()
{
    static QStringList written;
    written.clear();
    anchorlib::SetTagWriter([](QWidget *widget, const QString &tag) {
        written << widget->objectName() + QLatin1Char('=') + tag;
        widget->setProperty("Tag", tag);
    });
    AddLabel("lblOne");
    anchorlib::ppAnchors page;
    page.SelectionChanged();
    page.ClickBar(2);
    page.Apply();
    QCOMPARE(written, QStringList({QStringLiteral("Anchor1=mine"), QStringLiteral("lblOne=TTFF*/"),
                                   QStringLiteral("lblOne=TTTF*/")}));
}

QTEST_MAIN(TestPropertyPage)
#include "tst_ppanchors.moc"
