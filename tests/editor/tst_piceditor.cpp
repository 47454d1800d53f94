// SPDX-License-Identifier: MIT
#include "base/errorlog.h"
#include "engine/convert/artconversion.h"
#include "engine/convert/filerewrite.h"
#include "engine/files/filetimes.h"
#include "support/audiofixture.h"
#include "support/messageboxes.h"
#include "support/mp3fixture.h"
#include "support/testfiles.h"
#include "support/testpictures.h"
#include "support/errorlogtail.h"
#include "support/windowidle.h"
#include "support/workergate.h"
#include "window/backgroundjobs.h"
#include "window/dialogs/frmpicmod.h"
#include "window/dialogs/keptpicture.h"
#include "window/frmmain.h"
#include "window/widgets/clsopensave.h"
#include "window/widgets/derezovivavo.h"
#include "window/widgets/globals.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"
#include "window/widgets/unexpectederror.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QtTest>

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <functional>

#include <sys/stat.h>

using namespace Mp3Fixture;

namespace {

// Data offered as a picture whose bytes cannot be had: memory runs out when
// they are asked for.
class ExhaustedPicture : public QMimeData
{
public:
    QStringList formats() const override { return {QStringLiteral("application/x-qt-image")}; }

protected:
    QVariant retrieveData(const QString &, QMetaType) const override { throw std::bad_alloc(); }
};

} // namespace

// The picture and tag dialog on its own, and through the real main window on
// real files; what was written is read back with TagLib.
class TestPicEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void genreListAndSearch();
    void sharedValuesAndMarkers();
    void editsAndWhatSaveHandsBack();
    void replacementPictureSources();
    void chosenPictureIsReadOnAWorker();
    void tagOnlyChange();
    void pictureSizesAndBlankFields();
    void cancelKeepAndClearClipboard();
    void stopFailureAndSpace();
    void filesNoFormatReadsAreRefused();
    void unexpectedErrorsAreReportedAndWorkGoesOn();
    void trackNumbersAlikeInEveryFormat();

private:
    QString Path(const QString &name) const { return dir_->path() + u'/' + name; }
    QString Mp3(const QString &name, const Recipe &recipe) const { return Write(Path(name), recipe); }
    static Recipe Song(const QString &title, const QString &genre = QStringLiteral("Rock"),
                       const QString &comment = QStringLiteral("Nice"));
    // A window listing the files, with the given rows selected.
    static void Select(frmMain &window, const QList<int> &rows);
    // Answers the next picture and tag dialog with what edit does to it;
    // edit returns false to cancel.
    static void Answer(const std::function<bool(frmPicMod &)> &edit);
    // Opens the dialog from the context menu and waits until the change is written.
    static void ChangeSelected(frmMain &window);
    static void Activate(frmPicMod &dialog);

    static inline int answered_ = 0;
    std::unique_ptr<QTemporaryDir> dir_;
    QTemporaryDir config_;
    QStringList messages_;
};

void TestPicEditor::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
}

void TestPicEditor::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    ShowTip = false;
    KeptPicture = QImage();
    CollectMessageBoxes(&messages_);
}

void TestPicEditor::cleanup()
{
    SetMsgBoxHandler(nullptr);
    SetFreeSpaceQuery(nullptr);
    clsOpenSave::SetFileDialogRunner(nullptr);
}

Recipe TestPicEditor::Song(const QString &title, const QString &genre, const QString &comment)
{
    Recipe recipe;
    recipe.title = title;
    recipe.artist = QStringLiteral("Artist");
    recipe.album = QStringLiteral("Album");
    recipe.track = QStringLiteral("1");
    recipe.year = QStringLiteral("1999");
    recipe.genre = genre;
    recipe.comment = comment;
    recipe.id3v1 = true;
    recipe.v1Title = title;
    recipe.v1Artist = QStringLiteral("Artist");
    recipe.pictures << Picture{TestPictures::Jpeg(TestPictures::Solid(400, 300, Qt::darkRed)),
                               QStringLiteral("image/jpeg"), 4, QString()};
    return recipe;
}

void TestPicEditor::Select(frmMain &window, const QList<int> &rows)
{
    Probe(window).lvwMain()->clearSelection();
    for (int row : rows)
        Probe(window).lvwMain()->topLevelItem(row - 1)->setSelected(true);
    Probe(window).lvwMain()->setCurrentItem(Probe(window).lvwMain()->topLevelItem(rows.first() - 1), 0,
                                     QItemSelectionModel::NoUpdate);
}

void TestPicEditor::Activate(frmPicMod &dialog)
{
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QVERIFY(dialog.Activated());
}

void TestPicEditor::Answer(const std::function<bool(frmPicMod &)> &edit)
{
    auto *poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, edit] {
        auto *dialog = qobject_cast<frmPicMod *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        if (edit(*dialog))
            dialog->Save();
        else
            dialog->cmdCancel->click();
        ++answered_;
    });
    poll->start();
}

void TestPicEditor::ChangeSelected(frmMain &window)
{
    const int before = answered_;
    Probe(window).mnuReplace->trigger();
    QVERIFY(!Probe(window).EditorOpen); // the dialog opens after the menu command has returned
    QTRY_COMPARE(answered_, before + 1);
    QTRY_VERIFY(!Probe(window).EditorOpen && !Probe(window).OperationRunning);
}

void TestPicEditor::genreListAndSearch()
{
    const QStringList names = SortedGenreNames();
    QCOMPARE(names.size(), 145);
    QCOMPARE(names.mid(0, 4), (QStringList{QStringLiteral("A Capella"), QStringLiteral("Acid"),
                                           QStringLiteral("Acid Jazz"), QStringLiteral("Acid Punk")}));
    QCOMPARE(names.mid(143), (QStringList{QStringLiteral("Trip-Hop"), QStringLiteral("Vocal")}));
    QVERIFY(names.indexOf(QStringLiteral("Eurodance")) < names.indexOf(QStringLiteral("Euro-House")));

    QComboBox box;
    box.addItems({QStringLiteral("Rock"), QStringLiteral("Rock & Roll")});
    QCOMPARE(frmPicMod::ComboboxFindString(QStringLiteral("rock"), &box), 0);
    QCOMPARE(frmPicMod::ComboboxFindString(QStringLiteral("ROCK & ROLL"), &box), 1);
    QCOMPARE(frmPicMod::ComboboxFindString(QStringLiteral("Roc"), &box), -1);
}

void TestPicEditor::sharedValuesAndMarkers()
{
    Recipe empty = Song(QStringLiteral("Alone"), QStringLiteral("A Capella"), QString());
    empty.album.clear();
    const QString a = Mp3(QStringLiteral("a.mp3"), Song(QStringLiteral("First"), QStringLiteral("Rock")));
    const QString b = Mp3(QStringLiteral("b.mp3"), Song(QStringLiteral("Second"), QStringLiteral("rock"),
                                                        QStringLiteral("Other")));
    const QString c = Mp3(QStringLiteral("c.mp3"), empty);
    frmMain window;
    window.GetFileInfo({QString(), a, b, c});
    QVERIFY(WaitUntilIdle(window));

    // One row: its own values; an empty field shows empty text.
    Select(window, {3});
    {
        frmPicMod dialog(Probe(window).lvwMain());
        QCOMPARE(dialog.cboTagData[frmPicMod::Title]->currentText(), QStringLiteral("Alone"));
        QCOMPARE(dialog.cboTagData[frmPicMod::Album]->currentText(), QString());
        QCOMPARE(dialog.cboTagData[frmPicMod::Album]->currentIndex(), -1);
        QCOMPARE(dialog.cboTagData[frmPicMod::Genre]->currentText(), QStringLiteral("A Capella"));
        QCOMPARE(dialog.txtComment->text(), QString());
        QVERIFY(!dialog.cmdSave->isEnabled());
        for (QComboBox *box : dialog.cboTagData) {
            QCOMPARE(box->itemText(0), QStringLiteral("<Blank>"));
            QCOMPARE(box->itemText(1), QStringLiteral("<Keep>"));
        }
        QCOMPARE(dialog.cboTagData[frmPicMod::Comment]->itemText(2), QStringLiteral("<New>"));
        QCOMPARE(dialog.cboTagData[frmPicMod::Genre]->count(), 147);
    }

    // Rock and rock are one value, spelt as the list has it; two titles and
    // two comments differ.
    Select(window, {1, 2});
    {
        frmPicMod dialog(Probe(window).lvwMain());
        QCOMPARE(dialog.cboTagData[frmPicMod::Genre]->currentText(), QStringLiteral("Rock"));
        QCOMPARE(dialog.cboTagData[frmPicMod::Artist]->currentText(), QStringLiteral("Artist"));
        QCOMPARE(dialog.cboTagData[frmPicMod::Title]->currentText(), QStringLiteral("<Keep>"));
        QCOMPARE(dialog.cboTagData[frmPicMod::Title]->itemText(2), QStringLiteral("First"));
        QCOMPARE(dialog.cboTagData[frmPicMod::Comment]->currentText(), QStringLiteral("<Keep>"));
        QCOMPARE(dialog.txtComment->text(), QStringLiteral("< Comment Will Not Be Changed >"));
        QVERIFY(!dialog.txtComment->isEnabled());
        dialog.Save();
        QCOMPARE(dialog.NewTagData(),
                 (QStringList{QStringLiteral("<Keep>"), QStringLiteral("Artist"), QStringLiteral("Album"),
                              QStringLiteral("1"), QStringLiteral("1999"), QStringLiteral("Rock"),
                              QStringLiteral("<Keep>")}));
        QVERIFY(dialog.Ok());
    }

    // "A Capella", the first item of the genre list, against Rock.
    Select(window, {1, 3});
    frmPicMod dialog(Probe(window).lvwMain());
    QCOMPARE(dialog.cboTagData[frmPicMod::Genre]->currentText(), QStringLiteral("<Keep>"));
    QCOMPARE(dialog.cboTagData[frmPicMod::Album]->currentText(), QStringLiteral("<Keep>"));
}

void TestPicEditor::editsAndWhatSaveHandsBack()
{
    const QString a = Mp3(QStringLiteral("a.mp3"), Song(QStringLiteral("Title")));
    frmMain window;
    window.GetFileInfo({QString(), a});
    QVERIFY(WaitUntilIdle(window));
    Select(window, {1});
    frmPicMod dialog(Probe(window).lvwMain());
    QCOMPARE(dialog.txtComment->text(), QStringLiteral("Nice"));
    QVERIFY(dialog.txtComment->isEnabled());
    // Changes before the dialog is first active are not the user's.
    dialog.cboTagData[frmPicMod::Title]->setEditText(QStringLiteral("x"));
    QVERIFY(!dialog.Changed() && !dialog.cmdSave->isEnabled());
    Activate(dialog);
    // Enter in a field saves, does nothing while Save is disabled, never opens Find Picture.
    int fileDialogs = 0;
    clsOpenSave::SetFileDialogRunner([&fileDialogs](const clsOpenSave::Request &) {
        ++fileDialogs;
        return clsOpenSave::Answer{};
    });
    QCOMPARE(QApplication::focusWidget(), dialog.cboTagData[frmPicMod::Title]);
    QTest::keyClick(dialog.cboTagData[frmPicMod::Title]->lineEdit(), Qt::Key_Return);
    QVERIFY(dialog.isVisible() && !dialog.Ok() && fileDialogs == 0);

    QTest::keyClicks(dialog.cboTagData[frmPicMod::Title]->lineEdit(), QStringLiteral("<Blank>"));
    dialog.cboTagData[frmPicMod::Title]->setEditText(QStringLiteral("<Blank>"));
    QVERIFY(dialog.Changed() && dialog.cmdSave->isEnabled());
    dialog.cboTagData[frmPicMod::Artist]->setCurrentIndex(-1);
    dialog.cboTagData[frmPicMod::Artist]->setEditText(QString());
    // Text dropped on a list replaces its text.
    QMimeData text;
    text.setText(QStringLiteral("Dropped Album"));
    QWidget *albumEdit = dialog.cboTagData[frmPicMod::Album]->lineEdit();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(albumEdit, &enter);
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(albumEdit, &drop);
    QCOMPARE(dialog.cboTagData[frmPicMod::Album]->currentText(), QStringLiteral("Dropped Album"));

    // "<New>" with nothing typed gives an empty comment; "<Blank>" and
    // "<Keep>" lock the text box.
    QComboBox *comment = dialog.cboTagData[frmPicMod::Comment];
    comment->setCurrentIndex(1);
    QVERIFY(!dialog.txtComment->isEnabled());
    comment->setCurrentIndex(0);
    QCOMPARE(dialog.txtComment->text(), QString());
    QVERIFY(!dialog.txtComment->isEnabled());
    comment->setCurrentIndex(2);
    QVERIFY(dialog.txtComment->isEnabled());

    // "Clear Picture" after an edit keeps Save enabled.
    dialog.ClearPicture();
    QVERIFY(dialog.cmdSave->isEnabled());
    QTest::keyClick(dialog.txtComment, Qt::Key_Return);
    QVERIFY(dialog.Ok() && fileDialogs == 0);
    QCOMPARE(dialog.NewTagData(), (QStringList{QString(), QString(), QStringLiteral("Dropped Album"),
                                               QStringLiteral("1"), QStringLiteral("1999"), QStringLiteral("Rock"),
                                               QString()}));
}

void TestPicEditor::replacementPictureSources()
{
    const QString jpg = Path(QStringLiteral("cover.JPG"));
    QVERIFY(TestFiles::Write(jpg, TestPictures::Jpeg(TestPictures::Solid(64, 32, Qt::blue))));
    const QString fake = Path(QStringLiteral("fake.jpg"));
    QVERIFY(TestFiles::Write(fake, "not a picture"));
    const auto files = [](const QStringList &paths) {
        auto *data = new QMimeData;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        data->setUrls(urls);
        return data;
    };

    // What may be dropped: pictures, or files whose first ends in bmp, gif or jpg.
    std::unique_ptr<QMimeData> capitals(files({jpg}));
    std::unique_ptr<QMimeData> jpeg(files({Path(QStringLiteral("x.jpeg")), jpg}));
    QMimeData image;
    image.setImageData(TestPictures::Solid(10, 10, Qt::red));
    QMimeData text;
    text.setText(QStringLiteral("cover.jpg"));
    QVERIFY(frmPicMod::CanDropPicture(capitals.get()));
    QVERIFY(frmPicMod::CanDropPicture(jpeg.get()));
    QVERIFY(frmPicMod::CanDropPicture(&image));
    QVERIFY(!frmPicMod::CanDropPicture(&text));

    frmPicMod dialog(nullptr);
    QVERIFY(!dialog.cmdSave->isEnabled() && !dialog.chkSaveClip->isChecked());
    std::unique_ptr<QMimeData> notPicture(files({fake}));
    dialog.RepPicture_DD(notPicture.get());
    QCOMPARE(messages_, QStringList{QStringLiteral("Invalid Picture Format\nunsupported picture format")});
    QVERIFY(KeptPicture.isNull() && !dialog.cmdSave->isEnabled());
    // A pipe and a device named like pictures are refused, not read forever.
    const QString pipe = Path(QStringLiteral("pipe.jpg"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), Path(QStringLiteral("zero.jpg"))));
    for (const QString &odd : {pipe, Path(QStringLiteral("zero.jpg"))}) {
        std::unique_ptr<QMimeData> dropped(files({odd}));
        dialog.RepPicture_DD(dropped.get());
        QCOMPARE(messages_.last(), QStringLiteral("Invalid Picture Format\nnot a regular file"));
    }
    // A PNG is taken as PNG art in a tag is: transparent parts over white.
    QImage halfClear(40, 20, QImage::Format_ARGB32);
    halfClear.fill(Qt::transparent);
    QPainter(&halfClear).fillRect(20, 0, 20, 20, Qt::red);
    const QString png = Path(QStringLiteral("cover.png"));
    QVERIFY(TestFiles::Write(png, TestPictures::Encoded(halfClear, "png")));
    std::unique_ptr<QMimeData> pngDrop(files({png}));
    QVERIFY(frmPicMod::CanDropPicture(pngDrop.get()));
    dialog.RepPicture_DD(pngDrop.get());
    QCOMPARE(KeptPicture.pixelColor(5, 10), QColor(Qt::white));
    QCOMPARE(KeptPicture.pixelColor(35, 10), QColor(Qt::red));
    dialog.RepPicture_DD(capitals.get());
    QCOMPARE(KeptPicture.size(), QSize(64, 32));
    QVERIFY(dialog.cmdSave->isEnabled());

    // Find Picture: the dialog's settings; Cancel says nothing, a file that
    // is no picture says so.
    clsOpenSave::Request asked;
    QString answer;
    clsOpenSave::SetFileDialogRunner([&](const clsOpenSave::Request &request) {
        asked = request;
        return answer.isEmpty() ? clsOpenSave::Answer{false, {}, 0} : clsOpenSave::Answer{true, {answer}, 0};
    });
    messages_.clear();
    dialog.GetNewPix();
    QCOMPARE(asked.title, QStringLiteral("Replacement Art"));
    QCOMPARE(asked.nameFilters, QStringList{QStringLiteral("Picture Files (*.bmp *.gif *.jpg *.jpeg *.png *.webp)")});
    QVERIFY(asked.mustExist && !asked.multiple);
    QVERIFY(messages_.isEmpty());
    answer = fake;
    dialog.GetNewPix();
    QCOMPARE(messages_, QStringList{QStringLiteral("Invalid Picture\nunsupported picture format")});
    QCOMPARE(KeptPicture.size(), QSize(64, 32));
    answer = Path(QStringLiteral("typed.jpeg"));
    QVERIFY(TestFiles::Write(answer, TestPictures::Jpeg(TestPictures::Solid(30, 60, Qt::blue))));
    dialog.GetNewPix();
    QCOMPARE(KeptPicture.size(), QSize(30, 60));

    // Paste, and the popup's enabling.
    QGuiApplication::clipboard()->setImage(TestPictures::Solid(20, 40, Qt::green));
    dialog.show();
    QTest::mouseClick(dialog.imgRepPicture, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
    QTRY_VERIFY(dialog.mnuPop1->isVisible());
    QVERIFY(dialog.mnuPaste->isEnabled() && dialog.mnuClearClip->isEnabled());
    QCOMPARE(dialog.mnuPop1->defaultAction(), dialog.mnuPaste);
    dialog.mnuPop1->close();
    dialog.mnuPaste->trigger();
    QCOMPARE(KeptPicture.size(), QSize(20, 40));
    QGuiApplication::clipboard()->setText(QStringLiteral("words"));
    dialog.RepPicture_Paste();
    QCOMPARE(messages_.last(), QStringLiteral("Invalid Picture Format"));

    // Clear Picture without an edit disables Save again.
    dialog.mnuClearClip->trigger();
    QVERIFY(KeptPicture.isNull() && !dialog.cmdSave->isEnabled());
}

// A large picture chosen in the dialog is read on a worker; until it is
// shown the dialog takes no other picture and does not save.
void TestPicEditor::chosenPictureIsReadOnAWorker()
{
    const QString a = Mp3(QStringLiteral("a.mp3"), Song(QStringLiteral("One")));
    const QString large = Path(QStringLiteral("large.jpg"));
    QVERIFY(TestFiles::Write(large, TestPictures::Jpeg(TestPictures::Solid(2400, 1600, Qt::darkGreen))));
    frmMain window;
    window.show();
    window.GetFileInfo({QString(), a});
    QVERIFY(WaitUntilIdle(window));
    Select(window, {1});
    QVERIFY(WaitForPreview(window));
    KeptPicture = TestPictures::Solid(30, 30, Qt::cyan); // Save is enabled as the dialog opens
    clsOpenSave::SetFileDialogRunner([&large](const clsOpenSave::Request &) {
        return clsOpenSave::Answer{true, {large}, 0};
    });
    WorkerGate reading;
    BackgroundJobs::SetBeforeJobHook([&reading](int) { reading.Pass(); });
    bool locked = false;
    bool shown = false;
    Answer([&](frmPicMod &dialog) {
        QTest::mouseClick(dialog.cmdNew, Qt::LeftButton);
        QTest::keyClick(dialog.txtComment, Qt::Key_Return);
        locked = QTest::qWaitFor([&reading] { return reading.Entered(); }) && dialog.isVisible()
            && !dialog.cmdNew->isEnabled() && !dialog.cmdSave->isEnabled();
        reading.Open();
        shown = QTest::qWaitFor([&dialog] { return dialog.imgRepPicture->Picture().size() == QSize(2400, 1600); })
            && dialog.cmdNew->isEnabled() && dialog.cmdSave->isEnabled();
        return true;
    });
    ChangeSelected(window);
    BackgroundJobs::SetBeforeJobHook(nullptr);
    QVERIFY(locked && shown);
    QCOMPARE(Probe(window).lvwMain()->Row(1).OriginalSize, QStringLiteral("2400 x 1600"));
}

void TestPicEditor::tagOnlyChange()
{
    const QString a = Mp3(QStringLiteral("a.mp3"), Song(QStringLiteral("One")));
    const QString b = Mp3(QStringLiteral("b.mp3"), Song(QStringLiteral("Two")));
    const QDateTime old = QDateTime::currentDateTime().addDays(-100);
    for (const QString &path : {a, b})
        QVERIFY(RestoreModifiedTime(path, old));
    const QByteArray audioBefore = AfterTag(TestFiles::Read(a));
    frmMain window;
    window.show();
    window.GetFileInfo({QString(), a, b});
    QVERIFY(WaitUntilIdle(window));
    Select(window, {1, 2});

    Answer([](frmPicMod &dialog) {
        dialog.cboTagData[frmPicMod::Artist]->setEditText(QStringLiteral("New Artist"));
        return true;
    });
    ChangeSelected(window);
    for (int row : {1, 2}) {
        const TrackRow shown = Probe(window).lvwMain()->Row(row);
        QCOMPARE(shown.Status, QStringLiteral("Tag Changed"));
        QCOMPARE(shown.Icon, 6);
        QCOMPARE(shown.OriginalSize, QStringLiteral("400 x 300"));
        QCOMPARE(shown.NewSize, QStringLiteral("----------"));
        QCOMPARE(shown.Tags.Artist, QStringLiteral("New Artist"));
    }
    QCOMPARE(Probe(window).lvwMain()->Row(1).Tags.Title, QStringLiteral("One"));
    for (const QString &path : {a, b}) {
        TagLib::MPEG::File file(QFile::encodeName(path).constData());
        QCOMPARE(QString::fromStdString(file.ID3v2Tag()->artist().to8Bit(true)), QStringLiteral("New Artist"));
        QCOMPARE(QString::fromStdString(file.ID3v1Tag()->artist().to8Bit(true)), QStringLiteral("New Artist"));
        QCOMPARE(file.ID3v2Tag()->genre(), TagLib::String("Rock"));
        QCOMPARE(file.ID3v2Tag()->frameListMap()["APIC"].size(), 1u);
        QCOMPARE(LastModified(path).toSecsSinceEpoch(), old.toSecsSinceEpoch());
        QVERIFY(!QFile::exists(path + u'~'));
    }
    QCOMPARE(AfterTag(TestFiles::Read(a)).left(audioBefore.size() - 128), audioBefore.left(audioBefore.size() - 128));
    QVERIFY(Probe(window).ProgressBar->isHidden() && Probe(window).cmdConvert->isEnabled());
}

void TestPicEditor::pictureSizesAndBlankFields()
{
    const QString a = Mp3(QStringLiteral("a.mp3"), Song(QStringLiteral("One")));
    const QString b = Mp3(QStringLiteral("b.mp3"), Song(QStringLiteral("Two")));
    frmMain window;
    window.show();
    Probe(window).TargetSize = 200;
    Probe(window).Quality = 80;
    window.GetFileInfo({QString(), a, b});
    QVERIFY(WaitUntilIdle(window));

    // 500 x 250 at 200 for both files; the album emptied in both tags, the
    // comment given anew, the rest kept.
    Select(window, {1, 2});
    KeptPicture = TestPictures::Solid(500, 250, Qt::darkBlue);
    Answer([](frmPicMod &dialog) {
        dialog.cboTagData[frmPicMod::Album]->setCurrentIndex(0);
        dialog.cboTagData[frmPicMod::Comment]->setCurrentIndex(2);
        dialog.txtComment->setText(QStringLiteral("Fresh"));
        dialog.chkSaveClip->click(); // not kept
        return true;
    });
    ChangeSelected(window);
    QVERIFY(KeptPicture.isNull());
    for (int row : {1, 2}) {
        const TrackRow shown = Probe(window).lvwMain()->Row(row);
        QCOMPARE(shown.Status, QStringLiteral("Pic | Tag Changed"));
        QCOMPARE(shown.OriginalSize, QStringLiteral("500 x 250"));
        QCOMPARE(shown.NewSize, QStringLiteral("200 x 100"));
        QCOMPARE(shown.Tags.Album, QString());
        QCOMPARE(shown.Tags.Comment, QStringLiteral("Fresh"));
    }
    for (const QString &path : {a, b}) {
        TagLib::MPEG::File file(QFile::encodeName(path).constData());
        QVERIFY(file.ID3v2Tag()->album().isEmpty() && file.ID3v1Tag()->album().isEmpty());
        QCOMPARE(file.ID3v1Tag()->comment(), TagLib::String("Fresh"));
        QCOMPARE(file.ID3v2Tag()->title(), TagLib::String(path == a ? "One" : "Two"));
        const auto pictures = file.ID3v2Tag()->frameListMap()["APIC"];
        QCOMPARE(pictures.size(), 1u);
        const auto *picture = static_cast<TagLib::ID3v2::AttachedPictureFrame *>(pictures.front());
        QCOMPARE(int(picture->type()), 4); // the old picture's type
        const QByteArray jpeg(picture->picture().data(), int(picture->picture().size()));
        QCOMPARE(QImage::fromData(jpeg).size(), QSize(200, 100));
        const QList<int> markers = TestPictures::JpegMarkers(jpeg);
        QVERIFY(markers.contains(0xC0) && !markers.contains(0xC2));
    }

    // A smaller picture is enlarged: 120 x 90 at 300.
    Probe(window).TargetSize = 300;
    Select(window, {1});
    KeptPicture = TestPictures::Solid(120, 90, Qt::yellow);
    Answer([](frmPicMod &) { return true; });
    ChangeSelected(window);
    QCOMPARE(Probe(window).lvwMain()->Row(1).NewSize, QStringLiteral("300 x 225"));
    QCOMPARE(Probe(window).lblSize->text(), QStringLiteral("Image Size: 300 x 225"));
    // Kept (the box was checked when the dialog opened with it).
    QVERIFY(!KeptPicture.isNull());
}

void TestPicEditor::cancelKeepAndClearClipboard()
{
    const QString a = Mp3(QStringLiteral("a.mp3"), Song(QStringLiteral("One")));
    const QByteArray before = TestFiles::Read(a);
    frmMain window;
    window.show();
    window.GetFileInfo({QString(), a});
    QVERIFY(WaitUntilIdle(window));
    Select(window, {1});
    QVERIFY(!Probe(window).mnuClearClip->isEnabled() && !Probe(window).Statusbar->PanelVisible(4));

    // A picture chosen and then Cancel: nothing written, the picture gone.
    Answer([](frmPicMod &dialog) {
        QMimeData image;
        image.setImageData(TestPictures::Solid(30, 30, Qt::cyan));
        dialog.RepPicture_DD(&image);
        dialog.cboTagData[frmPicMod::Title]->setEditText(QStringLiteral("Never"));
        return false;
    });
    ChangeSelected(window);
    QCOMPARE(TestFiles::Read(a), before);
    QVERIFY(KeptPicture.isNull() && !Probe(window).mnuClearClip->isEnabled());

    // The same with "Keep picture on clipboard": kept, and offered again.
    Answer([](frmPicMod &dialog) {
        QMimeData image;
        image.setImageData(TestPictures::Solid(30, 30, Qt::cyan));
        dialog.RepPicture_DD(&image);
        QTest::mouseClick(dialog.chkSaveClip, Qt::LeftButton, {}, QPoint(8, dialog.chkSaveClip->height() / 2));
        return false;
    });
    ChangeSelected(window);
    QCOMPARE(TestFiles::Read(a), before);
    QVERIFY(!KeptPicture.isNull() && Probe(window).mnuClearClip->isEnabled() && Probe(window).Statusbar->PanelVisible(4));
    QCOMPARE(Probe(window).Statusbar->PanelText(4), QStringLiteral("Picture On Clipboard"));
    bool offered = false;
    Answer([&offered](frmPicMod &dialog) {
        offered = dialog.chkSaveClip->isChecked() && dialog.cmdSave->isEnabled()
            && dialog.imgRepPicture->Picture().size() == QSize(30, 30);
        return false;
    });
    ChangeSelected(window);
    QVERIFY(offered);

    Probe(window).mnuClearClip->trigger();
    QVERIFY(KeptPicture.isNull() && !Probe(window).mnuClearClip->isEnabled() && !Probe(window).Statusbar->PanelVisible(4));
    // While the dialog is open the window does not close.
    Answer([&window](frmPicMod &) {
        window.close();
        return false;
    });
    ChangeSelected(window);
    QVERIFY(window.isVisible());
}

void TestPicEditor::stopFailureAndSpace()
{
    const QString a = Mp3(QStringLiteral("a.mp3"), Song(QStringLiteral("One")));
    const QString b = Mp3(QStringLiteral("b.mp3"), Song(QStringLiteral("Two")));
    frmMain window;
    window.show();
    window.GetFileInfo({QString(), a, b});
    QVERIFY(WaitUntilIdle(window));
    const auto newTitle = [](frmPicMod &dialog) {
        dialog.cboTagData[frmPicMod::Title]->setEditText(QStringLiteral("Changed"));
        return true;
    };

    // "Stop" while the first file is written: the second is not touched.
    const QByteArray second = TestFiles::Read(b);
    Probe(window).Workers = 1;
    WorkerGate writing;
    SetFreeSpaceQuery([&writing](const QString &) {
        writing.Pass();
        return qint64(1) << 40;
    });
    Select(window, {1, 2});
    Answer(newTitle);
    Probe(window).mnuReplace->trigger();
    QTRY_VERIFY(writing.Entered());
    QVERIFY(Probe(window).ProgressBar->isVisible());
    QTest::mouseClick(Probe(window).cmdCancel, Qt::LeftButton);
    writing.Open();
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->Row(1).Status, QStringLiteral("Tag Changed"));
    QCOMPARE(Probe(window).lvwMain()->Row(2).Status, QStringLiteral("Unchanged"));
    QCOMPARE(TestFiles::Read(b), second);

    // Exactly the file's length and 256,000 bytes free is enough; a byte less is not.
    SetFreeSpaceQuery([](const QString &path) { return QFileInfo(path).size() + 256000 - 1; });
    Select(window, {2});
    Answer(newTitle);
    ChangeSelected(window);
    QCOMPARE(Probe(window).lvwMain()->Row(2).Status, QStringLiteral("Low Drive Space"));
    QCOMPARE(Probe(window).lvwMain()->Row(2).Icon, 7);
    QCOMPARE(TestFiles::Read(b), second);
    WorkerGate one;
    SetFreeSpaceQuery([&one](const QString &path) {
        one.Pass();
        return QFileInfo(path).size() + 256000;
    });
    Answer(newTitle);
    Probe(window).mnuReplace->trigger();
    QTRY_VERIFY(one.Entered());
    QVERIFY(!Probe(window).ProgressBar->isVisible()); // one row: no bar while it is written
    one.Open();
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->Row(2).Status, QStringLiteral("Tag Changed"));

    // A file that may not be written fails; the user's own "~" backup stays.
    QVERIFY(TestFiles::Write(a + u'~', "left over"));
    QVERIFY(QFile::setPermissions(a, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    const QByteArray locked = TestFiles::Read(a);
    Select(window, {1});
    Answer(newTitle);
    ChangeSelected(window);
    QCOMPARE(Probe(window).lvwMain()->Row(1).Status, QStringLiteral("Change Pic Failed"));
    QCOMPARE(Probe(window).lvwMain()->Row(1).Icon, 7);
    QCOMPARE(TestFiles::Read(a), locked);
    QCOMPARE(TestFiles::Read(a + u'~'), QByteArray("left over"));

    // A file gone since it was added.
    QVERIFY(QFile::remove(b));
    Select(window, {2});
    Answer(newTitle);
    ChangeSelected(window);
    QCOMPARE(Probe(window).lvwMain()->Row(2).Status, QStringLiteral("File Missing"));
}

// A text file named as music, a FLAC file whose block runs past its end and
// an Opus file whose comment page fails its CRC check (what else is told by
// content is the batch tests' table) are listed as brisko-batch tells them,
// "Resize Failed" with the reason they cannot be read; "Resize All", clicked,
// and "Change Picture | Tag", chosen from the row's menu with the mouse, write
// nothing into them and say why.
void TestPicEditor::filesNoFormatReadsAreRefused()
{
    const ErrorLogTail log;
    const QString notMusic = QStringLiteral("not a music file that Brisko reads (MP3, FLAC, Ogg Vorbis, Opus or M4A)");
    QByteArray badCrc = AudioFixture::MadeUpOpus({"TITLE=T"});
    const qsizetype commentPage = AudioFixture::OggPages(badCrc).first().size();
    badCrc[commentPage + 40] = char(badCrc.at(commentPage + 40) ^ 0x20);
    const QString crcFails = QStringLiteral("the Ogg page at byte %1 fails its CRC check").arg(commentPage);
    struct File
    {
        QString path;
        QByteArray bytes;
        QString listed;  // the reason the row gives once added, and after "Resize All"
        QString changed; // and after the change
    };
    const QList<File> files = {
        {Path(QStringLiteral("a.flac")), "These are the liner notes.\n", notMusic, notMusic},
        {Path(QStringLiteral("c.flac")), QByteArray("fLaC\0\0\0\x22", 8) + QByteArray(200, '\0'),
         QStringLiteral("the tag cannot be read whole: a metadata block runs past the end of the file"),
         QStringLiteral("a metadata block runs past the end of the file")},
        {Path(QStringLiteral("d.opus")), badCrc, QStringLiteral("the tag cannot be read whole: ") + crcFails, crcFails},
    };
    QStringList paths{QString()};
    for (const File &file : files) {
        QVERIFY(TestFiles::Write(file.path, file.bytes));
        paths << file.path;
    }

    frmMain window;
    window.show();
    window.GetFileInfo(paths);
    QVERIFY(WaitUntilIdle(window));
    TrackList *list = Probe(window).lvwMain();
    QCOMPARE(list->RowCount(), int(files.size()));
    for (int row = 1; row <= list->RowCount(); ++row) {
        const File &file = files.at(row - 1);
        QCOMPARE(list->PathAt(row), file.path);
        QCOMPARE(list->Row(row).Status, QStringLiteral("Resize Failed"));
        QCOMPARE(list->topLevelItem(row - 1)->toolTip(ColStatus), file.listed);
        QTRY_VERIFY(log.Added().contains((file.path + QStringLiteral(": ") + file.listed).toUtf8()));
    }

    // Every row failed with its reason in the tooltip and the log, and every
    // file is as it was.
    const auto everyRowFailed = [&](const QString &status, const char *procedure, QString File::*reason) {
        for (int row = 1; row <= list->RowCount(); ++row) {
            const File &file = files.at(row - 1);
            QCOMPARE(list->Row(row).Status, status);
            QCOMPARE(list->topLevelItem(row - 1)->toolTip(ColStatus), file.*reason);
            QTRY_VERIFY(log.Has(procedure, (file.path + QStringLiteral(": ") + file.*reason).toUtf8()));
            QCOMPARE(TestFiles::Read(file.path), file.bytes);
        }
    };

    QTest::mouseClick(Probe(window).cmdConvert, Qt::LeftButton);
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).Statusbar->PanelText(3), QStringLiteral("Resized 0, failed 3, skipped 0"));
    everyRowFailed(QStringLiteral("Resize Failed"), "ConvPix", &File::listed);
    if (QTest::currentTestFailed())
        return;

    Select(window, {1, 2, 3});
    const int answered = answered_;
    Answer([](frmPicMod &dialog) {
        dialog.cboTagData[frmPicMod::Genre]->setEditText(QStringLiteral("Rock"));
        return true;
    });
    const QRect place = list->visualItemRect(list->topLevelItem(0));
    QTest::mouseClick(list->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(list->viewport()->width() / 2, place.center().y()));
    QTRY_VERIFY(Probe(window).mnuPopList->isVisible());
    QTest::mouseClick(Probe(window).mnuPopList, Qt::LeftButton, {},
                      Probe(window).mnuPopList->actionGeometry(Probe(window).mnuReplace).center());
    QTRY_COMPARE(answered_, answered + 1);
    QTRY_VERIFY(!Probe(window).EditorOpen && !Probe(window).OperationRunning);
    everyRowFailed(QStringLiteral("Change Pic Failed"), "UpdateCurrentPix", &File::changed);
}

// An unexpected error (memory running out) while a picture is taken or a file
// is written is shown and logged, and the dialog or the run goes on.
void TestPicEditor::unexpectedErrorsAreReportedAndWorkGoesOn()
{
    const ErrorLogTail log;
    const QString outOfMemory = QStringLiteral("Unexpected Error: Out of memory");
    frmPicMod dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // "Find Picture", while the file dialog is open.
    clsOpenSave::SetFileDialogRunner([](const clsOpenSave::Request &) -> clsOpenSave::Answer {
        throw std::bad_alloc();
    });
    QTest::mouseClick(dialog.cmdNew, Qt::LeftButton);
    QCOMPARE(messages_, QStringList(outOfMemory));
    QCOMPARE(LastErrorMessage, QStringLiteral("Out of memory"));
    QVERIFY(log.Has("GetNewPix", "Out of memory"));

    // A picture dropped on the replacement picture.
    ExhaustedPicture dropped;
    const QPoint middle = dialog.imgRepPicture->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.imgRepPicture, &enter);
    QDragMoveEvent move(middle, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.imgRepPicture, &move);
    QVERIFY(move.isAccepted());
    QDropEvent drop(middle, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.imgRepPicture, &drop);
    QCOMPARE(messages_, QStringList(2, outOfMemory));
    QVERIFY(log.Has("RepPicture_DD", "Out of memory"));

    // "Paste" from the popup of the replacement picture.
    QGuiApplication::clipboard()->setMimeData(new ExhaustedPicture);
    QTest::mouseClick(dialog.imgRepPicture, Qt::RightButton, Qt::NoModifier, middle);
    QTRY_VERIFY(dialog.mnuPop1->isVisible());
    QVERIFY(dialog.mnuPaste->isEnabled());
    QTest::mouseClick(dialog.mnuPop1, Qt::LeftButton, {}, dialog.mnuPop1->actionGeometry(dialog.mnuPaste).center());
    QCOMPARE(messages_, QStringList(3, outOfMemory));
    QVERIFY(log.Has("RepPicture_Paste", "Out of memory"));
    QVERIFY(KeptPicture.isNull());
    QGuiApplication::clipboard()->clear();
    dialog.close();

    // Writing the first of two files: the second is still written.
    const QString a = Mp3(QStringLiteral("a.mp3"), Song(QStringLiteral("One")));
    const QString b = Mp3(QStringLiteral("b.mp3"), Song(QStringLiteral("Two")));
    const QByteArray first = TestFiles::Read(a);
    frmMain window;
    window.show();
    window.GetFileInfo({QString(), a, b});
    QVERIFY(WaitUntilIdle(window));
    SetFreeSpaceQuery([&a](const QString &path) -> qint64 {
        if (path == a)
            throw std::bad_alloc();
        return qint64(1) << 40;
    });
    messages_.clear();
    Select(window, {1, 2});
    Answer([](frmPicMod &editor) {
        editor.cboTagData[frmPicMod::Title]->setEditText(QStringLiteral("Changed"));
        return true;
    });
    ChangeSelected(window);
    QCOMPARE(messages_, QStringList(outOfMemory));
    QVERIFY(log.Has("UpdateCurrentPix", "Out of memory"));
    // The row is not left looking as if it were still being written.
    QCOMPARE(Probe(window).lvwMain()->Row(1).Icon, 4);
    QCOMPARE(Probe(window).lvwMain()->Row(1).Status, QStringLiteral("Unchanged"));
    QCOMPARE(TestFiles::Read(a), first);
    QCOMPARE(Probe(window).lvwMain()->Row(2).Status, QStringLiteral("Tag Changed"));
    TagLib::MPEG::File written(QFile::encodeName(b).constData());
    QCOMPARE(written.ID3v2Tag()->title(), TagLib::String("Changed"));
    QVERIFY(!Probe(window).OperationRunning && Probe(window).cmdConvert->isEnabled());
}

// Track numbers with totals in MP3, FLAC, Ogg and M4A files: shown as
// "N/M" alike, "N" typed keeps each file's total, "N/M" typed writes both
// in each format's way, as mutagen reads them; text that an M4A file cannot
// store is refused before anything is written, naming that file.
void TestPicEditor::trackNumbersAlikeInEveryFormat()
{
    using namespace AudioFixture;
    Tones tones;
    if (!MakeTones(dir_->path(), &tones))
        QSKIP("ffmpeg is not installed");
    Recipe mp3 = Song(QStringLiteral("Bass"));
    mp3.track = QStringLiteral("1/12");
    const FlacParts flac = SplitFlac(tones.flac);
    OggParts ogg = SplitOgg(tones.vorbis);
    ogg.headers[1] = VorbisComments({"TRACKNUMBER=1", "TOTALTRACKS=12"});
    const QStringList paths{Mp3(QStringLiteral("bass.mp3"), mp3), Path(QStringLiteral("cello.flac")),
                            Path(QStringLiteral("viola.ogg")), Path(QStringLiteral("alto.m4a"))};
    QVERIFY(TestFiles::Write(paths[1], Flac({{0, flac.streamInfo}, {4, CommentList({"TRACKNUMBER=1", "TRACKTOTAL=12"})}}, flac.audio)));
    QVERIFY(TestFiles::Write(paths[2], Ogg(ogg.headers, ogg)));
    QVERIFY(TestFiles::Write(paths[3], Mp4(tones.m4a, Udta(Mp4Item("trkn", QByteArray("\0\0\0\1\0\x0c\0\0", 8), 0)))));
    const auto contents = [&paths] {
        QByteArray all;
        for (const QString &path : paths)
            all += TestFiles::Read(path);
        return all;
    };
    const QByteArray before = contents();
    frmMain window;
    window.show();
    window.GetFileInfo(QStringList{QString()} + paths);
    QVERIFY(WaitUntilIdle(window));
    for (int row = 1; row <= 4; ++row)
        QCOMPARE(Probe(window).lvwMain()->Row(row).Tags.Track, QStringLiteral("1/12"));

    QStringList refused;
    bool keptUnwritten = false;
    Select(window, {1, 2, 3, 4});
    Answer([&](frmPicMod &dialog) {
        // What is typed before the dialog is first active counts for nothing.
        dialog.activateWindow();
        if (!QTest::qWaitFor([&dialog] { return dialog.Activated(); }))
            return false;
        QLineEdit *track = dialog.cboTagData[frmPicMod::Track]->lineEdit();
        track->selectAll();
        QTest::keyClicks(track, QStringLiteral("A-side"));
        QTest::mouseClick(dialog.cmdSave, Qt::LeftButton);
        refused = messages_;
        keptUnwritten = dialog.isVisible() && contents() == before;
        track->selectAll();
        QTest::keyClicks(track, QStringLiteral("7"));
        return true;
    });
    ChangeSelected(window);
    QCOMPARE(refused.size(), 1);
    QVERIFY2(refused.first().startsWith(QStringLiteral("The track \"A-side\" is not a number")), qPrintable(refused.first()));
    QVERIFY2(refused.first().endsWith(QStringLiteral("\n\nalto.m4a")), qPrintable(refused.first()));
    QVERIFY(keptUnwritten);
    for (int row = 1; row <= 4; ++row)
        QCOMPARE(Probe(window).lvwMain()->Row(row).Tags.Track, QStringLiteral("7/12"));
    QProcess mutagen;
    mutagen.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), QStringLiteral(R"(
import sys, mutagen
for tags in (mutagen.File(name).tags for name in sys.argv[1:]):
    print(tags['TRCK'] if 'TRCK' in tags else tags['trkn'][0] if 'trkn' in tags else '|'.join('='.join(t) for t in tags))
)")} + paths);
    QVERIFY(mutagen.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(mutagen.readAllStandardOutput()),
             QStringLiteral("7/12\nTRACKNUMBER=7|TRACKTOTAL=12\nTRACKNUMBER=7|TOTALTRACKS=12\n(7, 12)\n"));
}

QTEST_MAIN(TestPicEditor)
#include "tst_piceditor.moc"
