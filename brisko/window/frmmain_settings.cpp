// SPDX-License-Identifier: MIT
// The main window's settings: read once while it loads, written once when it
// closes.
#include "window/frmmain.h"

#include "base/textvalue.h"
#include "base/translation.h"
#include "engine/convert/cmdline.h"
#include "engine/convert/settingsstore.h"
#include "engine/convert/workerpool.h"
#include "window/dialogs/frmresizesettings.h"
#include "window/widgets/globals.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"

#include <QAction>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

namespace {

constexpr double TwipsPerPixel = 15;
// More threads than this only wait on the disk and hold memory.
constexpr int MaxWorkers = 64;

const QString Config = QStringLiteral("Config");
const QString HeaderPositions = QStringLiteral("CHeaderPos");
const QString Window = QStringLiteral("Window");

// "Position 1", "Width 11": the column number follows a blank.
QString ColumnKey(const char *name, int column)
{
    return QLatin1String(name) + u' ' + QString::number(column);
}

// Plain decimal, with the fraction when there is one.
QString NumberText(double value)
{
    return QString::number(value, 'g', 15);
}

QSizeF ScreenTwips()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize(1024, 768);
    return QSizeF(size) * TwipsPerPixel;
}

// A window is reachable when a good part of its top edge, where the title bar
// is, lies on some screen.
bool Reachable(const QRect &outer)
{
    const QRect titleBar(outer.left(), outer.top(), outer.width(), 30);
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect shared = titleBar.intersected(screen->geometry());
        if (shared.width() >= qMin(100, outer.width()) && shared.height() >= 10)
            return true;
    }
    return QGuiApplication::screens().isEmpty();
}

} // namespace

void frmMain::PlaceWindow(const QRectF &twips)
{
    const QRect outer(qRound(twips.left() / TwipsPerPixel), qRound(twips.top() / TwipsPerPixel),
                      qRound(twips.width() / TwipsPerPixel), qRound(twips.height() / TwipsPerPixel));
    // The frame's share of the outer size is known once the window is shown.
    const QSize frame = isVisible() ? frameGeometry().size() - geometry().size() : QSize(0, 0);
    FitMinimumToFrame();
    move(Reachable(outer) ? outer.topLeft() : QPoint(0, 0));
    resize(outer.size() - frame);
}

// Every column's place is read first and the order is built in one pass:
// moving the columns one after the other would shift the places of those
// moved before. A place that is missing or out of range keeps the column's
// own; where two columns ask for one place, the one that was moved goes first.
void frmMain::PlaceColumns(const SettingsStore &store)
{
    QHeaderView &header = *lvwMain_->header();
    const int count = lvwMain_->columnCount();
    struct Wish
    {
        int position;
        bool moved;
        int column;
    };
    std::vector<Wish> wishes;
    for (int column = 1; column <= count; ++column) {
        int position = RoundToInt16(TextValue(
            store.Value(HeaderPositions, ColumnKey("Position", column), QString::number(column))));
        if (position < 1 || position > count)
            position = column;
        wishes.push_back({position, position != column, column});
    }
    std::sort(wishes.begin(), wishes.end(), [](const Wish &a, const Wish &b) {
        return std::tie(a.position, b.moved, a.column) < std::tie(b.position, a.moved, b.column);
    });
    for (int visual = 0; visual < count; ++visual)
        header.moveSection(header.visualIndex(wishes.at(visual).column - 1), visual);
}

void frmMain::LoadSettings()
{
    const SettingsStore store;
    TrackList &list = *lvwMain_;

    DesignColumnWidths.fill(0, list.columnCount() + 1);
    for (int column = 1; column <= list.columnCount(); ++column)
        DesignColumnWidths[column] = RoundToInt16(list.columnWidth(column - 1) * TwipsPerPixel);

    bool ok = false;
    const bool tip = SettingToBool(store.Value(Config, QStringLiteral("ShowTip"),
                                               QStringLiteral("True")), &ok);
    if (ok)
        ShowTip = tip;
    LastFile = store.Value(Config, QStringLiteral("LastFile"), QString());
    LastFolder = store.Value(Config, QStringLiteral("LastFolder"), QString());
    const bool skip = SettingToBool(store.Value(Config, QStringLiteral("SkipSmaller"),
                                                QStringLiteral("False")), &ok);
    if (ok)
        mnuSkip->setChecked(skip);
    for (const auto &[key, entry] : {std::pair{"AllPictures", mnuAllPictures}, std::pair{"FrontCoverFirst", mnuFrontCoverFirst},
                                     std::pair{"UseFolderPicture", mnuFolderPicture}}) {
        const bool checked = SettingToBool(store.Value(Config, QLatin1String(key), QStringLiteral("False")), &ok);
        if (ok)
            entry->setChecked(checked);
    }
    Quality = RoundToInt16(TextValue(store.Value(Config, QStringLiteral("Quality"),
                                                 QStringLiteral("80"))));
    TargetSize = RoundToInt16(TextValue(store.Value(Config, QStringLiteral("Size"),
                                                    QStringLiteral("250"))));
    const double largest = TextValue(store.Value(Config, QStringLiteral("LargestPictureKB"), QStringLiteral("0")));
    LargestPictureKB = largest >= 0 && largest <= MaxLargestPictureKB ? int(largest) : 0;
    // Files read or converted at once: one a core unless the user wrote a
    // number of their own (a slow network drive may want fewer).
    const double workers = TextValue(store.Value(Config, QStringLiteral("Workers"), QStringLiteral("0")));
    Workers = workers >= 1 && workers <= MaxWorkers ? int(workers) : WorkerPool::DefaultThreads();

    PlaceColumns(store);
    for (int column = 1; column <= list.columnCount(); ++column) {
        const double width = TextValue(store.Value(HeaderPositions, ColumnKey("Width", column),
                                                   QString::number(DesignColumnWidths[column])));
        // Wider than any screen is not a width anyone set.
        if (width >= 0 && width <= 20000 * TwipsPerPixel)
            list.setColumnWidth(column - 1, qRound(width / TwipsPerPixel));
    }

    const QSizeF screen = ScreenTwips();
    const QSizeF minimum = QSizeF(MinimumWindowSize()) * TwipsPerPixel;
    const auto number = [&store](const char *key, double fallback) {
        const double value =
            TextValue(store.Value(Window, QLatin1String(key), NumberText(fallback)));
        return std::isfinite(value) ? value : fallback;
    };
    double left = 0;
    double top = 0;
    bool reset = false;
    const double height = number("Height", minimum.height());
    if (screen.height() * 1.05 < height)
        reset = true;
    else
        top = number("Top", 0);
    const double width = number("Width", minimum.width());
    if (screen.width() * 1.05 < width)
        reset = true;
    else
        left = number("Left", 0);
    SavedPlace = reset ? QRectF(QPointF(0, 0), minimum) : QRectF(left, top, width, height);
    // No smaller than the window may be.
    SavedPlace.setSize(SavedPlace.size().expandedTo(minimum));

    if (RoundToInt16(number("State", 0)) == StateMaximized) {
        RestorePending = true;
        LastWindowState = StateMaximized;
        setWindowState(Qt::WindowMaximized);
    } else {
        PlaceWindow(SavedPlace);
    }
}

void frmMain::SaveSettings()
{
    SettingsStore store;
    store.SetValue(Config, QStringLiteral("ShowTip"), BoolToSetting(ShowTip));
    store.SetValue(Config, QStringLiteral("LastFile"), LastFile);
    store.SetValue(Config, QStringLiteral("LastFolder"), LastFolder);
    store.SetValue(Config, QStringLiteral("SkipSmaller"), BoolToSetting(mnuSkip->isChecked()));
    store.SetValue(Config, QStringLiteral("AllPictures"), BoolToSetting(mnuAllPictures->isChecked()));
    store.SetValue(Config, QStringLiteral("FrontCoverFirst"), BoolToSetting(mnuFrontCoverFirst->isChecked()));
    store.SetValue(Config, QStringLiteral("UseFolderPicture"), BoolToSetting(mnuFolderPicture->isChecked()));
    store.SetValue(Config, QStringLiteral("LargestPictureKB"), QString::number(LargestPictureKB));
    if (!CustomValues) {
        store.SetValue(Config, QStringLiteral("Quality"), QString::number(Quality));
        store.SetValue(Config, QStringLiteral("Size"), QString::number(TargetSize));
    }

    const TrackList &list = *lvwMain_;
    for (int column = 1; column <= list.columnCount(); ++column) {
        store.SetValue(HeaderPositions, ColumnKey("Position", column),
                       QString::number(list.header()->visualIndex(column - 1) + 1));
        store.SetValue(HeaderPositions, ColumnKey("Width", column),
                       NumberText(list.columnWidth(column - 1) * TwipsPerPixel));
    }

    const int state = WindowStateNumber();
    if (state != StateMinimized) {
        store.SetValue(Window, QStringLiteral("State"), QString::number(state));
        if (state == StateNormal) {
            const QRect outer = frameGeometry();
            store.SetValue(Window, QStringLiteral("Left"), NumberText(outer.left() * TwipsPerPixel));
            store.SetValue(Window, QStringLiteral("Top"), NumberText(outer.top() * TwipsPerPixel));
            store.SetValue(Window, QStringLiteral("Height"),
                           NumberText(outer.height() * TwipsPerPixel));
            store.SetValue(Window, QStringLiteral("Width"), NumberText(outer.width() * TwipsPerPixel));
        }
    }
    store.Save();
}

void frmMain::ChooseSizeAndQuality()
{
    auto *dialog = new frmResizeSettings(TargetSize, Quality, LargestPictureKB, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        TargetSize = qint16(dialog->Size());
        Quality = qint16(dialog->Quality());
        LargestPictureKB = dialog->LargestPictureKB();
        // No longer values for one run: the close does not ask about them.
        CustomValues = false;
        // Read as stored settings are, the panel says "Resize Settings".
        Statusbar->SetPanelText(2, ShownText(ReadResizeSwitches(QString(), TargetSize, Quality).panelText));
    });
    dialog->open();
}
