// SPDX-License-Identifier: MIT
#include "window/widgets/tracksort.h"

#include "base/textvalue.h"
#include "window/widgets/tracklist.h"

#include <QHeaderView>
#include <QVector>

#include <cmath>
#include <utility>

QString DigitComplement(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        if (c >= u'0' && c <= u'9')
            c = QChar(u'9' - (c.unicode() - u'0'));
        else if (c == u'-')
            c = u' ';
    }
    return result;
}

namespace {

// 30 integer digits with leading zeros, a point and 30 decimals.
QString FixedKey(double magnitude)
{
    constexpr double Largest = 9.99999999999999e29; // keeps the 30 digits
    if (!(magnitude < Largest))
        magnitude = Largest;
    return QString::asprintf("%061.30f", magnitude);
}

bool IsNumericColumn(int column)
{
    return column == ColTrack + 1 || column == ColYear + 1;
}

} // namespace

QString NumericSortKey(const QString &text)
{
    const double value = TextValue(text);
    if (value >= 0)
        return FixedKey(value);
    return u'&' + DigitComplement(FixedKey(-value));
}

void SortTrackList(TrackList &list, int column)
{
    const int k = column - 1;
    if (k < 0 || k >= list.columnCount())
        return;
    const bool wasUpdating = list.updatesEnabled();
    list.setUpdatesEnabled(false);
    const Qt::SortOrder order = list.SortOrder();
    if (!IsNumericColumn(column)) {
        list.sortItems(k, order);
    } else {
        // The cells hold their keys while the list sorts, then get their own
        // texts back; the items keep their identity through the sort.
        QVector<std::pair<QTreeWidgetItem *, QString>> shown;
        shown.reserve(list.RowCount());
        for (int i = 0; i < list.topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = list.topLevelItem(i);
            shown.append({item, item->text(k)});
            item->setText(k, NumericSortKey(shown.last().second));
        }
        list.sortItems(k, order);
        for (const auto &[item, text] : std::as_const(shown))
            item->setText(k, text);
    }
    // Sorting is never left on (switching it off also stops heading clicks).
    if (list.isSortingEnabled()) {
        list.setSortingEnabled(false);
        list.header()->setSectionsClickable(true);
    }
    list.setUpdatesEnabled(wasUpdating);
    list.viewport()->update();
}
