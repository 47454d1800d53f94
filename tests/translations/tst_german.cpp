// SPDX-License-Identifier: MIT
#include "base/translation.h"
#include "engine/tags/tagformats.h"
#include "support/messageboxes.h"
#include "support/mp3fixture.h"
#include "support/testpictures.h"
#include "support/windowidle.h"
#include "window/dialogs/frmpicmod.h"
#include "window/widgets/clsopensave.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>

#include <unistd.h>

using namespace Mp3Fixture;

// Brisko in German: CTest runs this test with LANGUAGE=de, so the program's
// catalogue is loaded as at a German desktop.
class TestGerman : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void catalogueCoversTheSources();
    void shownTexts_data();
    void shownTexts();
    void windowAndStatuses();
    void statusesSortAsShown();
    void pictureAndTagDialog();
    void folderPromptInTheDialog();
    void batchSpeaksGermanJsonStaysEnglish();

private:
    struct Message
    {
        QString context, source, translation, type;
    };
    static QList<Message> ReadCatalogue(const QString &path);
    std::unique_ptr<frmMain> OpenWindow(const QList<Recipe> &files);
    static QString Mutagen(const QString &path);

    QTemporaryDir config_;
    QTemporaryDir dir_;
    QStringList messages_;
};

void TestGerman::initTestCase()
{
    QVERIFY(LoadTranslations());
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    QVERIFY(QDir().mkpath(config_.path() + QStringLiteral("/Brisko")));
    QFile ini(config_.path() + QStringLiteral("/Brisko/Brisko.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Config]\nShowTip=False\n");
    CollectMessageBoxes(&messages_);
}

// The text of an element; a <byte value="xd"/> inside stands for a CR.
static QString ElementText(QXmlStreamReader &xml)
{
    QString text;
    while (xml.readNext() != QXmlStreamReader::EndElement || xml.name() == QLatin1String("byte")) {
        if (xml.isCharacters())
            text += xml.text();
        else if (xml.isStartElement() && xml.name() == QLatin1String("byte"))
            text += QChar(xml.attributes().value(QLatin1String("value")).mid(1).toInt(nullptr, 16));
    }
    return text;
}

QList<TestGerman::Message> TestGerman::ReadCatalogue(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    QXmlStreamReader xml(&file);
    QList<Message> messages;
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("message"))
            messages.append({context, {}, {}, {}});
        else if (xml.name() == QLatin1String("source"))
            messages.last().source = ElementText(xml);
        else if (xml.name() == QLatin1String("translation")) {
            messages.last().type = xml.attributes().value(QLatin1String("type")).toString();
            messages.last().translation = ElementText(xml);
        }
    }
    if (xml.hasError())
        qFatal("%s: %s", qPrintable(path), qPrintable(xml.errorString()));
    return messages;
}

// lupdate run over the sources again finds exactly the texts the catalogue
// has, and each is translated with its placeholders, mnemonic and line
// breaks.
void TestGerman::catalogueCoversTheSources()
{
    const QList<Message> shipped = ReadCatalogue(QStringLiteral(BRISKO_CATALOGUE));
    QVERIFY(shipped.size() > 200);
    const QString copy = dir_.filePath(QStringLiteral("brisko_de.ts"));
    QVERIFY(QFile::copy(QStringLiteral(BRISKO_CATALOGUE), copy));
    QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner));
    QProcess lupdate;
    lupdate.start(QStringLiteral(BRISKO_LUPDATE),
                  QString::fromUtf8(BRISKO_LUPDATE_OPTIONS).split(u'|')
                      << QStringLiteral("@" BRISKO_LUPDATE_SOURCES) << QStringLiteral("-ts") << copy);
    QVERIFY(lupdate.waitForFinished(120000));
    QVERIFY2(lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());
    const QList<Message> found = ReadCatalogue(copy);
    QCOMPARE(found.size(), shipped.size());

    const QRegularExpression placeholder(QStringLiteral("%[1-9]"));
    const QRegularExpression mnemonic(QStringLiteral("&[^ &]"));
    const auto all = [](const QRegularExpression &pattern, const QString &text) {
        QStringList matches;
        for (auto it = pattern.globalMatch(text); it.hasNext();)
            matches << it.next().captured();
        matches.sort();
        return matches;
    };
    for (qsizetype i = 0; i < shipped.size(); ++i) {
        const Message &m = shipped.at(i);
        const QByteArray where = (m.context + QStringLiteral(": ") + m.source).toUtf8();
        const char *what = where.constData();
        QCOMPARE(found.at(i).context + found.at(i).source, m.context + m.source);
        QVERIFY2(m.type.isEmpty() && found.at(i).type.isEmpty() && !m.translation.isEmpty(), what);
        QVERIFY2(all(placeholder, m.translation) == all(placeholder, m.source), what);
        QVERIFY2(all(mnemonic, m.translation).size() == all(mnemonic, m.source).size(), what);
        QVERIFY2(m.translation.count(u'\r') == m.source.count(u'\r'), what);
    }
}

void TestGerman::shownTexts_data()
{
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("shown");
    const QString readOnly = EnglishText("Engine", "the file is read-only");
    QTest::newRow("fixed") << readOnly << QStringLiteral("die Datei ist schreibgeschützt");
    QTest::newRow("status") << EnglishText("Status", "Pic | Tag Changed") << QStringLiteral("Bild | Tag geändert");
    // The values go in as they are, or shown themselves; a "%2" in a name stays.
    QTest::newRow("filled in") << EnglishText("Engine", "Cannot read %1: %2").arg(QStringLiteral("/m/a%2.mp3"), readOnly)
                               << QStringLiteral("/m/a%2.mp3 kann nicht gelesen werden: die Datei ist schreibgeschützt");
    QTest::newRow("two numbers") << EnglishText("Engine", "Picture too large: %1 x %2 is beyond the limits").arg(9000).arg(70)
                                 << QStringLiteral("Bild zu groß: 9000 x 70 liegt über den Grenzen");
    QTest::newRow("names of formats") << NotMusicFailure().reason
                                      << QStringLiteral("keine Musikdatei, die Brisko liest (MP3, FLAC, Ogg Vorbis, Opus oder M4A)");
    QTest::newRow("a C text") << QStringLiteral("Damaged picture: its header changed")
                              << QStringLiteral("Beschädigtes Bild: sein Kopf hat sich geändert");
    QTest::newRow("not ours") << QStringLiteral("Premature end of JPEG file")
                              << QStringLiteral("Premature end of JPEG file");
}

void TestGerman::shownTexts()
{
    QFETCH(QString, english);
    QFETCH(QString, shown);
    QCOMPARE(ShownText(english), shown);
}

std::unique_ptr<frmMain> TestGerman::OpenWindow(const QList<Recipe> &files)
{
    QStringList paths;
    for (const Recipe &recipe : files)
        paths << Write(dir_.filePath(recipe.title + QStringLiteral(".mp3")), recipe);
    clsOpenSave::SetFileDialogRunner([paths](const clsOpenSave::Request &) {
        return clsOpenSave::Answer{true, paths, 0};
    });
    auto window = std::make_unique<frmMain>();
    QSignalSpy activated(window.get(), &frmMain::FirstActivated);
    window->show();
    if (!QTest::qWaitForWindowActive(window.get()) || (activated.isEmpty() && !activated.wait()))
        qFatal("the window did not come up");
    if (!files.isEmpty()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::ControlModifier);
        if (!QTest::qWaitFor([&] { return Probe(*window).lvwMain()->RowCount() == files.size(); }))
            qFatal("the files were not added");
        WaitUntilIdle(*window);
    }
    clsOpenSave::SetFileDialogRunner(nullptr);
    return window;
}

static Recipe Song(const QString &title, int pictureSide)
{
    Recipe recipe;
    recipe.title = title;
    recipe.album = QStringLiteral("Platte");
    if (pictureSide > 0)
        recipe.pictures << Picture{TestPictures::Jpeg(TestPictures::Solid(pictureSide, pictureSide, Qt::darkCyan)),
                                   QStringLiteral("image/jpeg"), 3, QString()};
    return recipe;
}

// Buttons, menus, headings and statuses in German, before and after a real
// conversion; the rows keep their statuses in English.
void TestGerman::windowAndStatuses()
{
    const auto window = OpenWindow({Song(QStringLiteral("Eins"), 600), Song(QStringLiteral("Zwei"), 0)});
    const frmMainProbe probe = Probe(*window);
    TrackList *list = probe.lvwMain();
    QCOMPARE(probe.cmdFiles->text(), QStringLiteral("Dateien hinzufügen"));
    QCOMPARE(probe.cmdFolder->text(), QStringLiteral("Ordner hinzufügen"));
    QCOMPARE(probe.cmdConvert->text(), QStringLiteral("Alle skalieren"));
    for (const QPushButton *button : {probe.cmdFiles, probe.cmdFolder, probe.cmdConvert, probe.cmdCancel})
        QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->text()));
    QStringList menus;
    for (const QAction *menu : window->menuBar()->actions())
        menus << menu->text();
    QCOMPARE(menus, (QStringList{QStringLiteral("&Datei"), QStringLiteral("&Optionen"), QStringLiteral("&Hilfe")}));
    QCOMPARE(probe.mnuSkip->text(), QStringLiteral("Ü&berspringen, wenn Original kleiner als Zielgröße"));
    // In each menu every entry has a letter of its own.
    for (const QMenu *menu : window->findChildren<QMenu *>()) {
        QSet<QChar> letters;
        int entries = 0;
        for (const QAction *action : menu->actions()) {
            const qsizetype at = action->text().indexOf(u'&');
            if (!action->isSeparator() && ++entries && at >= 0)
                letters << action->text().at(at + 1).toLower();
        }
        QVERIFY2(letters.size() == entries, qPrintable(menu->objectName()));
    }
    QCOMPARE(list->headerItem()->text(ColFileName), QStringLiteral("Dateiname"));
    QCOMPARE(probe.Statusbar->PanelText(1), QStringLiteral("Dateien : 2"));
    QCOMPARE(probe.Statusbar->PanelText(2), QStringLiteral("Skalierung  Größe:250  Qualität:80"));
    QCOMPARE(list->topLevelItem(1)->text(ColStatus), QStringLiteral("Kein Bild"));
    QCOMPARE(list->Field(2, ColStatus), QStringLiteral("No Picture"));

    // "Add Files" offers every music file first, then each format's.
    clsOpenSave::Request asked;
    clsOpenSave::SetFileDialogRunner([&asked](const clsOpenSave::Request &request) {
        asked = request;
        return clsOpenSave::Answer{false, {}, 0};
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::ControlModifier);
    clsOpenSave::SetFileDialogRunner(nullptr);
    QCOMPARE(asked.title, QStringLiteral("Musikdatei(en) zum Skalieren der Cover"));
    QCOMPARE(asked.nameFilters.mid(0, 2),
             (QStringList{QStringLiteral("Musikdateien (*.mp3 *.flac *.ogg *.oga *.opus *.m4a *.m4b *.mp4)"),
                          QStringLiteral("MP3-Dateien (*.mp3)")}));

    QTest::mouseClick(probe.cmdConvert, Qt::LeftButton);
    QVERIFY(WaitUntilIdle(*window));
    QCOMPARE(list->topLevelItem(0)->text(ColStatus), QStringLiteral("Skaliert"));
    QCOMPARE(list->Row(1).Status, QStringLiteral("Resized"));
    QVERIFY(IsFinalStatus(list->Field(1, ColStatus)));
    QCOMPARE(probe.lblSize->text(), QStringLiteral("Bildgröße: 250 x 250"));
}

// A click on the Status heading sorts by the words shown, which differ in
// order from the English ones; what is final stays so.
void TestGerman::statusesSortAsShown()
{
    const auto window = OpenWindow({});
    TrackList *list = Probe(*window).lvwMain();
    for (const RowStatus status : {RowStatus::Unchanged, RowStatus::LowDriveSpace, RowStatus::FileMissing}) {
        TrackRow row;
        row.Path = dir_.filePath(StatusText(status));
        row.Status = StatusText(status);
        list->AddRow(row);
    }
    QHeaderView *header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(ColStatus) + 5, header->height() / 2));
    QStringList shown, kept;
    for (int row = 1; row <= list->RowCount(); ++row) {
        shown << list->topLevelItem(row - 1)->text(ColStatus);
        kept << list->Field(row, ColStatus);
    }
    QCOMPARE(shown, (QStringList{QStringLiteral("Datei fehlt"), QStringLiteral("Unverändert"),
                                 QStringLiteral("Wenig Speicherplatz")}));
    QCOMPARE(kept, (QStringList{QStringLiteral("File Missing"), QStringLiteral("Unchanged"),
                                QStringLiteral("Low Drive Space")}));
    QVERIFY(IsFinalStatus(kept.first()));
    QVERIFY(!IsFinalStatus(kept.at(1)) && !IsFinalStatus(kept.at(2)));
}

// The title and album of a file as an independent reader finds them.
QString TestGerman::Mutagen(const QString &path)
{
    // Debian's own Python, where its python3-mutagen package is.
    QString python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
    if (python.isEmpty())
        python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    QProcess reader;
    reader.start(python,
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys\nfrom mutagen.id3 import ID3\nt = ID3(sys.argv[1])\n"
                                 "print(t['TIT2'].text[0] + '/' + t['TALB'].text[0])\n"),
                  path});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0)
        return QStringLiteral("(mutagen failed: %1)").arg(QString::fromUtf8(reader.readAllStandardError()));
    return QString::fromUtf8(reader.readAllStandardOutput()).trimmed();
}

// Opened from the row menu by its German letter: the dialog's captions and
// markers are German, and "<Beibehalten>" keeps each file's own title.
void TestGerman::pictureAndTagDialog()
{
    const auto window = OpenWindow({Song(QStringLiteral("Drei"), 200), Song(QStringLiteral("Vier"), 200)});
    TrackList *list = Probe(*window).lvwMain();
    QMenu *rowMenu = Probe(*window).mnuPopList;
    QStringList seen;
    auto *poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [&seen, poll] {
        auto *dialog = qobject_cast<frmPicMod *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        // Edits count once the dialog has been active.
        dialog->activateWindow();
        if (!QTest::qWaitFor([dialog] { return dialog->Activated(); })) {
            dialog->reject();
            return;
        }
        seen << dialog->windowTitle() << dialog->lblTags[frmPicMod::Title]->text()
             << dialog->cboTagData[frmPicMod::Title]->currentText() << dialog->cboTagData[frmPicMod::Album]->itemText(0)
             << dialog->cmdSave->text() << dialog->cmdCancel->text();
        QLineEdit *album = dialog->cboTagData[frmPicMod::Album]->lineEdit();
        album->selectAll();
        QTest::keyClicks(album, QStringLiteral("Neues Album"));
        QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
        if (dialog->isVisible())
            dialog->reject(); // Save was not taken: the test fails, it does not hang
    });
    poll->start(5);

    list->setFocus();
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Menu);
    QTRY_VERIFY(rowMenu->isVisible());
    QCOMPARE(Probe(*window).mnuReplace->text(), QStringLiteral("Bild | Tag ä&ndern"));
    QTest::keyClick(rowMenu, Qt::Key_N);
    QTRY_VERIFY(!seen.isEmpty());
    QVERIFY(WaitUntilIdle(*window));
    QCOMPARE(seen, (QStringList{QStringLiteral("Bild | Tag ändern"), QStringLiteral("Titel"),
                                QStringLiteral("<Beibehalten>"), QStringLiteral("<Leer>"), QStringLiteral("Speichern"),
                                QStringLiteral("Abbrechen")}));
    QCOMPARE(list->topLevelItem(0)->text(ColStatus), QStringLiteral("Tag geändert"));
    QCOMPARE(list->Field(1, ColStatus), QStringLiteral("Tag Changed"));
    QCOMPARE(Mutagen(list->PathAt(1)), QStringLiteral("Drei/Neues Album"));
    QCOMPARE(Mutagen(list->PathAt(2)), QStringLiteral("Vier/Neues Album"));

    // Qt's own catalogue names the standard buttons.
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm")))
        QSKIP("Qt's German catalogue is not installed (qt6-translations-l10n)");
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
}

// The same files, in German and in English: the people's words differ, the
// JSON and the exit code do not.
void TestGerman::batchSpeaksGermanJsonStaysEnglish()
{
    const QString music = dir_.filePath(QStringLiteral("batch"));
    const QString outside = dir_.filePath(QStringLiteral("art-link.mp3"));
    const auto run = [&](const QString &language) {
        QDir(music).removeRecursively();
        QFile::remove(outside);
        QDir().mkpath(music);
        const QString art = Write(music + QStringLiteral("/art.mp3"), Song(QStringLiteral("Art"), 600));
        ::link(QFile::encodeName(art).constData(), QFile::encodeName(outside).constData());
        Write(music + QStringLiteral("/bare.mp3"), Song(QStringLiteral("Bare"), 0));
        QFile text(music + QStringLiteral("/text.mp3"));
        if (text.open(QIODevice::WriteOnly))
            text.write("just words");
        text.close();
        QProcess batch;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LANGUAGE"), language);
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        environment.remove(QStringLiteral("LC_ALL"));
        batch.setProcessEnvironment(environment);
        batch.setWorkingDirectory(music);
        batch.start(QStringLiteral(BRISKO_BATCH), {QStringLiteral("--json"), QStringLiteral("--jobs=1"), QStringLiteral(".")});
        batch.waitForFinished(60000);
        return std::tuple{batch.exitCode(), batch.readAllStandardOutput(), QString::fromUtf8(batch.readAllStandardError())};
    };
    const auto [germanCode, germanJson, german] = run(QStringLiteral("de"));
    const auto [englishCode, englishJson, english] = run(QStringLiteral("en"));
    QCOMPARE(germanCode, 1);
    QCOMPARE(germanCode, englishCode);
    QCOMPARE(germanJson, englishJson);
    for (const char *field : {"\"status\":\"Resize Failed\"", "\"error\":\"not a music file that Brisko reads (MP3, FLAC, Ogg Vorbis, Opus or M4A)\"",
                              "\"note\":\"1 other name outside this run keeps the old picture\""})
        QVERIFY2(englishJson.contains(field), englishJson.constData());
    for (const char *line : {"^\\./text\\.mp3: Skalieren fehlgeschlagen – keine Musikdatei, die Brisko liest "
                             "\\(MP3, FLAC, Ogg Vorbis, Opus oder M4A\\)$",
                             "^\\./art\\.mp3: Skaliert – 1 weiterer Name außerhalb dieses Laufs behält das alte Bild$",
                             "^Status +Dateien$", "^Kein Bild +1$", "^Gesamt +3$", "^Gesparte Bytes: "}) {
        const QRegularExpression pattern(QString::fromUtf8(line), QRegularExpression::MultilineOption);
        QVERIFY2(pattern.match(german).hasMatch(), qPrintable(QString::fromUtf8(line) + QStringLiteral(" not in:\n") + german));
    }
    QVERIFY2(english.contains(QStringLiteral("./text.mp3: Resize Failed - not a music file that Brisko reads "
                                                    "(MP3, FLAC, Ogg Vorbis, Opus or M4A)")), qPrintable(english));
}

// "Add Folder": the German prompt, longer than a title bar shows, stands
// whole in the dialog above the folders.
void TestGerman::folderPromptInTheDialog()
{
    const auto window = OpenWindow({});
    QString title;
    bool whole = false;
    auto *poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [&, poll] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->findChild<QFileDialog *>())
            return;
        poll->stop();
        title = dialog->windowTitle();
        const bool exposed = QTest::qWaitForWindowExposed(dialog);
        for (const QLabel *label : dialog->findChildren<QLabel *>()) {
            whole = whole
                    || (exposed && label->text().startsWith(QStringLiteral("Wählen Sie einen Ordner")) && label->isVisible()
                        && label->height() >= label->heightForWidth(label->width()) && label->width() <= dialog->width());
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    poll->start(5);
    QTest::mouseClick(Probe(*window).cmdFolder, Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Ordner suchen"));
    QVERIFY(whole);
    QCOMPARE(Probe(*window).lvwMain()->RowCount(), 0);
}

QTEST_MAIN(TestGerman)
#include "tst_german.moc"
