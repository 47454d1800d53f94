// SPDX-License-Identifier: MIT
#include "base/briskoerror.h"
#include "window/widgets/picturescaler.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

class TestPictureScaler : public QObject
{
    Q_OBJECT

private slots:
    void placement_data();
    void placement();
    void defaults();
    void drawsThePictureWhereItBelongs();
    void noPictureShowsTheBackground();
    void frameNarrowsTheArea();
    void largeReductionsAreAveraged();
    void appearanceIsFixedAtRunTime();
    void eventsArePassedOn();
    void dropsAreOfferedToTheForm();
};

void TestPictureScaler::placement_data()
{
    QTest::addColumn<QSizeF>("picture");
    QTest::addColumn<QSizeF>("area");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<bool>("center");
    QTest::addColumn<QRectF>("drawn");

    const QSizeF square(200, 200);
    QTest::newRow("small, centred, kept") << QSizeF(100, 50) << square << false << true
                                          << QRectF(50, 75, 100, 50);
    QTest::newRow("small, not centred") << QSizeF(100, 50) << square << false << false
                                        << QRectF(0, 0, 100, 50);
    QTest::newRow("small, stretched") << QSizeF(100, 50) << square << true << true
                                      << QRectF(0, 50, 200, 100);
    QTest::newRow("large, wide") << QSizeF(400, 300) << square << false << true
                                 << QRectF(0, 25, 200, 150);
    QTest::newRow("large, wide, stretch makes no difference")
        << QSizeF(400, 300) << square << true << true << QRectF(0, 25, 200, 150);
    QTest::newRow("large, wide, not centred") << QSizeF(400, 300) << square << false << false
                                              << QRectF(0, 0, 200, 150);
    QTest::newRow("large, tall") << QSizeF(300, 600) << square << false << true
                                 << QRectF(50, 0, 100, 200);
    QTest::newRow("large, tall, not centred") << QSizeF(300, 600) << square << false << false
                                              << QRectF(0, 0, 100, 200);
    QTest::newRow("as wide as the area is scaled") << QSizeF(200, 100) << square << false << true
                                                   << QRectF(0, 50, 200, 100);
    QTest::newRow("exactly the area") << QSizeF(200, 200) << square << false << true
                                      << QRectF(0, 0, 200, 200);
    QTest::newRow("fractional result") << QSizeF(300, 200) << QSizeF(100, 100) << false << true
                                       << QRectF(0, 50 - 100 / 1.5 / 2, 100, 100 / 1.5);
    QTest::newRow("no picture") << QSizeF(0, 0) << square << true << true << QRectF();
    QTest::newRow("zero height") << QSizeF(50, 0) << square << true << true << QRectF();
}

void TestPictureScaler::placement()
{
    QFETCH(QSizeF, picture);
    QFETCH(QSizeF, area);
    QFETCH(bool, stretch);
    QFETCH(bool, center);
    QFETCH(QRectF, drawn);

    const QRectF placed = PicturePlacement(float(picture.width()), float(picture.height()),
                                           float(area.width()), float(area.height()), stretch, center);
    QCOMPARE(placed.isNull(), drawn.isNull());
    QVERIFY2(qAbs(placed.x() - drawn.x()) < 1e-3 && qAbs(placed.y() - drawn.y()) < 1e-3
                 && qAbs(placed.width() - drawn.width()) < 1e-3
                 && qAbs(placed.height() - drawn.height()) < 1e-3,
             qPrintable(QStringLiteral("drawn at %1,%2 %3 x %4")
                            .arg(placed.x()).arg(placed.y()).arg(placed.width()).arg(placed.height())));
}

void TestPictureScaler::defaults()
{
    PictureScaler scaler;
    QCOMPARE(scaler.Appearance(), 1);
    QCOMPARE(scaler.BackColor(), quint32(0x8000000F));
    QCOMPARE(scaler.BorderStyle(), 1);
    QVERIFY(scaler.CenterImage());
    QVERIFY(scaler.Stretch());
    QVERIFY(scaler.Enabled());
    QCOMPARE(scaler.OLEDropMode(), 0);
    QVERIFY(scaler.Picture().isNull());
    QCOMPARE(scaler.PixelsX(), 0);
}

static QImage Filled(int width, int height, const QColor &colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

void TestPictureScaler::drawsThePictureWhereItBelongs()
{
    PictureScaler scaler;
    scaler.SetBorderStyle(0);
    scaler.SetBackColor(0x00FF0000); // blue: colours are stored blue, green, red
    scaler.resize(200, 200);
    scaler.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scaler));
    scaler.SetStretch(false);
    scaler.SetPicture(Filled(100, 50, Qt::red));
    QCOMPARE(scaler.PixelsX(), 100);
    QCOMPARE(scaler.PixelsY(), 50);
    QCOMPARE(scaler.DrawnRect(), QRectF(50, 75, 100, 50));

    QImage shot = scaler.grab().toImage();
    QCOMPARE(shot.pixelColor(100, 100), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(10, 10), QColor(Qt::blue));
    QCOMPARE(shot.pixelColor(100, 70), QColor(Qt::blue));

    QSignalSpy resized(&scaler, &PictureScaler::Resize);
    scaler.SetStretch(true);
    QCOMPARE(scaler.DrawnRect(), QRectF(0, 50, 200, 100));
    scaler.resize(400, 100);
    QCOMPARE(resized.count(), 1);
    QCOMPARE(scaler.DrawnRect(), QRectF(100, 0, 200, 100));
    scaler.SetCenterImage(false);
    QCOMPARE(scaler.DrawnRect(), QRectF(0, 0, 200, 100));
    shot = scaler.grab().toImage();
    QCOMPARE(shot.pixelColor(150, 50), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(250, 50), QColor(Qt::blue));
}

void TestPictureScaler::noPictureShowsTheBackground()
{
    PictureScaler scaler;
    scaler.SetBorderStyle(0);
    scaler.SetBackColor(0x0000FF00);
    scaler.resize(100, 100);
    scaler.SetPicture(Filled(80, 80, Qt::red));
    scaler.SetPicture(QImage());
    QVERIFY(scaler.DrawnRect().isNull());
    const QImage shot = scaler.grab().toImage();
    QCOMPARE(shot.pixelColor(50, 50), QColor(Qt::green));
}

void TestPictureScaler::frameNarrowsTheArea()
{
    PictureScaler scaler;
    scaler.resize(204, 204);
    const QRect area = scaler.contentsRect();
    QVERIFY(area.width() < 204);
    scaler.SetPicture(Filled(400, 300, Qt::red));
    const QRectF drawn = scaler.DrawnRect();
    QCOMPARE(drawn.left(), qreal(area.left()));
    QCOMPARE(drawn.width(), qreal(area.width()));
    QVERIFY(qAbs(drawn.center().y() - QRectF(area).center().y()) < 0.01);
}

void TestPictureScaler::largeReductionsAreAveraged()
{
    // One-pixel black and white stripes shrunk ten times must turn grey; a
    // filter that picks pixels would show black or white.
    QImage stripes(1000, 1000, QImage::Format_RGB32);
    for (int y = 0; y < stripes.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(stripes.scanLine(y));
        for (int x = 0; x < stripes.width(); ++x)
            line[x] = (x % 2) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    }
    PictureScaler scaler;
    scaler.SetBorderStyle(0);
    scaler.resize(100, 100);
    scaler.SetPicture(stripes);
    const QImage shot = scaler.grab().toImage();
    for (const QPoint &at : {QPoint(20, 20), QPoint(50, 50), QPoint(73, 41)}) {
        const int grey = qGray(shot.pixel(at));
        QVERIFY2(grey > 96 && grey < 160, qPrintable(QString::number(grey)));
    }
}

void TestPictureScaler::appearanceIsFixedAtRunTime()
{
    PictureScaler scaler;
    try {
        scaler.SetAppearance(0);
        QFAIL("writing Appearance at run time was accepted");
    } catch (const BriskoError &error) {
        QCOMPARE(error.Number(), 31013);
        QCOMPARE(error.Description(), QStringLiteral("Property is read-only at run time."));
    }
    QCOMPARE(scaler.Appearance(), 1);

    scaler.SetDesignMode(true);
    scaler.SetAppearance(0);
    QCOMPARE(scaler.Appearance(), 0);
    QCOMPARE(scaler.frameShape(), QFrame::Box);
    scaler.SetBorderStyle(0);
    QCOMPARE(scaler.frameShape(), QFrame::NoFrame);
}

void TestPictureScaler::eventsArePassedOn()
{
    PictureScaler scaler;
    scaler.resize(100, 100);
    scaler.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scaler));

    QSignalSpy down(&scaler, &PictureScaler::MouseDown);
    QSignalSpy up(&scaler, &PictureScaler::MouseUp);
    QSignalSpy click(&scaler, &PictureScaler::Click);
    QSignalSpy doubleClick(&scaler, &PictureScaler::DblClick);
    QTest::mouseClick(&scaler, Qt::RightButton, Qt::ShiftModifier, QPoint(30, 40));
    QCOMPARE(down.count(), 1);
    QCOMPARE(down.at(0).at(0).toInt(), 2);
    QCOMPARE(down.at(0).at(1).toInt(), 1);
    QCOMPARE(down.at(0).at(2).toFloat(), 30.0f);
    QCOMPARE(down.at(0).at(3).toFloat(), 40.0f);
    QCOMPARE(up.count(), 1);
    QCOMPARE(click.count(), 1);
    QTest::mouseDClick(&scaler, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(doubleClick.count(), 1);

    QSignalSpy keyDown(&scaler, &PictureScaler::KeyDown);
    QSignalSpy keyPress(&scaler, &PictureScaler::KeyPress);
    QSignalSpy keyUp(&scaler, &PictureScaler::KeyUp);
    QTest::keyClick(&scaler, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
    // The modifier keys go down first, each an event of its own.
    QVERIFY(!keyDown.isEmpty());
    QCOMPARE(keyDown.last().at(0).toInt(), int(Qt::Key_A));
    QCOMPARE(keyDown.last().at(1).toInt(), 6);
    QVERIFY(!keyUp.isEmpty());
    QCOMPARE(keyUp.first().at(0).toInt(), int(Qt::Key_A));
    keyPress.clear();
    QTest::keyClick(&scaler, Qt::Key_B);
    QCOMPARE(keyPress.count(), 1);
    QCOMPARE(keyPress.at(0).at(0).toInt(), int('b'));
}

void TestPictureScaler::dropsAreOfferedToTheForm()
{
    PictureScaler scaler;
    scaler.resize(100, 100);
    QVERIFY(!scaler.acceptDrops());
    scaler.SetOLEDropMode(1);
    QCOMPARE(scaler.OLEDropMode(), 1);
    QVERIFY(scaler.acceptDrops());

    QString dropped;
    connect(&scaler, &PictureScaler::OLEDragDrop, this,
            [&dropped](const QMimeData *data, int *effect, int, int, float, float) {
                dropped = data->text();
                *effect = data->hasText() ? 1 : 0;
            },
            Qt::DirectConnection);

    QList<int> overStates;
    connect(&scaler, &PictureScaler::OLEDragOver, this,
            [&overStates](const QMimeData *, int *effect, int, int, float, float, int state) {
                overStates << state;
                *effect = 2;
            },
            Qt::DirectConnection);

    // Delivered straight to the widget, as a drag that is under way would be.
    QObject *target = &scaler;
    QMimeData data;
    data.setText(QStringLiteral("picture"));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    target->event(&enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::MoveAction);
    QCOMPARE(overStates, QList<int>({0}));

    QDropEvent accepted(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
    target->event(&accepted);
    QCOMPARE(dropped, QStringLiteral("picture"));
    QVERIFY(accepted.isAccepted());
    QCOMPARE(accepted.dropAction(), Qt::CopyAction);

    QMimeData empty;
    QDropEvent refused(QPointF(10, 10), Qt::CopyAction, &empty, Qt::LeftButton, Qt::NoModifier);
    target->event(&refused);
    QVERIFY(!refused.isAccepted());
}

QTEST_MAIN(TestPictureScaler)
#include "tst_picturescaler.moc"
