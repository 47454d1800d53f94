// SPDX-License-Identifier: MIT
#include "window/frmmain.h"
#include "support/windowidle.h"
#include "window/widgets/tracklist.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>

class TestTrackList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void columnsOfTheMainWindowList();
    void rowFieldsRoundTrip();
    void statusCarriesItsIcon();
    void sameFileUnderAnotherSpellingIsListed();
    void filesDifferingOnlyInCaseAreBothAccepted();
    void missingFileMatchesItsExactPath();
    void everyWayOfRemovingRowsForgetsTheFile();
    void fileReplacedBySaveIsStillRecognised();
    void rowIndexesAndSelection();

private:
    QString MakeFile(const QString &name);
    TrackRow RowFor(const QString &path);

    std::unique_ptr<QTemporaryDir> dir_;
};

void TestTrackList::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

QString TestTrackList::MakeFile(const QString &name)
{
    const QString path = dir_->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot create a fixture file");
    file.write("ID3");
    return path;
}

TrackRow TestTrackList::RowFor(const QString &path)
{
    TrackRow row;
    row.Path = path;
    row.FileName = QFileInfo(path).fileName();
    row.Status = StatusText(RowStatus::Unchanged);
    row.Icon = IconUnchanged;
    return row;
}

void TestTrackList::columnsOfTheMainWindowList()
{
    frmMain window;
    TrackList *list = Probe(window).lvwMain();
    QCOMPARE(list->objectName(), QStringLiteral("lvwMain"));
    QCOMPARE(window.findChild<TrackList *>(QStringLiteral("lvwMain")), list);
    QCOMPARE(list->columnCount(), 11);
    const QStringList expected = {
        QStringLiteral("File Name"), QStringLiteral("Original Size"), QStringLiteral("Status"),
        QStringLiteral("New Size"), QStringLiteral("Title"), QStringLiteral("Artist"),
        QStringLiteral("Album"), QStringLiteral("Track"), QStringLiteral("Year"),
        QStringLiteral("Genre"), QStringLiteral("Comment")};
    for (int column = 0; column < expected.size(); ++column)
        QCOMPARE(list->headerItem()->text(column), expected.at(column));
    QVERIFY(list->header()->sectionsMovable());
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
}

void TestTrackList::rowFieldsRoundTrip()
{
    TrackList list;
    TrackRow row = RowFor(MakeFile(QStringLiteral("song.mp3")));
    row.OriginalSize = QStringLiteral("500 x 400");
    row.Tags = {QStringLiteral("Title"), QStringLiteral("Artist"), QStringLiteral("Album"),
                QStringLiteral("3/12"), QStringLiteral("Rock"), QStringLiteral("1999"),
                QStringLiteral("Comment")};
    QCOMPARE(list.AddRow(row), 1);
    QCOMPARE(list.AddRow(RowFor(MakeFile(QStringLiteral("other.mp3")))), 2);

    // The list shows Year before Genre; the record keeps Genre before Year.
    QCOMPARE(list.Field(1, ColYear), QStringLiteral("1999"));
    QCOMPARE(list.Field(1, ColGenre), QStringLiteral("Rock"));
    QCOMPARE(list.topLevelItem(0)->text(8), QStringLiteral("1999"));

    const TrackRow back = list.Row(1);
    QCOMPARE(back.Path, row.Path);
    QCOMPARE(back.FileName, QStringLiteral("song.mp3"));
    QCOMPARE(back.OriginalSize, QStringLiteral("500 x 400"));
    QCOMPARE(back.NewSize, QStringLiteral("----------"));
    QCOMPARE(back.Tags.Track, QStringLiteral("3/12"));
    QCOMPARE(back.Tags.Year, QStringLiteral("1999"));
    QCOMPARE(back.Tags.Genre, QStringLiteral("Rock"));
    QCOMPARE(back.Tags.Comment, QStringLiteral("Comment"));
    QCOMPARE(back.Icon, int(IconUnchanged));

    // The path is the first cell's hidden text, not a visible column.
    QCOMPARE(list.topLevelItem(0)->data(0, TrackList::HiddenTextRole).toString(), row.Path);
    QVERIFY(list.PathAt(3).isEmpty());
    QVERIFY(list.Row(0).Path.isEmpty());
}

void TestTrackList::statusCarriesItsIcon()
{
    TrackList list;
    TrackRow row = RowFor(MakeFile(QStringLiteral("bare.mp3")));
    row.Status = StatusText(RowStatus::NoPicture);
    row.Icon = IconNoPicture;
    list.AddRow(row);
    QCOMPARE(list.Field(1, ColOriginalSize), QStringLiteral("0 x 0"));
    QCOMPARE(list.Field(1, ColNewSize), QStringLiteral("----------"));
    QVERIFY(!list.topLevelItem(0)->icon(0).isNull());

    list.SetIcon(1, IconWorking);
    QCOMPARE(list.IconAt(1), int(IconWorking));
    QCOMPARE(list.Field(1, ColStatus), QStringLiteral("No Picture"));

    list.SetStatus(1, RowStatus::ResizeFailed);
    QCOMPARE(list.Field(1, ColStatus), QStringLiteral("Resize Failed"));
    QCOMPARE(list.IconAt(1), int(IconFailed));
}

void TestTrackList::sameFileUnderAnotherSpellingIsListed()
{
    TrackList list;
    const QString path = MakeFile(QStringLiteral("Album Track.mp3"));
    QVERIFY(!list.IsPathListed(path));
    list.AddRow(RowFor(path));
    QVERIFY(list.IsPathListed(path));

    QDir().mkpath(dir_->filePath(QStringLiteral("sub")));
    QVERIFY(list.IsPathListed(dir_->path() + QStringLiteral("/./Album Track.mp3")));
    QVERIFY(list.IsPathListed(dir_->path() + QStringLiteral("/sub/../Album Track.mp3")));

    const QString link = dir_->filePath(QStringLiteral("link.mp3"));
    QVERIFY(QFile::link(path, link));
    QVERIFY(list.IsPathListed(link));

    const QString linkedFolder = dir_->filePath(QStringLiteral("folder link"));
    QVERIFY(QFile::link(dir_->path(), linkedFolder));
    QVERIFY(list.IsPathListed(linkedFolder + QStringLiteral("/Album Track.mp3")));

    const QString savedCwd = QDir::currentPath();
    QDir::setCurrent(dir_->path());
    const bool relativeListed = list.IsPathListed(QStringLiteral("Album Track.mp3"));
    QDir::setCurrent(savedCwd);
    QVERIFY(relativeListed);
}

void TestTrackList::filesDifferingOnlyInCaseAreBothAccepted()
{
    TrackList list;
    const QString upper = MakeFile(QStringLiteral("SONG.mp3"));
    const QString lower = MakeFile(QStringLiteral("song.mp3"));
    if (QFileInfo(upper).fileName() == QFileInfo(lower).canonicalFilePath().section(QLatin1Char('/'), -1))
        QSKIP("the temporary folder does not tell letter cases apart");
    list.AddRow(RowFor(upper));
    QVERIFY(!list.IsPathListed(lower));
    list.AddRow(RowFor(lower));
    QVERIFY(list.IsPathListed(lower));
    QVERIFY(!list.IsPathListed(dir_->filePath(QStringLiteral("Song.mp3"))));
}

void TestTrackList::missingFileMatchesItsExactPath()
{
    TrackList list;
    const QString gone = dir_->filePath(QStringLiteral("gone.mp3"));
    list.AddRow(RowFor(gone));
    QVERIFY(list.IsPathListed(gone));
    QVERIFY(list.IsPathListed(dir_->path() + QStringLiteral("//./gone.mp3")));
    QVERIFY(!list.IsPathListed(dir_->filePath(QStringLiteral("Gone.mp3"))));
    QVERIFY(!list.IsPathListed(QString()));
}

void TestTrackList::everyWayOfRemovingRowsForgetsTheFile()
{
    TrackList list;
    const QString a = MakeFile(QStringLiteral("a.mp3"));
    const QString b = MakeFile(QStringLiteral("b.mp3"));
    const QString c = MakeFile(QStringLiteral("c.mp3"));
    list.AddRow(RowFor(a));
    list.AddRow(RowFor(b));
    list.AddRow(RowFor(c));
    list.AddRow(RowFor(c)); // the same file twice: one removal must not forget it

    list.RemoveRow(1);
    QVERIFY(!list.IsPathListed(a));
    QVERIFY(list.IsPathListed(b));

    delete list.takeTopLevelItem(0);
    QVERIFY(!list.IsPathListed(b));

    delete list.topLevelItem(0);
    QVERIFY(list.IsPathListed(c));
    delete list.topLevelItem(0);
    QVERIFY(!list.IsPathListed(c));
    QCOMPARE(list.RowCount(), 0);

    list.AddRow(RowFor(a));
    list.AddRow(RowFor(b));
    list.clear();
    QVERIFY(!list.IsPathListed(a));
    QVERIFY(!list.IsPathListed(b));

    // Sorting moves rows without removing them.
    list.AddRow(RowFor(b));
    list.AddRow(RowFor(a));
    list.sortItems(ColFileName, Qt::AscendingOrder);
    QCOMPARE(list.PathAt(1), a);
    QVERIFY(list.IsPathListed(a));
    QVERIFY(list.IsPathListed(b));
}

void TestTrackList::fileReplacedBySaveIsStillRecognised()
{
    TrackList list;
    const QString path = MakeFile(QStringLiteral("saved.mp3"));
    const QString link = dir_->filePath(QStringLiteral("alias.mp3"));
    QVERIFY(QFile::link(path, link));
    list.AddRow(RowFor(path));

    // A save writes a complete copy beside the file and renames it over it,
    // which gives the file a new identity.
    const QString copy = path + QLatin1Char('~');
    QVERIFY(QFile::copy(path, copy));
    QVERIFY(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()) == 0);

    QVERIFY(list.IsPathListed(path));
    list.RefreshFileIdentity(1);
    QVERIFY(list.IsPathListed(path));
    QVERIFY(list.IsPathListed(link));

    list.RemoveRow(1);
    QVERIFY(!list.IsPathListed(path));
    QVERIFY(!list.IsPathListed(link));
}

void TestTrackList::rowIndexesAndSelection()
{
    TrackList list;
    QVERIFY(list.RowIndexes(false).isEmpty());
    QVERIFY(list.RowIndexes(true).isEmpty());
    for (const char *name : {"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3"})
        list.AddRow(RowFor(MakeFile(QString::fromLatin1(name))));

    QCOMPARE(list.RowIndexes(false), QVector<int>({1, 2, 3, 4, 5}));
    QVERIFY(list.RowIndexes(true).isEmpty());
    QVERIFY(!list.HasMultipleSelection());

    list.topLevelItem(3)->setSelected(true);
    QCOMPARE(list.RowIndexes(true), QVector<int>({4}));
    QVERIFY(!list.HasMultipleSelection());

    // Selected in any order, returned ascending and once each.
    list.topLevelItem(1)->setSelected(true);
    list.selectionModel()->select(list.model()->index(1, ColStatus), QItemSelectionModel::Select);
    list.topLevelItem(4)->setSelected(true);
    QCOMPARE(list.RowIndexes(true), QVector<int>({2, 4, 5}));
    QVERIFY(list.HasMultipleSelection());
}

QTEST_MAIN(TestTrackList)
#include "tst_tracklist.moc"
