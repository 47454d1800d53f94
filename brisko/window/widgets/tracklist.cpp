// SPDX-License-Identifier: MIT
#include "window/widgets/tracklist.h"

#include "base/errorlog.h"
#include "base/translation.h"
#include "window/widgets/sortarrowheader.h"
#include "window/widgets/trackicons.h"

#include <anchorlib/designscale.h>

#include <QCollator>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <sys/stat.h>

#include <algorithm>

namespace {

// Item data beside the hidden text, kept in the first cell.
constexpr int PathKeyRole = Qt::UserRole + 1;
constexpr int FileKeyRole = Qt::UserRole + 2;
constexpr int IconRole = Qt::UserRole + 3;
// The status cell shows its words in the user's language and keeps the
// English ones, which the program compares and stores.
constexpr int StatusRole = Qt::UserRole + 4;

void SetStatusText(QTreeWidgetItem *item, const QString &status)
{
    item->setData(ColStatus, StatusRole, status);
    item->setText(ColStatus, ShownText(status));
}

QString PathKey(const QString &path)
{
    return QStringLiteral("path:") + QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Device and inode name one file however it is reached; empty when the path
// leads to nothing.
QString FileKey(const QString &path)
{
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QString();
    return QStringLiteral("file:%1:%2").arg(quint64(info.st_dev)).arg(quint64(info.st_ino));
}

// A row that sorts the way a reader expects: text columns in the user's
// language without regard to letter case, the numeric columns (which hold
// plain-order keys while they are sorted) character by character.
class TrackItem : public QTreeWidgetItem
{
public:
    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QString mine = text(column);
        const QString theirs = other.text(column);
        if (column == ColTrack || column == ColYear)
            return mine < theirs;
        static QCollator collator;
        if (collator.locale() != QLocale() || collator.caseSensitivity() != Qt::CaseInsensitive) {
            collator = QCollator(QLocale());
            collator.setCaseSensitivity(Qt::CaseInsensitive);
        }
        const int order = collator.compare(mine, theirs);
        return order != 0 ? order < 0 : mine < theirs;
    }
};

} // namespace

TrackList::TrackList(QWidget *parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("lvwMain"));
    setHeader(new SortArrowHeader(this));
    setColumnCount(TrackColumnCount);
    setHeaderLabels(TrackColumnHeadings());
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    header()->setSectionsMovable(true);
    header()->setFirstSectionMovable(true); // a tree keeps its first column in place otherwise
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true); // the window sorts on a click, not the list
    for (int column = 0; column < TrackColumnCount; ++column)
        setColumnWidth(column, DefaultColumnWidth(column));
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setContextMenuPolicy(Qt::PreventContextMenu); // the owner shows its menu on release

    // Listen to the model rather than to our own add and remove calls, so that
    // deleting an item or clear() also keeps the listed files right.
    connect(model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &parentIndex, int first, int last) {
                if (parentIndex.isValid())
                    return;
                for (int i = first; i <= last; ++i)
                    Remember(topLevelItem(i));
            });
    connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &parentIndex, int first, int last) {
                if (parentIndex.isValid())
                    return;
                for (int i = first; i <= last; ++i)
                    Forget(topLevelItem(i));
            });
    connect(model(), &QAbstractItemModel::modelAboutToBeReset, this,
            [this] {
                listedPaths_.clear();
                listedFiles_.clear();
            });
}

// The base class destroys its items after our members are gone: stop
// listening first.
TrackList::~TrackList()
{
    model()->disconnect(this);
}

bool TrackList::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        emit DragOver(static_cast<QDragMoveEvent *>(event));
        return true;
    case QEvent::Drop:
        emit Dropped(static_cast<QDropEvent *>(event));
        return true;
    default:
        return QTreeWidget::event(event);
    }
}

void TrackList::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeWidget::mouseReleaseEvent(event);
    emit MouseReleased(event->button(), event->position().toPoint());
}

void TrackList::keyPressEvent(QKeyEvent *event)
{
    const int before = currentIndex().row();
    QTreeWidget::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex().row() != before)
        emit CurrentRowMovedByKey();
}

void TrackList::dragEnterEvent(QDragEnterEvent *event)
{
    emit DragOver(event);
}

void TrackList::dragMoveEvent(QDragMoveEvent *event)
{
    emit DragOver(event);
}

void TrackList::dropEvent(QDropEvent *event)
{
    emit Dropped(event);
}

int TrackList::AddRow(const TrackRow &row)
{
    auto *item = new TrackItem;
    item->setData(ColFileName, HiddenTextRole, row.Path);
    item->setData(ColFileName, PathKeyRole, PathKey(row.Path));
    item->setData(ColFileName, FileKeyRole, FileKey(row.Path));
    item->setText(ColFileName, row.FileName);
    item->setText(ColOriginalSize, row.OriginalSize);
    SetStatusText(item, row.Status);
    item->setText(ColNewSize, row.NewSize);
    item->setText(ColTitle, row.Tags.Title);
    item->setText(ColArtist, row.Tags.Artist);
    item->setText(ColAlbum, row.Tags.Album);
    item->setText(ColTrack, row.Tags.Track);
    item->setText(ColYear, row.Tags.Year);
    item->setText(ColGenre, row.Tags.Genre);
    item->setText(ColComment, row.Tags.Comment);
    item->setData(ColFileName, IconRole, row.Icon);
    item->setIcon(ColFileName, TrackListIcon(row.Icon));
    addTopLevelItem(item);
    // Rows are appended (the list sorts only when asked to); finding the item
    // would cost a scan of the whole list for every row added.
    return isSortingEnabled() ? indexOfTopLevelItem(item) + 1 : RowCount();
}

int TrackList::DesignedColumnWidth(int column)
{
    static constexpr int Widths[TrackColumnCount] = {200, 85, 95, 80, 160, 130, 130, 50, 50, 90, 160};
    return column >= 0 && column < TrackColumnCount ? Widths[column] : 100;
}

int TrackList::DefaultColumnWidth(int column) const
{
    QStringList texts;
    if (column == ColStatus) {
        for (const QString &status : StatusTexts())
            texts << ShownText(status);
    }
    else if (column == ColNewSize)
        texts << NotConvertedSize;
    int width = qMax(anchorlib::DesignScale(font()).X(DesignedColumnWidth(column)),
                     header()->sectionSizeHint(column));
    for (const QString &text : std::as_const(texts))
        width = qMax(width, CellWidth(text));
    return width;
}

int TrackList::CellWidth(const QString &text) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = text;
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width();
}

TrackRow TrackList::Row(int position) const
{
    TrackRow row;
    const QTreeWidgetItem *item = ItemAt(position);
    if (!item)
        return row;
    row.Path = item->data(ColFileName, HiddenTextRole).toString();
    row.FileName = item->text(ColFileName);
    row.OriginalSize = item->text(ColOriginalSize);
    row.Status = item->data(ColStatus, StatusRole).toString();
    row.NewSize = item->text(ColNewSize);
    row.Tags.Title = item->text(ColTitle);
    row.Tags.Artist = item->text(ColArtist);
    row.Tags.Album = item->text(ColAlbum);
    row.Tags.Track = item->text(ColTrack);
    row.Tags.Year = item->text(ColYear);
    row.Tags.Genre = item->text(ColGenre);
    row.Tags.Comment = item->text(ColComment);
    row.Icon = item->data(ColFileName, IconRole).toInt();
    return row;
}

QString TrackList::PathAt(int position) const
{
    const QTreeWidgetItem *item = ItemAt(position);
    return item ? item->data(ColFileName, HiddenTextRole).toString() : QString();
}

QString TrackList::Field(int position, TrackColumn column) const
{
    const QTreeWidgetItem *item = ItemAt(position);
    if (item && column == ColStatus)
        return item->data(ColStatus, StatusRole).toString();
    return item ? item->text(column) : QString();
}

void TrackList::SetField(int position, TrackColumn column, const QString &text)
{
    QTreeWidgetItem *item = ItemAt(position);
    if (item && column == ColStatus)
        SetStatusText(item, text);
    else if (item)
        item->setText(column, text);
}

int TrackList::IconAt(int position) const
{
    const QTreeWidgetItem *item = ItemAt(position);
    return item ? item->data(ColFileName, IconRole).toInt() : 0;
}

void TrackList::SetIcon(int position, int icon)
{
    if (QTreeWidgetItem *item = ItemAt(position)) {
        item->setData(ColFileName, IconRole, icon);
        item->setIcon(ColFileName, TrackListIcon(icon));
    }
}

void TrackList::SetStatus(int position, RowStatus status)
{
    SetField(position, ColStatus, StatusText(status));
    SetIcon(position, StatusIcon(status));
}

void TrackList::RemoveRow(int position)
{
    delete ItemAt(position);
}

void TrackList::RemoveRows(const QVector<int> &positions)
{
    if (positions.isEmpty())
        return;
    if (positions.last() - positions.first() + 1 == positions.size()) { // one run
        model()->removeRows(positions.first() - 1, int(positions.size()));
        return;
    }
    // Scattered rows: taking them one by one would move every later row each
    // time. Take all rows out, delete the chosen ones, put the rest back.
    const int scrolledTo = verticalScrollBar()->value();
    QList<QTreeWidgetItem *> rows = invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem *> kept;
    kept.reserve(rows.size() - positions.size());
    qsizetype next = 0;
    for (int i = 0; i < rows.size(); ++i) {
        if (next < positions.size() && positions.at(next) == i + 1) {
            delete rows.at(i);
            ++next;
        } else {
            kept << rows.at(i);
        }
    }
    addTopLevelItems(kept);
    verticalScrollBar()->setValue(scrolledTo);
}

bool TrackList::IsPathListed(const QString &path) const
{
    if (listedPaths_.contains(PathKey(path)))
        return true;
    const QString fileKey = FileKey(path);
    if (fileKey.isEmpty())
        return false;
    // Device numbers are handed out again: a card put in after another was
    // taken out often gets its number, and its files the same inode numbers.
    // A listed file counts only while its own path still leads to it.
    for (auto listed = listedFiles_.find(fileKey); listed != listedFiles_.end() && listed.key() == fileKey;
         ++listed) {
        if (FileKey(listed.value()) == fileKey)
            return true;
    }
    return false;
}

void TrackList::RefreshFileIdentity(int position)
{
    QTreeWidgetItem *item = ItemAt(position);
    if (!item)
        return;
    Forget(item);
    item->setData(ColFileName, FileKeyRole, FileKey(PathAt(position)));
    Remember(item);
}

QVector<int> TrackList::RowIndexes(bool selectedOnly) const
{
    QVector<int> positions;
    if (!selectedOnly) {
        positions.reserve(RowCount());
        for (int position = 1; position <= RowCount(); ++position)
            positions.append(position);
        return positions;
    }
    // A row counts as selected when any of its cells is; ranges may overlap.
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        if (range.parent().isValid())
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
            positions.append(row + 1);
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

bool TrackList::HasMultipleSelection() const
{
    return RowIndexes(true).size() > 1;
}

QTreeWidgetItem *TrackList::ItemAt(int position) const
{
    if (position < 1 || position > RowCount())
        return nullptr;
    return topLevelItem(position - 1);
}

void TrackList::Remember(const QTreeWidgetItem *item)
{
    if (!item)
        return;
    ++listedPaths_[item->data(ColFileName, PathKeyRole).toString()];
    const QString fileKey = item->data(ColFileName, FileKeyRole).toString();
    if (!fileKey.isEmpty())
        listedFiles_.insert(fileKey, item->data(ColFileName, HiddenTextRole).toString());
}

void TrackList::Forget(const QTreeWidgetItem *item)
{
    if (!item)
        return;
    auto path = listedPaths_.find(item->data(ColFileName, PathKeyRole).toString());
    if (path != listedPaths_.end() && --path.value() <= 0)
        listedPaths_.erase(path);
    const auto file = listedFiles_.find(item->data(ColFileName, FileKeyRole).toString(),
                                        item->data(ColFileName, HiddenTextRole).toString());
    if (file != listedFiles_.end())
        listedFiles_.erase(file);
}

int TrackList::CurrentRow() const
{
    return indexOfTopLevelItem(currentItem()) + 1;
}

int TrackList::RowOfPath(int position, const QString &path) const
{
    if (PathAt(position) == path)
        return position;
    for (int row = 1; row <= RowCount(); ++row) {
        if (PathAt(row) == path)
            return row;
    }
    return 0;
}

void TrackList::SetRowToolTip(int position, const QString &english)
{
    QTreeWidgetItem *item = topLevelItem(position - 1);
    for (int column = 0; item && column < columnCount(); ++column)
        item->setToolTip(column, ShownText(english));
}

void TrackList::NoteOtherNames(int position, const QString &path, int otherNames)
{
    if (otherNames <= 0)
        return;
    // The log stays in English, for whoever reads it to help; the texts are
    // the main window's, in its catalogue.
    const QString note =
        otherNames == 1
            ? EnglishText("frmMain", "1 other name (hard link) of this file keeps its old content")
            : EnglishText("frmMain", "%1 other names (hard links) of this file keep its old content").arg(otherNames);
    SetRowToolTip(position, note);
    LogError(QStringLiteral("NoteOtherNames"), path + QStringLiteral(": ") + note);
}
