// SPDX-License-Identifier: MIT
#include "window/frmmain.h"
#include "window/widgets/artwork.h"
#include "window/widgets/globals.h"

#include <QLabel>
#include <QPainter>
#include <QtTest>

#include <cmath>

// The logo and the picture cards read in dark themes as in light ones: their
// text stands out from what it is drawn on by the contrast that the web's
// accessibility guidelines ask of body text (4.5 : 1).
class TestArtwork : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void textStandsOut_data();
    void textStandsOut();
    void cardsAreDrawnOnTheBaseColour();
    void windowRedrawsForAnotherTheme();

private:
    static QPalette Dark();
    static QPalette Light();
    QTemporaryDir config_;
};

namespace {

double Luminance(const QColor &colour)
{
    const auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

double Contrast(const QColor &a, const QColor &b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// The picture as shown on a plain background.
QImage Over(const QImage &picture, const QColor &background)
{
    QImage shown(picture.size(), QImage::Format_RGB32);
    shown.fill(background);
    QPainter(&shown).drawImage(0, 0, picture);
    return shown;
}

// How many pixels of the band stand out from background by ratio or more.
int PixelsStandingOut(const QImage &shown, const QRect &band, const QColor &background, double ratio)
{
    int count = 0;
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x)
            count += Contrast(shown.pixelColor(x, y), background) >= ratio;
    return count;
}

} // namespace

void TestArtwork::init()
{
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    ShowTip = false;
}

void TestArtwork::cleanup()
{
    QApplication::setPalette(QPalette());
}

QPalette TestArtwork::Dark()
{
    QPalette palette;
    for (const auto &[role, colour] : {std::pair{QPalette::Window, QColor(53, 53, 53)},
                                       {QPalette::WindowText, QColor(238, 238, 238)},
                                       {QPalette::Button, QColor(53, 53, 53)},
                                       {QPalette::ButtonText, QColor(238, 238, 238)},
                                       {QPalette::Base, QColor(35, 35, 35)},
                                       {QPalette::Text, QColor(230, 230, 230)}})
        palette.setColor(role, colour);
    return palette;
}

QPalette TestArtwork::Light()
{
    QPalette palette;
    for (const auto &[role, colour] : {std::pair{QPalette::Window, QColor(239, 239, 239)},
                                       {QPalette::WindowText, QColor(0, 0, 0)},
                                       {QPalette::Button, QColor(239, 239, 239)},
                                       {QPalette::ButtonText, QColor(0, 0, 0)},
                                       {QPalette::Base, QColor(255, 255, 255)},
                                       {QPalette::Text, QColor(0, 0, 0)}})
        palette.setColor(role, colour);
    return palette;
}

void TestArtwork::textStandsOut_data()
{
    QTest::addColumn<QImage>("shown");
    QTest::addColumn<QRect>("band");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<double>("ratio");
    for (const auto &[theme, palette] : {std::pair{"dark", Dark()}, {"light", Light()}}) {
        const QColor window = palette.color(QPalette::Window);
        const auto row = [theme = theme](const char *what) -> QTestData & { return QTest::addRow("%s %s", what, theme); };
        // The logo lies on the window; the cards bring their own background.
        const QImage logo = Over(LogoPicture(150, palette), window);
        row("logo name") << logo << QRect(0, 108, 150, 26) << window << 4.5;
        row("logo tagline") << logo << QRect(0, 136, 150, 12) << window << 4.5;
        // Non-text parts need 3 : 1: the rim of the record, left and right.
        row("logo disc left") << logo << QRect(30, 54, 4, 4) << window << 3.0;
        row("logo disc right") << logo << QRect(116, 54, 4, 4) << window << 3.0;
        row("banner name") << Over(LogoBanner(30, palette), window) << QRect(36, 0, 84, 30) << window << 4.5;
        row("banner disc") << Over(LogoBanner(30, palette), window) << QRect(2, 13, 2, 4) << window << 3.0;
        const QImage cards[] = {NoPictureImage(QString(), palette),
                                NoPictureImage(QStringLiteral("unsupported picture (WebP)"), palette),
                                PlaceholderPicture(Placeholder::SeveralSelected, palette),
                                PlaceholderPicture(Placeholder::NewPicture, palette)};
        const char *names[] = {"no picture", "unsupported picture", "several selected", "new picture"};
        for (int i = 0; i < 4; ++i) {
            const QImage card = Over(cards[i], window);
            const QColor own = card.pixelColor(12, 12);
            row(names[i]) << card << QRect(6, 60, 134, 18) << own << 4.5;
            row((names[i] + QByteArray(" text")).constData()) << card << QRect(8, 80, 130, 60) << own << 4.5;
        }
    }
}

void TestArtwork::textStandsOut()
{
    QFETCH(QImage, shown);
    QFETCH(QRect, band);
    QFETCH(QColor, background);
    QFETCH(double, ratio);
    // The cores of the letters (or the rim's pixels), not a stray one.
    const int needed = qMin(20, band.width() * band.height() / 2);
    const int standing = PixelsStandingOut(shown, band, background, ratio);
    QVERIFY2(standing >= needed, qPrintable(QStringLiteral("%1 pixels of %2 stand out").arg(standing).arg(needed)));
}

// In a dark theme the cards are dark too, like the fields around them.
void TestArtwork::cardsAreDrawnOnTheBaseColour()
{
    for (const QPalette &palette : {Dark(), Light()}) {
        QCOMPARE(NoPictureImage(QString(), palette).pixelColor(12, 12), palette.color(QPalette::Base));
        QCOMPARE(PlaceholderPicture(Placeholder::NewPicture, palette).pixelColor(12, 12),
                 palette.color(QPalette::Base));
    }
}

// The window draws its logos from its palette, at start and when the theme
// changes while it runs.
void TestArtwork::windowRedrawsForAnotherTheme()
{
    QApplication::setPalette(Dark());
    frmMain window;
    QSignalSpy activated(&window, &frmMain::FirstActivated);
    window.show();
    QVERIFY(activated.wait());
    const auto name = [&window](const char *widget, const QRect &band) {
        QWidget *shown = window.findChild<QWidget *>(QLatin1String(widget));
        return PixelsStandingOut(shown->grab().toImage(), band, window.palette().color(QPalette::Window), 4.5);
    };
    const QRect logoName(0, 110, 150, 22);
    const QRect bannerName(36, 0, 84, 30);
    QVERIFY(name("imgDisplay", logoName) >= 20);
    QVERIFY(name("imgLogo", bannerName) >= 20);

    QApplication::setPalette(Light());
    QTRY_COMPARE(window.palette().color(QPalette::Window), Light().color(QPalette::Window));
    QVERIFY(name("imgDisplay", logoName) >= 20);
    QVERIFY(name("imgLogo", bannerName) >= 20);
}

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
