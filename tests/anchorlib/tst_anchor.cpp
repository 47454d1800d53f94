// SPDX-License-Identifier: MIT
#include <anchorlib/anchor.h>
#include <anchorlib/anchorlib.h>
#include <anchorlib/designscale.h>

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

// A form as a designer leaves it: widgets placed by hand, codes in their tags.
struct Form
{
    QWidget window;
    QWidget *statusBar;
    QWidget *button;
    QWidget *list;
    QWidget *fixed;
    QWidget *plain;
    anchorlib::Anchor *anchor;

    QWidget *Add(const char *name, const QRect &place, const QString &tag)
    {
        auto *widget = new QLabel(&window);
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(place);
        if (!tag.isNull())
            widget->setProperty("Tag", tag);
        return widget;
    }

    Form()
    {
        window.resize(600, 400);
        statusBar = Add("sbStatus", QRect(0, 380, 600, 20), QStringLiteral("TFTT*/"));
        button = Add("cmdOK", QRect(500, 340, 90, 30), QStringLiteral("FFTT*/abc"));
        list = Add("lvwMain", QRect(10, 10, 580, 320), QStringLiteral("TTTT*/"));
        fixed = Add("lblFixed", QRect(10, 340, 100, 20), QStringLiteral("TTFF*/"));
        plain = Add("lblPlain", QRect(120, 340, 100, 20), QStringLiteral("FFTT no marker"));
        anchor = new anchorlib::Anchor(&window);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qWarning("the form was not shown");
    }

    void ResizeTo(int width, int height)
    {
        window.resize(width, height);
        QTRY_COMPARE(window.size(), QSize(width, height));
        QCoreApplication::processEvents();
    }
};

} // namespace

class TestAnchor : public QObject
{
    Q_OBJECT

private slots:
    void invisibleAtRunTime();
    void initTakesTheCodesOutOfTheTags();
    void workedExample();
    void resizesBeforeInitMoveNothing();
    void minimisedFormIsNotLaidOut();
    void sizeBelowZeroIsRefusedAndTheRestMoves();
    void goneWidgetsAreSkipped();
    void updatesAreHeldBackDuringTheMoves();
    void currentFormFollowsTheControl();
    void aboutBox();
    void designScaleGrowsWithTheFont_data();
    void designScaleGrowsWithTheFont();
};

void TestAnchor::invisibleAtRunTime()
{
    Form form;
    QVERIFY(!form.anchor->isVisible());
    QCOMPARE(form.anchor->size(), QSize(32, 31));
    form.anchor->SetDesignMode(true);
    QVERIFY(form.anchor->isVisible());
    form.anchor->resize(200, 200);
    QCOMPARE(form.anchor->size(), QSize(32, 31));
}

void TestAnchor::initTakesTheCodesOutOfTheTags()
{
    Form form;
    form.anchor->DoInit();
    QCOMPARE(form.fixed->property("Tag").toString(), QString());
    QCOMPARE(form.button->property("Tag").toString(), QStringLiteral("abc"));
    QCOMPARE(form.plain->property("Tag").toString(), QStringLiteral("FFTT no marker"));
    QCOMPARE(form.anchor->AnchorCodeOf(form.button), QStringLiteral("FFTT"));
    QCOMPARE(form.anchor->AnchorCodeOf(form.plain), QString());
    QCOMPARE(form.anchor->BaseWidth(), 600);
    QCOMPARE(form.anchor->BaseHeight(), 400);
}

void TestAnchor::workedExample()
{
    Form form;
    QSignalSpy afterResize(form.anchor, &anchorlib::Anchor::AfterResize);
    form.anchor->DoInit();
    form.ResizeTo(640, 420); // 9000 x 6000 twips grown to 9600 x 6300

    QCOMPARE(form.statusBar->geometry(), QRect(0, 400, 640, 20));
    QCOMPARE(form.button->geometry(), QRect(540, 360, 90, 30));
    QCOMPARE(form.list->geometry(), QRect(10, 10, 620, 340));
    QCOMPARE(form.fixed->geometry(), QRect(10, 340, 100, 20));
    QCOMPARE(form.plain->geometry(), QRect(120, 340, 100, 20));
    QVERIFY(afterResize.count() >= 1);
    QCOMPARE(form.anchor->BaseWidth(), 640);

    // Changes add up from the last layout, and shrinking undoes them.
    form.ResizeTo(600, 400);
    QCOMPARE(form.button->geometry(), QRect(500, 340, 90, 30));
    QCOMPARE(form.list->geometry(), QRect(10, 10, 580, 320));
}

void TestAnchor::resizesBeforeInitMoveNothing()
{
    Form form;
    form.ResizeTo(700, 450);
    QCOMPARE(form.button->geometry(), QRect(500, 340, 90, 30));
    QCOMPARE(form.button->property("Tag").toString(), QStringLiteral("FFTT*/abc"));

    form.anchor->DoInit();
    form.ResizeTo(710, 460);
    QCOMPARE(form.button->geometry(), QRect(510, 350, 90, 30));
}

void TestAnchor::minimisedFormIsNotLaidOut()
{
    Form form;
    form.anchor->DoInit();
    QSignalSpy afterResize(form.anchor, &anchorlib::Anchor::AfterResize);

    form.window.setWindowState(Qt::WindowMinimized);
    form.ResizeTo(300, 200); // what some window systems report for a minimised window
    form.anchor->DoResize();
    QCOMPARE(afterResize.count(), 0);
    QCOMPARE(form.button->geometry(), QRect(500, 340, 90, 30));
    QCOMPARE(form.anchor->BaseWidth(), 600);

    form.window.setWindowState(Qt::WindowNoState);
    form.ResizeTo(650, 410);
    QCOMPARE(form.button->geometry(), QRect(550, 350, 90, 30));
    QVERIFY(afterResize.count() >= 1);
}

void TestAnchor::sizeBelowZeroIsRefusedAndTheRestMoves()
{
    Form form;
    form.list->setGeometry(10, 10, 580, 50);
    form.anchor->DoInit();
    form.ResizeTo(600, 320); // 80 shorter: the list would be -30 high

    QCOMPARE(form.list->geometry(), QRect(10, 10, 580, 50));
    QCOMPARE(form.button->geometry(), QRect(500, 260, 90, 30));
    QCOMPARE(form.statusBar->geometry(), QRect(0, 300, 600, 20));
}

void TestAnchor::goneWidgetsAreSkipped()
{
    Form form;
    form.anchor->DoInit();
    delete form.list;
    form.ResizeTo(620, 400);
    QCOMPARE(form.button->geometry(), QRect(520, 340, 90, 30));
}

void TestAnchor::updatesAreHeldBackDuringTheMoves()
{
    Form form;
    form.anchor->DoInit();

    // Watch the button move: the form must not repaint until all have moved.
    struct Watcher : QObject
    {
        QWidget *form = nullptr;
        int moves = 0;
        int movesWhileUpdating = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Move) {
                ++moves;
                if (form->updatesEnabled())
                    ++movesWhileUpdating;
            }
            return false;
        }
    } watcher;
    watcher.form = &form.window;
    form.button->installEventFilter(&watcher);
    form.ResizeTo(650, 450);
    QVERIFY(watcher.moves >= 1);
    QCOMPARE(watcher.movesWhileUpdating, 0);
    QVERIFY(form.window.updatesEnabled());
}

void TestAnchor::currentFormFollowsTheControl()
{
    auto form = std::make_unique<Form>();
    QCOMPARE(anchorlib::CurrentForm(), &form->window);
    QCOMPARE(form->anchor->ParentForm(), &form->window);

    QWidget other;
    auto *anchor = new anchorlib::Anchor;
    QCOMPARE(anchor->ParentForm(), nullptr);
    anchor->setParent(&other);
    QCOMPARE(anchor->ParentForm(), &other);
    QCOMPARE(anchorlib::CurrentForm(), &other);

    delete anchor;
    QCOMPARE(anchorlib::CurrentForm(), nullptr);
}

void TestAnchor::aboutBox()
{
    QWidget form;
    auto *anchor = new anchorlib::Anchor(&form);
    QString title;
    QStringList texts;
    QTimer::singleShot(0, this, [&] {
        QWidget *box = QApplication::activeModalWidget();
        if (!box)
            return;
        title = box->windowTitle();
        for (const QLabel *label : box->findChildren<QLabel *>())
            texts << label->text();
        if (auto *ok = box->findChild<QPushButton *>())
            ok->click();
    });
    anchor->ShowAbout();
    QCOMPARE(title, QStringLiteral("About ") + anchorlib::Title());
    QVERIFY(texts.contains(anchorlib::Title()));
    QVERIFY(texts.contains(QStringLiteral("Version 1.1.0")));
    QVERIFY(texts.contains(QStringLiteral("ActiveX control for anchoring objects on a form.")));
}

void TestAnchor::designScaleGrowsWithTheFont_data()
{
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<bool>("grows");
    QTest::newRow("smaller than the design font") << 7 << false;
    QTest::newRow("twice the design font") << 22 << true;
    QTest::newRow("three times") << 33 << true;
}

void TestAnchor::designScaleGrowsWithTheFont()
{
    QFETCH(int, pixelSize);
    QFETCH(bool, grows);
    QFont font;
    font.setPixelSize(pixelSize);
    const anchorlib::DesignScale scale(font);
    const QFontMetricsF metrics(font);
    const qreal letters = metrics.horizontalAdvance(
                              QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"))
                          / 52;
    // Across by the average letter, down by the line, as dialog units grow.
    QCOMPARE(scale.Across(), qMax<qreal>(1, letters / 6));
    QCOMPARE(scale.Down(), qMax<qreal>(1, metrics.height() / 13));
    QCOMPARE(scale.Across() > 1.5, grows);

    // Widgets that meet in the design still meet, and the rest keep their shape.
    const QRect list = scale.Place({4, 44, 621, 333});
    const QRect picture = scale.Place({625, 44, 150, 150});
    QCOMPARE(picture.left(), list.right() + 1);
    QCOMPARE(picture.top(), list.top());
    QVERIFY(qAbs(list.width() - 621 * scale.Across()) <= 1);
    QVERIFY(qAbs(list.height() - 333 * scale.Down()) <= 1);
    if (!grows)
        QCOMPARE(list, QRect(4, 44, 621, 333));

    // A form laid out with the grown places follows its edges as designed.
    Form form;
    const QRect button = scale.Place({540, 360, 90, 30});
    form.button->setGeometry(button);
    const QSize designed = scale.Size({640, 420});
    form.ResizeTo(designed.width(), designed.height());
    form.anchor->DoInit();
    form.ResizeTo(designed.width() + 50, designed.height() + 20);
    QCOMPARE(form.button->geometry(), button.translated(50, 20));
}

QTEST_MAIN(TestAnchor)
#include "tst_anchor.moc"
