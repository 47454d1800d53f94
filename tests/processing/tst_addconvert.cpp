// SPDX-License-Identifier: MIT
#include "base/briskoerror.h"
#include "base/errorlog.h"
#include "engine/convert/artconversion.h"
#include "engine/convert/filerewrite.h"
#include "engine/convert/settingsstore.h"
#include "engine/files/atomicsave.h"
#include "engine/files/filetimes.h"
#include "engine/pictures/jpegcodec.h"
#include "support/audiofixture.h"
#include "support/failingallocation.h"
#include "support/messageboxes.h"
#include "support/mp3fixture.h"
#include "support/musicfiles.h"
#include "support/testfiles.h"
#include "support/testpictures.h"
#include "support/errorlogtail.h"
#include "support/windowidle.h"
#include "support/workergate.h"
#include "window/backgroundjobs.h"
#include "window/dialogs/frmresizesettings.h"
#include "window/frmmain.h"
#include "window/widgets/artwork.h"
#include "window/widgets/clsopensave.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/globals.h"
#include "window/widgets/listinputlock.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/unexpectederror.h"
#include "window/widgets/waitpanel.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <memory>

#include <unistd.h>

using namespace Mp3Fixture;

// Adding files and converting their art through the real main window,
// offscreen, on real files; the file dialog and message boxes are answered.
class TestAddConvert : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fileDialogProperties();
    void addingThroughTheDialog();
    void tagsFromEitherTag();
    void pngArtIsMarked();
    void duplicatesAndStop();
    void resizeAllKeepsEverythingElse();
    void resizeAllFollowsTheRunDown();
    void skipOptionAndRetries();
    void failuresLeaveNothingBehind();
    void stopLeavesThePictureInHandAsItWas();
    void independentReaderAgrees();
    void flacAndOggConvertLikeMp3();
    void hardLinkedNamesAreNoted();
    void everyPictureAndWhyNot();
    void backToIdleAfterAnUnexpectedError();
    void playerOptionsFromTheMenus();

private:
    QString Music(const QString &name) const { return dir_->path() + u'/' + name; }
    QString WriteMp3(const QString &name, Recipe recipe) const;
    static Recipe WithArt(const QByteArray &picture, const QString &title = QStringLiteral("Song"));
    // Answers the next file dialog with these files (none: Cancel).
    void Answer(const QStringList &files);
    int RowOf(const frmMain &window, const QString &path) const;
    QStringList TemporaryLeftovers() const;

    std::unique_ptr<QTemporaryDir> dir_;
    QTemporaryDir config_;
    QTemporaryDir temporary_;
    QByteArray home_;
    QStringList messages_;
    clsOpenSave::Request lastRequest_;
};

void TestAddConvert::initTestCase()
{
    // A temporary folder of its own, so leftovers are ours alone.
    qputenv("TMPDIR", temporary_.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    home_ = qgetenv("HOME");
}

void TestAddConvert::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    ShowTip = false;
    CollectMessageBoxes(&messages_);
}

void TestAddConvert::cleanup()
{
    qputenv("HOME", home_);
    SetMsgBoxHandler(nullptr);
    SetFreeSpaceQuery(nullptr);
    clsOpenSave::SetFileDialogRunner(nullptr);
}

QString TestAddConvert::WriteMp3(const QString &name, Recipe recipe) const
{
    return Write(Music(name), recipe);
}

Recipe TestAddConvert::WithArt(const QByteArray &picture, const QString &title)
{
    Recipe recipe;
    recipe.title = title;
    recipe.artist = QStringLiteral("Artist");
    recipe.album = QStringLiteral("Album");
    recipe.track = QStringLiteral("3/12");
    recipe.year = QStringLiteral("2004");
    recipe.genre = QStringLiteral("(17)");
    recipe.comment = QStringLiteral("Nice");
    if (!picture.isEmpty())
        recipe.pictures << Picture{picture, QStringLiteral("image/jpeg"), 3, QString()};
    return recipe;
}

void TestAddConvert::Answer(const QStringList &files)
{
    clsOpenSave::SetFileDialogRunner([this, files](const clsOpenSave::Request &request) {
        lastRequest_ = request;
        clsOpenSave::Answer answer;
        answer.accepted = !files.isEmpty();
        answer.files = files;
        return answer;
    });
}

int TestAddConvert::RowOf(const frmMain &window, const QString &path) const
{
    for (int row = 1; row <= Probe(window).lvwMain()->RowCount(); ++row)
        if (Probe(window).lvwMain()->PathAt(row) == path)
            return row;
    return 0;
}

QStringList TestAddConvert::TemporaryLeftovers() const
{
    QStringList found = QDir(QDir::tempPath()).entryList({QStringLiteral("brisko-*")}, QDir::Files);
    for (const QString &name : QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden))
        if (name.startsWith(u'.') && name.contains(QLatin1String(".brisko-")))
            found << name;
    return found;
}

void TestAddConvert::fileDialogProperties()
{
    clsOpenSave dialog;
    QCOMPARE(dialog.Filter(), QStringLiteral("All Files (*.*)|*.*"));
    QCOMPARE(dialog.InitDir, QStringLiteral("C:\\"));
    QCOMPARE(int(dialog.MaxFileSize), 260);
    QCOMPARE(int(dialog.FilterIndex), 1);
    dialog.SetFilter(QStringLiteral("A|B|"));
    QCOMPARE(dialog.StoredFilter(), QStringLiteral("A") + QChar(0) + u'B' + QChar(0) + QChar(0));
    QCOMPARE(dialog.Filter(), QStringLiteral("A|B"));

    dialog.FileName = QStringLiteral("kept");
    Answer({});
    dialog.ShowOpen(); // no error asked for: a quiet return
    QCOMPARE(dialog.FileName, QStringLiteral("kept"));
    dialog.CancelError = true;
    try {
        dialog.ShowOpen();
        QFAIL("Cancel must raise");
    } catch (const BriskoError &error) {
        QCOMPARE(error.Number(), 32755);
        QCOMPARE(error.Description(), QStringLiteral("Cancel was selected"));
    }

    dialog.FileName.clear();
    dialog.Flags = 0x81204;
    dialog.MaxFileSize = 32700;
    Answer({QStringLiteral("/music/a.mp3"), QStringLiteral("/music/b.mp3")});
    dialog.ShowOpen();
    QCOMPARE(dialog.FileName, QStringLiteral("/music") + QChar(0) + QStringLiteral("a.mp3") + QChar(0)
                                  + QStringLiteral("b.mp3"));
    QVERIFY(lastRequest_.multiple && lastRequest_.mustExist);
    Answer({QStringLiteral("/music/a.mp3")});
    dialog.ShowOpen();
    QCOMPARE(dialog.FileName, QStringLiteral("/music/a.mp3"));

    // A large choice comes back whole; only a name set before showing the
    // dialog must fit.
    QStringList many;
    for (int i = 0; i < 3000; ++i)
        many << QStringLiteral("/music/a long file name of track %1.mp3").arg(i);
    Answer(many);
    dialog.ShowOpen();
    QCOMPARE(dialog.FileName.split(QChar(0)).size(), 3001);
    dialog.MaxFileSize = 10;
    dialog.FileName = QStringLiteral("a name longer than eleven");
    QVERIFY_THROWS_EXCEPTION(BriskoError, dialog.ShowOpen());
}

void TestAddConvert::addingThroughTheDialog()
{
    const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(600, 400, Qt::darkBlue));
    const QString b = WriteMp3(QStringLiteral("b.mp3"), WithArt(art, QStringLiteral("B")));
    const QString a = WriteMp3(QStringLiteral("a.mp3"), WithArt(art, QStringLiteral("A")));
    const QString c = WriteMp3(QStringLiteral("c.mp3"), WithArt({}, QStringLiteral("C")));
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(int(Probe(window).SortColumn), 1);

    // First start: the dialog opens in the documents folder; Cancel changes nothing.
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("Documents")));
    qputenv("HOME", dir_->path().toUtf8());
    Answer({});
    Probe(window).cmdFiles->click();
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(lastRequest_.folder, dir_->path() + QStringLiteral("/Documents"));
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 0);

    Answer({b, a, c});
    Probe(window).cmdFiles->click();
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(lastRequest_.title, QStringLiteral("Music File(s) To Resize Album Art"));
    QCOMPARE(lastRequest_.nameFilters,
             QStringList({QStringLiteral("Music Files (*.mp3 *.flac *.ogg *.oga *.opus *.m4a *.m4b *.mp4)"),
                          QStringLiteral("Mp3 Files (*.mp3)"), QStringLiteral("FLAC Files (*.flac)"),
                          QStringLiteral("Ogg Vorbis Files (*.ogg *.oga)"), QStringLiteral("Opus Files (*.opus)"),
                          QStringLiteral("M4A Files (*.m4a *.m4b *.mp4)")}));
    QCOMPARE(Probe(window).LastFile, dir_->path());
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 3);
    QCOMPARE(Probe(window).Statusbar->PanelText(1), QStringLiteral("Files : 3"));
    QCOMPARE(Probe(window).lvwMain()->PathAt(1), a); // sorted again by file name
    const TrackRow first = Probe(window).lvwMain()->Row(1);
    QCOMPARE(first.OriginalSize, QStringLiteral("600 x 400"));
    QCOMPARE(first.Status, QStringLiteral("Unchanged"));
    QCOMPARE(first.Icon, 4);
    QCOMPARE(first.NewSize, QStringLiteral("----------"));
    QCOMPARE(first.Tags.Genre, QStringLiteral("Rock"));
    QCOMPARE(first.Tags.Track, QStringLiteral("3/12"));
    QCOMPARE(Probe(window).lvwMain()->Row(3).Status, QStringLiteral("No Picture"));
    QCOMPARE(Probe(window).lvwMain()->Row(3).OriginalSize, QStringLiteral("0 x 0"));
    QVERIFY(Probe(window).lvwMain()->topLevelItem(0)->isSelected());
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: 600 x 400"));
    QCOMPARE(Probe(window).lblFileSize->text(), QStringLiteral("File Size: ") + FormatSize(art.size()));
    QVERIFY(Probe(window).cmdFiles->isEnabled() && !Probe(window).OperationRunning);
    QVERIFY(Probe(window).ProgressBar->isHidden() && Probe(window).picMsg->isHidden());

    // One more file on its own, from another folder.
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("more")));
    const QString d = WriteMp3(QStringLiteral("more/d.mp3"), WithArt(art, QStringLiteral("D")));
    Answer({d});
    Probe(window).cmdFiles->click();
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).LastFile, dir_->path() + QStringLiteral("/more"));
    QCOMPARE(Probe(window).Statusbar->PanelText(1), QStringLiteral("Files : 4"));
}

void TestAddConvert::tagsFromEitherTag()
{
    Recipe v1Only;
    v1Only.version = 0;
    v1Only.id3v1 = true;
    v1Only.v1Title = QStringLiteral("Old Title");
    v1Only.v1Artist = QStringLiteral("Old Artist");
    v1Only.v1Year = 1999;
    v1Only.v1Genre = 17;
    const QString onlyV1 = WriteMp3(QStringLiteral("v1.mp3"), v1Only);

    // An ID3v2 tag whose last frame runs past its end, with an ID3v1 tag
    // behind the audio: the fields come from ID3v1, the picture stays.
    const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(320, 200, Qt::red));
    QByteArray apic;
    apic += '\0';
    apic += QByteArray("image/jpeg", 11);
    apic += char(3);
    apic += '\0';
    apic += art;
    QByteArray damaged = Tag(3, TextFrame("TIT2", QStringLiteral("Damaged")) + Frame("APIC", apic)
                                    + QByteArray("TPE1\0\0\x10\0\0\0abc", 13));
    damaged += AudioFrames(8);
    QByteArray v1("TAG", 3);
    v1 += QByteArray("Fallback Title").leftJustified(30, '\0') + QByteArray(30, '\0')
          + QByteArray(30, '\0') + QByteArray("2001") + QByteArray(30, '\0') + char(0);
    damaged += v1;
    const QString fallback = Music(QStringLiteral("fallback.mp3"));
    QVERIFY(TestFiles::Write(fallback, damaged));

    const QString untagged = Music(QStringLiteral("untagged.mp3"));
    QVERIFY(TestFiles::Write(untagged, AudioFrames(8)));
    const QString tagged = WriteMp3(QStringLiteral("a-tagged.mp3"), WithArt({}, QStringLiteral("Tagged")));

    frmMain window;
    window.GetFileInfo({QString(), tagged, untagged, onlyV1, fallback});
    QVERIFY(WaitUntilIdle(window));
    const TrackRow v1Row = Probe(window).lvwMain()->Row(RowOf(window, onlyV1));
    QCOMPARE(v1Row.Tags.Title, QStringLiteral("Old Title"));
    QCOMPARE(v1Row.Tags.Year, QStringLiteral("1999"));
    QCOMPARE(v1Row.Tags.Genre, QStringLiteral("Rock"));
    QCOMPARE(v1Row.Status, QStringLiteral("No Picture"));

    const TrackRow fallbackRow = Probe(window).lvwMain()->Row(RowOf(window, fallback));
    QCOMPARE(fallbackRow.Tags.Title, QStringLiteral("Fallback Title"));
    QCOMPARE(fallbackRow.Tags.Year, QStringLiteral("2001"));
    QCOMPARE(fallbackRow.OriginalSize, QStringLiteral("320 x 200"));
    QCOMPARE(fallbackRow.Status, QStringLiteral("Unchanged"));

    const TrackRow bare = Probe(window).lvwMain()->Row(RowOf(window, untagged));
    QCOMPARE(bare.Tags.Title, QString()); // not the fields of the file before it
    QCOMPARE(bare.Tags.Artist, QString());
    QCOMPARE(bare.Status, QStringLiteral("No Picture"));
}

void TestAddConvert::pngArtIsMarked()
{
    const QByteArray png = TestPictures::Encoded(TestPictures::Solid(300, 500, Qt::green), "png");
    Recipe recipe = WithArt({});
    recipe.pictures << Picture{png, QStringLiteral("image/png"), 3, QString()};
    const QString path = WriteMp3(QStringLiteral("png.mp3"), recipe);
    frmMain window;
    window.GetFileInfo({QString(), path});
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->Row(1).OriginalSize, QStringLiteral("300 x 500"));
    QVERIFY(!Probe(window).imgPNG->isHidden());
    QCOMPARE(Probe(window).lblFileSize->text(), QStringLiteral("File Size: ") + FormatSize(png.size()));

    Probe(window).TargetSize = 250;
    window.Resizing(false);
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->Row(1).Status, QStringLiteral("Resized"));
    QCOMPARE(Probe(window).lvwMain()->Row(1).NewSize, QStringLiteral("150 x 250"));
    QVERIFY(Probe(window).imgPNG->isHidden()); // now a JPEG
}

void TestAddConvert::duplicatesAndStop()
{
    const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(200, 200, Qt::gray));
    QStringList paths{QString()};
    for (int i = 0; i < 6; ++i)
        paths << WriteMp3(QStringLiteral("t%1.mp3").arg(i), WithArt(art));
    frmMain window;
    window.GetFileInfo({QString(), paths.at(1)});
    QVERIFY(WaitUntilIdle(window));
    // The same file by another spelling, and a link to it.
    QVERIFY(QFile::link(paths.at(1), Music(QStringLiteral("link.mp3"))));
    window.GetFileInfo({QString(), dir_->path() + QStringLiteral("/./t0.mp3"), Music(QStringLiteral("link.mp3")),
                        paths.at(1)});
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 1);
    QCOMPARE(Probe(window).Statusbar->PanelText(1), QStringLiteral("Files : 1"));

    // "Stop" pressed while the second new file is read: the files read and
    // the one in hand are added, in order; the rest are not read.
    window.show();
    Probe(window).Workers = 1;
    WorkerGate gate;
    BackgroundJobs::SetBeforeJobHook([&gate](int index) {
        if (index == 1)
            gate.Pass();
    });
    window.GetFileInfo(paths);
    QTRY_VERIFY(gate.Entered());
    QTest::mouseClick(Probe(window).cmdCancel, Qt::LeftButton);
    gate.Open();
    QVERIFY(WaitUntilIdle(window));
    BackgroundJobs::SetBeforeJobHook(nullptr);
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 3);
    for (int row = 1; row <= 3; ++row)
        QCOMPARE(Probe(window).lvwMain()->PathAt(row), paths.at(row));
    QCOMPARE(Probe(window).Statusbar->PanelText(1), QStringLiteral("Files : 3"));
    QVERIFY(Probe(window).cmdFiles->isEnabled());
}

void TestAddConvert::resizeAllKeepsEverythingElse()
{
    const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(1000, 333, Qt::darkGreen), 95, true);
    const QByteArray back = TestPictures::Jpeg(TestPictures::Solid(50, 50, Qt::yellow));
    Recipe recipe = WithArt(art);
    recipe.pictures.first().type = 4; // back cover as picture 1
    recipe.pictures << Picture{back, QStringLiteral("image/jpeg"), 3, QStringLiteral("second")};
    recipe.id3v1 = true;
    recipe.v1Title = QStringLiteral("v1");
    const QString path = WriteMp3(QStringLiteral("keep.mp3"), recipe);
    const QDateTime old = QDateTime::currentDateTime().addDays(-300);
    QVERIFY(RestoreModifiedTime(path, old));
    const QByteArray before = TestFiles::Read(path);
    const QStringList leftovers = TemporaryLeftovers();

    frmMain window;
    Probe(window).TargetSize = 300;
    Probe(window).Quality = 80;
    window.GetFileInfo({QString(), path});
    QVERIFY(WaitUntilIdle(window));
    Probe(window).cmdConvert->click();
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->Row(1).Status, QStringLiteral("Resized"));
    QCOMPARE(Probe(window).lvwMain()->Row(1).Icon, 5);
    QCOMPARE(Probe(window).lvwMain()->Row(1).NewSize, QStringLiteral("300 x 100"));
    QCOMPARE(Probe(window).lvwMain()->Row(1).OriginalSize, QStringLiteral("1000 x 333"));
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: 300 x 100"));
    QCOMPARE(LastModified(path), old.addMSecs(-old.time().msec()));
    QCOMPARE(TemporaryLeftovers(), leftovers);

    const QByteArray after = TestFiles::Read(path);
    QCOMPARE(AfterTag(after), AfterTag(before)); // audio and the ID3v1 tag, byte for byte
    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    const auto pictures = file.ID3v2Tag()->frameListMap()["APIC"];
    QCOMPARE(int(pictures.size()), 2);
    const auto *first = static_cast<TagLib::ID3v2::AttachedPictureFrame *>(pictures.front());
    const auto *second = static_cast<TagLib::ID3v2::AttachedPictureFrame *>(pictures.back());
    QCOMPARE(int(first->type()), 4);
    const QByteArray jpeg(first->picture().data(), int(first->picture().size()));
    const Result<JpegHeader> header = ReadJpegHeader(jpeg);
    QVERIFY(header);
    QCOMPARE(header->size, QSize(300, 100));
    QVERIFY(!header->progressive);
    QCOMPARE(QByteArray(second->picture().data(), int(second->picture().size())), back);
    QCOMPARE(QString::fromStdString(file.ID3v2Tag()->title().to8Bit(true)), QStringLiteral("Song"));
    QCOMPARE(int(file.ID3v2Tag()->header()->majorVersion()), 3);
}

// Two workers each take an album, longer than the list shows: the list
// scrolls down with the run and never back up to the row the other worker
// began.
void TestAddConvert::resizeAllFollowsTheRunDown()
{
    QStringList paths{QString()};
    for (int album = 0; album < 2; ++album) {
        const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(600 + album, 400, Qt::darkBlue));
        for (int track = 0; track < 30; ++track) {
            Recipe recipe = WithArt(art);
            recipe.album = QStringLiteral("Album %1").arg(album);
            paths << WriteMp3(QStringLiteral("%1-%2.mp3").arg(album).arg(track, 2, 10, QLatin1Char('0')), recipe);
        }
    }
    frmMain window;
    window.resize(800, 400); // some twenty rows in view
    window.show();
    Probe(window).Workers = 2;
    window.GetFileInfo(paths);
    QVERIFY(WaitUntilIdle(window));
    QScrollBar *scroll = Probe(window).lvwMain()->verticalScrollBar();
    scroll->setValue(0);
    QList<int> seen;
    connect(scroll, &QScrollBar::valueChanged, [&seen](int value) { seen << value; });
    // The first album's first file waits until the second worker is past the
    // first file of the second album: that row is shown begun first.
    std::atomic<bool> secondAlbumGoing{false};
    BackgroundJobs::SetBeforeJobHook([&secondAlbumGoing](int index) {
        if (index == 31)
            secondAlbumGoing = true;
        for (int waited = 0; index == 0 && !secondAlbumGoing && waited < 5000; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    QTest::mouseClick(Probe(window).cmdConvert, Qt::LeftButton);
    QVERIFY(WaitUntilIdle(window));
    BackgroundJobs::SetBeforeJobHook(nullptr);
    QVERIFY(secondAlbumGoing);
    for (int row = 1; row <= 60; ++row)
        QCOMPARE(Probe(window).lvwMain()->Row(row).Status, QStringLiteral("Resized"));
    QVERIFY(!seen.isEmpty());
    QVERIFY2(std::is_sorted(seen.begin(), seen.end()), qPrintable(QString::number(seen.size())));
}

void TestAddConvert::skipOptionAndRetries()
{
    struct Case
    {
        QSize size;
        bool skippedAt300;
    };
    const QList<Case> cases = {{{300, 300}, true}, {{120, 300}, true}, {{301, 200}, false}, {{100, 100}, true}};
    QStringList paths{QString()};
    for (int i = 0; i < cases.size(); ++i)
        paths << WriteMp3(QStringLiteral("s%1.mp3").arg(i),
                          WithArt(TestPictures::Jpeg(TestPictures::Solid(cases.at(i).size.width(),
                                                                         cases.at(i).size.height(), Qt::blue))));
    frmMain window;
    Probe(window).TargetSize = 300;
    window.GetFileInfo(paths);
    QVERIFY(WaitUntilIdle(window));
    Probe(window).mnuSkip->setChecked(true);
    window.Resizing(false);
    QVERIFY(WaitUntilIdle(window));
    for (int i = 0; i < cases.size(); ++i) {
        const TrackRow row = Probe(window).lvwMain()->Row(RowOf(window, paths.at(i + 1)));
        QCOMPARE(row.Status, QString::fromLatin1(cases.at(i).skippedAt300 ? "Unchanged" : "Resized"));
    }

    // Without the option a small picture is enlarged; a run skips final rows
    // and retries the others.
    Probe(window).mnuSkip->setChecked(false);
    const int failing = RowOf(window, paths.at(1));
    QFile::setPermissions(paths.at(1), QFile::ReadOwner | QFile::ReadGroup);
    window.Resizing(false);
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->Row(failing).Status, QStringLiteral("Resize Failed"));
    QCOMPARE(Probe(window).lvwMain()->Row(failing).Icon, 7);
    QCOMPARE(Probe(window).lvwMain()->Row(RowOf(window, paths.at(4))).NewSize, QStringLiteral("300 x 300"));
    const QDateTime converted = LastModified(paths.at(3));

    QFile::setPermissions(paths.at(1), QFile::ReadOwner | QFile::WriteOwner);
    Probe(window).cmdConvert->click();
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->Row(failing).Status, QStringLiteral("Resized"));
    QCOMPARE(LastModified(paths.at(3)), converted); // done before: not written again
}

void TestAddConvert::failuresLeaveNothingBehind()
{
    const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(640, 480, Qt::cyan));
    const QString readOnly = WriteMp3(QStringLiteral("a-readonly.mp3"), WithArt(art));
    const QString spacious = WriteMp3(QStringLiteral("b-space.mp3"), WithArt(art));
    const QString tight = WriteMp3(QStringLiteral("c-tight.mp3"), WithArt(art));
    const QString gone = WriteMp3(QStringLiteral("d-gone.mp3"), WithArt(art));
    const QStringList leftovers = TemporaryLeftovers();
    // A user's own "~" backup beside the file is none of the program's business.
    QVERIFY(TestFiles::Write(readOnly + u'~', "backup"));
    QFile::setPermissions(readOnly, QFile::ReadOwner);
    const QByteArray readOnlyBytes = TestFiles::Read(readOnly);

    // Exactly the file's length and 256,000 bytes more is enough; less is not.
    const qint64 spaciousNeed = QFileInfo(spacious).size() + 256000;
    const qint64 tightNeed = QFileInfo(tight).size() + 256000;
    SetFreeSpaceQuery([=](const QString &path) {
        return path == tight ? tightNeed - 1 : path == spacious ? spaciousNeed : qint64(1) << 40;
    });

    frmMain window;
    window.show();
    window.GetFileInfo({QString(), readOnly, spacious, tight, gone});
    QVERIFY(WaitUntilIdle(window));
    QVERIFY(QFile::remove(gone));
    // After a run the preview shows the current row's file as it is now.
    TrackList *list = Probe(window).lvwMain();
    list->setCurrentItem(list->topLevelItem(1));
    window.Resizing(false);
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: ") + list->Row(2).NewSize);
    QCOMPARE(Probe(window).lvwMain()->Row(1).Status, QStringLiteral("Resize Failed"));
    QCOMPARE(Probe(window).lvwMain()->Row(2).Status, QStringLiteral("Resized"));
    QCOMPARE(Probe(window).lvwMain()->Row(3).Status, QStringLiteral("Low Drive Space"));
    QCOMPARE(Probe(window).lvwMain()->Row(3).Icon, 7);
    QCOMPARE(Probe(window).lvwMain()->Row(4).Status, QStringLiteral("File Missing"));
    QCOMPARE(TestFiles::Read(readOnly), readOnlyBytes);
    QCOMPARE(TestFiles::Read(readOnly + u'~'), QByteArray("backup"));
    QCOMPARE(TemporaryLeftovers(), leftovers);
    QVERIFY(messages_.isEmpty());
    // Each failed row says why; the status bar counts the run.
    const auto reason = [&window](int row) { return Probe(window).lvwMain()->topLevelItem(row - 1)->toolTip(0); };
    QCOMPARE(reason(1), QStringLiteral("the file is read-only"));
    QCOMPARE(reason(2), QString());
    QCOMPARE(reason(3), QStringLiteral("not enough free space for a second copy of the file and 256,000 bytes more"));
    QCOMPARE(reason(4), QStringLiteral("the file is no longer there"));
    QCOMPARE(Probe(window).Statusbar->PanelText(3), QStringLiteral("Resized 1, failed 3, skipped 0"));
    const QLabel *summary = Probe(window).Statusbar->findChildren<QLabel *>().at(2);
    QTRY_VERIFY(summary->fontMetrics().horizontalAdvance(summary->text()) <= summary->contentsRect().width());

    // "File Missing" is final: a second run leaves it alone.
    list->setCurrentItem(list->topLevelItem(3));
    window.Resizing(false);
    QCOMPARE(Probe(window).Statusbar->PanelText(3), QString()); // counted when it ends
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->Row(4).Status, QStringLiteral("File Missing"));
    QCOMPARE(Probe(window).imgDisplay->Picture(), MissingFileImage());
    QCOMPARE(Probe(window).Statusbar->PanelText(3), QStringLiteral("Resized 0, failed 2, skipped 2"));
    // Rows that are gone take their count with them.
    if (auto *tip = window.findChild<QWidget *>(QStringLiteral("frmTip")))
        QTest::keyClick(tip, Qt::Key_Escape);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    Probe(window).lvwMain()->setFocus(); // the list's keys work while it has the focus
    QTest::keyClick(Probe(window).lvwMain(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Probe(window).lvwMain(), Qt::Key_Delete);
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 0);
    QCOMPARE(Probe(window).Statusbar->PanelText(3), QString());
}

void TestAddConvert::stopLeavesThePictureInHandAsItWas()
{
    QStringList paths{QString()};
    for (int i = 0; i < 3; ++i)
        paths << WriteMp3(QStringLiteral("stop%1.mp3").arg(i),
                          WithArt(TestPictures::Jpeg(TestPictures::Solid(400 + i, 400, Qt::darkRed))));
    const QByteArray first = TestFiles::Read(paths.at(1));
    frmMain window;
    window.show();
    window.GetFileInfo(paths);
    QVERIFY(WaitUntilIdle(window));
    // "Stop" is pressed while the first file is in hand, before its picture
    // is decoded: the picture is given up there, the file and its row left
    // as they were, and no other file is begun.
    Probe(window).Workers = 1;
    WorkerGate gate;
    SetFreeSpaceQuery([&gate](const QString &) {
        gate.Pass();
        return qint64(1) << 40;
    });
    QTest::mouseClick(Probe(window).cmdConvert, Qt::LeftButton);
    QTRY_VERIFY(gate.Entered());
    QTRY_COMPARE(Probe(window).lvwMain()->Row(1).Icon, IconWorking); // the mark comes through the queue
    QTest::mouseClick(Probe(window).cmdCancel, Qt::LeftButton);
    gate.Open();
    QVERIFY(WaitUntilIdle(window));
    SetFreeSpaceQuery(nullptr);
    QCOMPARE(Probe(window).lvwMain()->Row(1).Status, QStringLiteral("Unchanged"));
    QCOMPARE(Probe(window).lvwMain()->Row(1).Icon, 4);
    QCOMPARE(TestFiles::Read(paths.at(1)), first);
    QCOMPARE(Probe(window).lvwMain()->Row(2).Status, QStringLiteral("Unchanged"));
    QCOMPARE(Probe(window).lvwMain()->Row(2).Icon, 4);
    QCOMPARE(Probe(window).lvwMain()->Row(3).Status, QStringLiteral("Unchanged"));
    QVERIFY(!Probe(window).OperationRunning && Probe(window).cmdFiles->isEnabled());

    // Pressed once the new copy of a file is made, it lets that file be
    // finished: the copy is put in place.
    const QByteArray third = TestFiles::Read(paths.at(3));
    WorkerGate next;
    BackgroundJobs::SetBeforeJobHook([&next](int index) {
        if (index == 1)
            next.Pass();
    });
    QTest::mouseClick(Probe(window).cmdConvert, Qt::LeftButton);
    QTRY_VERIFY(next.Entered());
    QTest::mouseClick(Probe(window).cmdCancel, Qt::LeftButton);
    next.Open();
    QVERIFY(WaitUntilIdle(window));
    BackgroundJobs::SetBeforeJobHook(nullptr);
    QCOMPARE(Probe(window).lvwMain()->Row(1).Status, QStringLiteral("Resized"));
    QCOMPARE(Probe(window).lvwMain()->Row(2).Status, QStringLiteral("Unchanged"));
    QCOMPARE(Probe(window).lvwMain()->Row(3).Status, QStringLiteral("Unchanged"));
    QCOMPARE(TestFiles::Read(paths.at(3)), third);
}

void TestAddConvert::independentReaderAgrees()
{
    // Debian's own Python, where its python3-mutagen package is.
    QString python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
    if (python.isEmpty())
        python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is not installed");
    QProcess probe;
    probe.start(python, {QStringLiteral("-c"), QStringLiteral("import mutagen")});
    if (!probe.waitForFinished() || probe.exitCode() != 0)
        QSKIP("python3-mutagen is not installed");

    const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(900, 600, Qt::magenta));
    const QString path = WriteMp3(QStringLiteral("mutagen.mp3"), WithArt(art, QStringLiteral("Checked")));
    frmMain window;
    Probe(window).TargetSize = 250;
    window.GetFileInfo({QString(), path});
    QVERIFY(WaitUntilIdle(window));
    window.Resizing(false);
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->Row(1).NewSize, QStringLiteral("250 x 167"));

    // mutagen reads the tag and the audio stream, and hands back the picture.
    const QString extracted = Music(QStringLiteral("extracted.jpg"));
    QProcess reader;
    reader.start(python,
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys\n"
                                 "from mutagen.mp3 import MP3\n"
                                 "f = MP3(sys.argv[1])\n"
                                 "apic = f.tags.getall('APIC')[0]\n"
                                 "open(sys.argv[2], 'wb').write(apic.data)\n"
                                 "print(f.tags['TIT2'].text[0], apic.mime, int(apic.type), f.info.bitrate, f.info.sample_rate)\n"),
                  path, extracted});
    QVERIFY(reader.waitForFinished(30000));
    QCOMPARE(reader.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()).trimmed(),
             QStringLiteral("Checked image/jpeg 3 128000 44100"));
    const Result<JpegHeader> header = ReadJpegHeader(TestFiles::Read(extracted));
    QVERIFY(header);
    QCOMPARE(header->size, QSize(250, 167));
    QVERIFY(!header->progressive);
}

void TestAddConvert::flacAndOggConvertLikeMp3()
{
    using namespace AudioFixture;
    Tones tones;
    if (!MakeTones(dir_->path(), &tones))
        QSKIP("ffmpeg is not installed");
    const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(900, 600, Qt::darkCyan));
    const QByteArray picture = PictureBody(3, "image/jpeg", "Front", art);
    const QByteArray comments = CommentList({"TITLE=Cello", "ARTIST=Quartet"});
    const FlacParts flac = SplitFlac(tones.flac);
    const QString flacPath = Music(QStringLiteral("cello.flac"));
    QVERIFY(TestFiles::Write(flacPath, Flac({{0, flac.streamInfo}, {4, comments}, {6, picture}}, flac.audio)));
    OggParts opus = SplitOgg(tones.opus);
    opus.headers[1] = OpusTags({"TITLE=Viola", "METADATA_BLOCK_PICTURE=" + picture.toBase64()});
    const QString opusPath = Music(QStringLiteral("viola.opus"));
    QVERIFY(TestFiles::Write(opusPath, Ogg(opus.headers, opus)));
    const QString m4aPath = Music(QStringLiteral("alto.m4a"));
    QVERIFY(TestFiles::Write(m4aPath, Mp4(tones.m4a, Udta(Mp4Item("\xA9nam", "Alto") + Mp4Item("covr", art, 13)))));

    frmMain window;
    Probe(window).TargetSize = 250;
    window.GetFileInfo({QString(), flacPath, opusPath, m4aPath});
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 3);
    for (int row = 1; row <= 3; ++row) {
        const TrackRow shown = Probe(window).lvwMain()->Row(row);
        QCOMPARE(shown.OriginalSize, QStringLiteral("900 x 600"));
        QCOMPARE(shown.Tags.Title.toLower().left(4), shown.FileName.left(4)); // "Alto" of alto.m4a
    }
    window.Resizing(false);
    QVERIFY(WaitUntilIdle(window));
    for (int row = 1; row <= 3; ++row) {
        QCOMPARE(Probe(window).lvwMain()->Row(row).Status, QStringLiteral("Resized"));
        QCOMPARE(Probe(window).lvwMain()->Row(row).NewSize, QStringLiteral("250 x 167"));
    }

    // The formats' own tools and mutagen read the new files whole.
    QProcess check;
    check.start(QStringLiteral("flac"), {QStringLiteral("-t"), QStringLiteral("-s"), flacPath});
    QVERIFY(check.waitForFinished(30000));
    QCOMPARE(check.exitCode(), 0);
    check.start(QStringLiteral("opusinfo"), {opusPath});
    QVERIFY(check.waitForFinished(30000));
    QCOMPARE(check.exitCode(), 0);
    check.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"),
                 QStringLiteral("import sys, base64, io, subprocess, PIL.Image\n"
                                "from mutagen import File\n"
                                "from mutagen.flac import Picture\n"
                                "for name in sys.argv[1:]:\n"
                                "    f = File(name)\n"
                                "    if name.endswith('.m4a'):\n"
                                "        subprocess.run(['AtomicParsley', name, '-T'], check=True, capture_output=True)\n"
                                "        c = f['covr'][0]\n"
                                "        print(f['\\xa9nam'][0], c.imageformat, *PIL.Image.open(io.BytesIO(c)).size)\n"
                                "        continue\n"
                                "    p = f.pictures[0] if getattr(f, 'pictures', None) else "
                                "Picture(base64.b64decode(f['METADATA_BLOCK_PICTURE'][0]))\n"
                                "    print(f['TITLE'][0], p.type, p.mime, p.width, p.height)\n"),
                 flacPath, opusPath, m4aPath});
    QVERIFY(check.waitForFinished(30000));
    QCOMPARE(check.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(check.readAllStandardOutput()),
             QStringLiteral("Cello 3 image/jpeg 250 167\nViola 3 image/jpeg 250 167\nAlto 13 250 167\n"));
}

void TestAddConvert::hardLinkedNamesAreNoted()
{
    // The window lists a file once; its other name keeps the old picture,
    // and the row says so.
    const QByteArray art = TestPictures::Jpeg(TestPictures::Solid(640, 480, Qt::cyan));
    const QString song = WriteMp3(QStringLiteral("linked.mp3"), WithArt(art));
    const QString other = Music(QStringLiteral("other-name.mp3"));
    QVERIFY(::link(QFile::encodeName(song).constData(), QFile::encodeName(other).constData()) == 0);
    const QByteArray old = TestFiles::Read(song);

    frmMain window;
    window.show();
    window.GetFileInfo({QString(), song});
    QVERIFY(WaitUntilIdle(window));
    QTest::mouseClick(Probe(window).cmdConvert, Qt::LeftButton);
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->Row(1).Status, QStringLiteral("Resized"));
    QCOMPARE(Probe(window).lvwMain()->topLevelItem(0)->toolTip(0),
             QStringLiteral("1 other name (hard link) of this file keeps its old content"));
    QCOMPARE(TestFiles::Read(other), old);
    QVERIFY(TestFiles::Read(song) != old);
}

// Memory runs out while files are added: the error is shown and logged, and
// the window is idle again, whatever the operation had set up: "Add Files",
// "Resize All" and closing work as before.
void TestAddConvert::backToIdleAfterAnUnexpectedError()
{
    const ErrorLogTail log;
    const QString a = WriteMp3(QStringLiteral("a.mp3"), WithArt(TestPictures::Jpeg(TestPictures::Solid(400, 300, Qt::red))));
    // A picture of some megabytes in a frame with a data length, which
    // TagLib reads for the program: that asks for one large block.
    QByteArray large = TestPictures::Jpeg(TestPictures::Solid(400, 300, Qt::blue));
    large.append(QByteArray(3 << 20, '\0'));
    const QByteArray content = QByteArray(1, '\0') + "image/jpeg" + '\0' + char(3) + '\0' + large;
    const QString b = Music(QStringLiteral("b.mp3"));
    QVERIFY(TestFiles::Write(b, Mp3Fixture::Tag(4, Mp3Fixture::Frame("APIC", Mp3Fixture::SizeBytes(quint32(content.size()), true) + content, 4, 0x0001))
                                    + Mp3Fixture::AudioFrames(4)));
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    if (!FailNextAllocationFrom(2 << 20))
        QSKIP("memory cannot be made to run out in this build");
    Answer({a, b});
    QTest::mouseClick(Probe(window).cmdFiles, Qt::LeftButton);
    QVERIFY(WaitUntilIdle(window));
    FailNextAllocationFrom(0);
    QCOMPARE(messages_, QStringList(QStringLiteral("Unexpected Error: Out of memory")));
    QCOMPARE(LastErrorMessage, QStringLiteral("Out of memory"));
    QVERIFY(log.Has("GetFileInfo", "Out of memory"));
    QVERIFY(!Probe(window).OperationRunning);
    QVERIFY(Probe(window).cmdFiles->isEnabled() && Probe(window).cmdFolder->isEnabled() && Probe(window).cmdConvert->isEnabled());
    QVERIFY(!ListInputLocked(Probe(window).lvwMain()));
    QVERIFY(Probe(window).picMsg->isHidden() && Probe(window).ProgressBar->isHidden());

    messages_.clear();
    QTest::mouseClick(Probe(window).cmdFiles, Qt::LeftButton);
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 2);
    QTest::mouseClick(Probe(window).cmdConvert, Qt::LeftButton);
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->Field(RowOf(window, b), ColStatus), QStringLiteral("Resized"));
    QVERIFY(messages_.isEmpty());
    QVERIFY(window.close());
}

// "Resize Every Picture", chosen from the Options menu, converts the front
// cover that is not picture 1 too; a picture that cannot be read shows why.
void TestAddConvert::everyPictureAndWhyNot()
{
    const ErrorLogTail log;
    Recipe covers = WithArt(TestPictures::Jpeg(TestPictures::Solid(640, 480, Qt::cyan)));
    covers.pictures << Picture{TestPictures::Jpeg(TestPictures::Solid(900, 900, Qt::red)), QStringLiteral("image/jpeg"), 3,
                               QStringLiteral("front")};
    const QString song = WriteMp3(QStringLiteral("covers.mp3"), covers);
    const QByteArray avif = QByteArray("\0\0\0\x1C" "ftypavif", 12);
    const QString odd = WriteMp3(QStringLiteral("odd.mp3"), WithArt(avif));

    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QMenuBar *bar = window.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(Probe(window).mnuOptions->menuAction()).center());
    QTRY_VERIFY(Probe(window).mnuOptions->isVisible());
    QTest::mouseClick(Probe(window).mnuOptions, Qt::LeftButton, {}, Probe(window).mnuOptions->actionGeometry(Probe(window).mnuAllPictures).center());
    QTRY_VERIFY(!Probe(window).mnuOptions->isVisible());
    QVERIFY(Probe(window).mnuAllPictures->isChecked());

    window.GetFileInfo({QString(), song, odd});
    QVERIFY(WaitUntilIdle(window));
    QTest::mouseClick(Probe(window).cmdConvert, Qt::LeftButton);
    QVERIFY(WaitUntilIdle(window));
    TagLib::MPEG::File file(QFile::encodeName(song).constData());
    const auto pictures = file.ID3v2Tag()->frameListMap()["APIC"];
    QCOMPARE(pictures.size(), 2u);
    for (const auto *frame : pictures) {
        const auto *picture = static_cast<const TagLib::ID3v2::AttachedPictureFrame *>(frame);
        const QByteArray data(picture->picture().data(), int(picture->picture().size()));
        const Result<JpegHeader> header = ReadJpegHeader(data);
        QVERIFY(header);
        QCOMPARE(qMax(header->size.width(), header->size.height()), 250);
    }

    // The AVIF file fails, as brisko-batch tells it; its preview, once its
    // row is clicked, and the log say why.
    const int oddRow = RowOf(window, odd);
    QCOMPARE(Probe(window).lvwMain()->Field(oddRow, ColStatus), QStringLiteral("Resize Failed"));
    TrackList *list = Probe(window).lvwMain();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(list->viewport()->width() / 2,
                             list->visualItemRect(list->topLevelItem(oddRow - 1)).center().y()));
    QVERIFY(WaitForPreview(window));
    QCOMPARE(Probe(window).imgDisplay->Picture(), NoPictureImage(QStringLiteral("unsupported picture (AVIF)")));
    QCOMPARE(list->topLevelItem(oddRow - 1)->toolTip(0), QStringLiteral("unsupported picture (AVIF)"));
    QVERIFY(log.Added().contains("odd.mp3: "));
}

// Options > "Front Cover First" and "Use Folder Picture" picked from the
// menu, and "Largest picture (KB)" typed into its dialog, are what "Resize
// All" does and tells, and are kept for the next start; both options are
// off at first.
void TestAddConvert::playerOptionsFromTheMenus()
{
    AudioFixture::Tones tones;
    if (!AudioFixture::MakeTones(dir_->path(), &tones))
        QSKIP("ffmpeg is not installed");
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("bare")));
    QVERIFY(TestFiles::Write(Music(QStringLiteral("bare/cover.jpg")), TestPictures::Jpeg(TestPictures::Solid(500, 500, Qt::red))));
    const QByteArray back = TestPictures::Jpeg(TestPictures::Solid(300, 200, Qt::blue));
    const QByteArray front = TestPictures::Jpeg(TestPictures::Noise(300, 300), 95);
    // Each option on every format, as mutagen reads it, is the batch tests'
    // table; here one file of each kind shows what the window tells.
    const QString covers = Music(QStringLiteral("covers.mp3"));
    const QString bare = Music(QStringLiteral("bare/bare.mp3"));
    QVERIFY(MusicFiles::Write(covers, tones, QStringLiteral("Covers"),
                              {{back, QStringLiteral("image/jpeg"), 4, QStringLiteral("back")},
                               {front, QStringLiteral("image/jpeg"), 3, QStringLiteral("front")}}));
    QVERIFY(MusicFiles::Write(bare, tones, QStringLiteral("Bare"), {}));

    auto window = std::make_unique<frmMain>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QMenu *options = Probe(*window).mnuOptions;
    QMenuBar *bar = window->menuBar();
    const auto choose = [&](QAction *entry) {
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(options->menuAction()).center());
        QTRY_VERIFY(options->isVisible());
        QTest::mouseClick(options, Qt::LeftButton, {}, options->actionGeometry(entry).center());
        QTRY_VERIFY(!options->isVisible());
    };
    for (QAction *entry : {Probe(*window).mnuFrontCoverFirst, Probe(*window).mnuFolderPicture}) {
        QVERIFY(!entry->isChecked());
        choose(entry);
        QVERIFY(entry->isChecked());
    }
    choose(window->findChild<QAction *>(QStringLiteral("mnuSizeQuality")));
    frmResizeSettings *dialog = nullptr;
    QTRY_VERIFY((dialog = window->findChild<frmResizeSettings *>()) && dialog->isActiveWindow());
    QCOMPARE(dialog->txtLargest->text(), QStringLiteral("0"));
    QTest::mouseClick(dialog->txtLargest, Qt::LeftButton);
    QTest::keyClick(dialog->txtLargest, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dialog->txtLargest, QStringLiteral("20"));
    QTest::mouseClick(dialog->cmdButtons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QTRY_COMPARE(Probe(*window).LargestPictureKB, 20);

    window->GetFileInfo({QString(), covers, bare});
    QVERIFY(WaitUntilIdle(*window));
    QTest::mouseClick(Probe(*window).cmdConvert, Qt::LeftButton);
    QVERIFY(WaitUntilIdle(*window));
    TrackList *list = Probe(*window).lvwMain();
    const auto tip = [&](const QString &path) { return list->topLevelItem(RowOf(*window, path) - 1)->toolTip(0); };
    QCOMPARE(list->Field(RowOf(*window, bare), ColStatus), QStringLiteral("Picture Added"));
    QVERIFY2(tip(bare).startsWith(QLatin1String("the folder picture cover.jpg added as the front cover")), qPrintable(tip(bare)));
    QCOMPARE(list->Field(RowOf(*window, covers), ColStatus), QStringLiteral("Resized"));
    QVERIFY2(tip(covers).startsWith(QLatin1String("the front cover (picture 2) moved to be picture 1"))
                 && tip(covers).contains(QLatin1String("to stay within 20 KB")),
             qPrintable(tip(covers)));
    const QList<MusicFiles::ReadPicture> read = MusicFiles::MutagenPictures(covers);
    QVERIFY(read.size() == 2 && read.at(0).type == 3 && read.at(0).data.size() <= 20 * 1024 && read.at(1).data == back);
    QVERIFY(window->close());

    window = std::make_unique<frmMain>();
    QVERIFY(Probe(*window).mnuFrontCoverFirst->isChecked() && Probe(*window).mnuFolderPicture->isChecked());
    QCOMPARE(Probe(*window).LargestPictureKB, 20);
    window.reset();
    QFile::remove(SettingsStore::DefaultPath()); // the tests after this one start from no settings
}

QTEST_MAIN(TestAddConvert)
#include "tst_addconvert.moc"
