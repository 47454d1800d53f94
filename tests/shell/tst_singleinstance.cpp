// SPDX-License-Identifier: MIT
#include "support/messageboxes.h"
#include "support/mp3fixture.h"
#include "window/frmmain.h"
#include "window/singleinstance.h"
#include "window/widgets/globals.h"
#include "window/widgets/statuspanels.h"
#include "window/widgets/tracklist.h"

#include <QtTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// One Brisko per user, with real processes: the program itself, started
// offscreen in a private runtime and configuration folder.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void secondStartHandsOverAndEnds();
    void crashedInstanceIsTakenOver();
    void folderOpenToOthersIsRefused();
    void answersWithoutADisplay_data();
    void answersWithoutADisplay();
    void handedOverPathsAreAdded();

private:
    QProcessEnvironment Environment() const;
    QString Song(const QString &relative) const;
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestSingleInstance::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("run")));
    QVERIFY(QFile::setPermissions(dir_->path() + QStringLiteral("/run"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QString TestSingleInstance::Song(const QString &relative) const
{
    Mp3Fixture::Recipe recipe;
    recipe.title = QFileInfo(relative).completeBaseName();
    const QString path = dir_->path() + u'/' + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return Mp3Fixture::Write(path, recipe);
}

QProcessEnvironment TestSingleInstance::Environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_->path() + QStringLiteral("/run"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_->path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("BRISKO_SMOKE_TEST"), QStringLiteral("1"));
    return env;
}

void TestSingleInstance::secondStartHandsOverAndEnds()
{
    QProcess first;
    first.setProcessEnvironment(Environment());
    first.start(QStringLiteral(BRISKO_EXECUTABLE), {});
    QVERIFY(first.waitForStarted());
    QString output;
    QTRY_VERIFY_WITH_TIMEOUT((output += QString::fromUtf8(first.readAllStandardOutput()))
                                 .contains(QLatin1String("panel 2:")),
                             20000);
    QVERIFY2(output.contains(QLatin1String("panel 1: Add Files\n")), qPrintable(output));
    QVERIFY(output.contains(QLatin1String("panel 2: Resize Settings  Size:250  Quality:80\n")));

    // A file named relative to the second start's own folder arrives whole.
    const QString song = Song(QStringLiteral("music/song.mp3"));
    QProcess second;
    second.setProcessEnvironment(Environment());
    second.setWorkingDirectory(dir_->path() + QStringLiteral("/music"));
    second.start(QStringLiteral(BRISKO_EXECUTABLE), {QStringLiteral("/300/90"), QStringLiteral("song.mp3")});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(!second.readAllStandardOutput().contains("panel 1")); // no window of its own
    QTRY_VERIFY_WITH_TIMEOUT((output += QString::fromUtf8(first.readAllStandardOutput()))
                                 .contains(QLatin1String("handed over: ") + song + u'\n'),
                             10000);
    QVERIFY2(output.contains(QLatin1String("brought to front: /300/90\n")), qPrintable(output));

    // A polite end closes the window the way logging off does.
    first.terminate();
    QVERIFY(first.waitForFinished(20000));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(QFile::exists(dir_->path() + QStringLiteral("/config/Brisko/Brisko.ini")));
}

void TestSingleInstance::crashedInstanceIsTakenOver()
{
    const QString folder = dir_->path() + QStringLiteral("/run/brisko");
    // A process that takes the lock and the socket, then dies without
    // letting go of either.
    const pid_t child = fork();
    if (child == 0) {
        SingleInstance crashed(folder);
        _exit(crashed.Start() == SingleInstance::Role::Primary ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QCOMPARE(WEXITSTATUS(status), 0);
    QVERIFY(QFile::exists(folder + QStringLiteral("/brisko.lock")));
    QVERIFY(QFile::exists(folder + QStringLiteral("/command")));

    SingleInstance instance(folder);
    QCOMPARE(instance.Start(), SingleInstance::Role::Primary);
    QSignalSpy received(&instance, &SingleInstance::CommandReceived);

    // A later start, in its own process, finds it and hands over.
    QProcess later;
    QProcessEnvironment env = Environment();
    later.setProcessEnvironment(env);
    later.start(QStringLiteral(BRISKO_EXECUTABLE), {QStringLiteral("/300"), QStringLiteral("/400")});
    QVERIFY(received.wait(20000));
    QCOMPARE(received.first().first().toString(), QStringLiteral("/300 /400"));
    QVERIFY(later.waitForFinished(20000));
    QCOMPARE(later.exitCode(), 0);

    SingleInstance another(folder);
    QCOMPARE(another.Start(), SingleInstance::Role::Secondary);
}

void TestSingleInstance::folderOpenToOthersIsRefused()
{
    // A folder someone else could have made for us is not trusted as is: a
    // link is refused, and open permissions are taken back.
    const QString target = dir_->path() + QStringLiteral("/elsewhere");
    QVERIFY(QDir().mkpath(target));
    QVERIFY(QFile::link(target, dir_->path() + QStringLiteral("/linked")));
    SingleInstance linked(dir_->path() + QStringLiteral("/linked"));
    QCOMPARE(linked.Start(), SingleInstance::Role::Unavailable);

    const QString open = dir_->path() + QStringLiteral("/open");
    QVERIFY(QDir().mkpath(open));
    ::chmod(QFile::encodeName(open).constData(), 0777);
    SingleInstance instance(open);
    QCOMPARE(instance.Start(), SingleInstance::Role::Primary);
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(open).constData(), &info), 0);
    QCOMPARE(int(info.st_mode & 0777), 0700);
}

void TestSingleInstance::answersWithoutADisplay_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("answer");
    QTest::newRow("--help") << QStringLiteral("--help") << QStringLiteral("Usage: brisko [/SIZE[/QUALITY]] [FILE | FOLDER]...\n");
    QTest::newRow("-h") << QStringLiteral("-h") << QStringLiteral("Usage: brisko");
    QTest::newRow("--version") << QStringLiteral("--version") << QStringLiteral("brisko " BRISKO_VERSION "\n");
}

// --help and --version answer on the terminal: no display, no window, and no
// hand-over to a running Brisko.
void TestSingleInstance::answersWithoutADisplay()
{
    QFETCH(QString, argument);
    QFETCH(QString, answer);
    QProcessEnvironment env = Environment();
    for (const char *display : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QLatin1String(display));
    QProcess brisko;
    brisko.setProcessEnvironment(env);
    brisko.start(QStringLiteral(BRISKO_EXECUTABLE), {QStringLiteral("/300"), argument});
    QVERIFY(brisko.waitForFinished(20000));
    QCOMPARE(brisko.exitStatus(), QProcess::NormalExit);
    QCOMPARE(brisko.exitCode(), 0);
    const QString output = QString::fromUtf8(brisko.readAllStandardOutput());
    QVERIFY2(output.startsWith(answer), qPrintable(output));
    QVERIFY(!output.contains(QLatin1String("panel 1")));
    QCOMPARE(brisko.readAllStandardError(), QByteArray());
    QVERIFY(!QFile::exists(dir_->path() + QStringLiteral("/run/brisko/brisko.lock")));
}

// A later start hands the files and folders it names, relative to its own
// folder, to the running window, which adds them; its switches change
// nothing there, and what names no MP3 file is left out with a word; what
// is not there at all the window names too.
void TestSingleInstance::handedOverPathsAreAdded()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_->path() + QStringLiteral("/config")));
    ShowTip = false;
    QStringList messages;
    CollectMessageBoxes(&messages);
    const QStringList expected{Song(QStringLiteral("music/Album/one.mp3")), Song(QStringLiteral("music/Album/two.mp3")),
                               Song(QStringLiteral("music/three.mp3"))};
    QVERIFY(QDir().mkpath(dir_->path() + QStringLiteral("/music/sub")));
    QFile notes(dir_->path() + QStringLiteral("/music/notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly));

    SingleInstance instance(dir_->path() + QStringLiteral("/run/brisko"));
    QCOMPARE(instance.Start(), SingleInstance::Role::Primary);
    frmMain window;
    connect(&instance, &SingleInstance::CommandReceived, &window, &frmMain::TakeHandOver);
    auto *list = window.findChild<TrackList *>(QStringLiteral("lvwMain"));
    // What the first start names waits for the window to be up.
    window.AddNamedPaths({expected.at(2)});
    QTest::qWait(300);
    QCOMPARE(list->RowCount(), 0);
    QSignalSpy activated(&window, &frmMain::FirstActivated);
    window.show();
    QVERIFY(activated.wait());
    QTRY_COMPARE(list->RowCount(), 1);
    window.showMinimized();

    QProcess later;
    later.setProcessEnvironment(Environment());
    later.setWorkingDirectory(dir_->path() + QStringLiteral("/music/sub"));
    later.start(QStringLiteral(BRISKO_EXECUTABLE), {QStringLiteral("../three.mp3"), QStringLiteral("/400/60"),
                                                    QStringLiteral(".."), QStringLiteral("../notes.txt"),
                                                    QStringLiteral("../gone")});
    QVERIFY(later.waitForFinished(20000));
    QCOMPARE(later.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(later.readAllStandardError()),
             QStringLiteral("brisko: not a music file or a folder, left out: ../notes.txt\n"
                            "brisko: no such file or folder, left out: ../gone\n"));

    QTRY_COMPARE_WITH_TIMEOUT(list->RowCount(), 3, 10000);
    QStringList listed;
    for (int row = 1; row <= list->RowCount(); ++row)
        listed << list->PathAt(row);
    listed.sort();
    QCOMPARE(listed, expected);
    QVERIFY(!(window.windowState() & Qt::WindowMinimized)); // brought to the front
    QCOMPARE(window.findChild<StatusPanels *>(QStringLiteral("Statusbar"))->PanelText(2),
             QStringLiteral("Resize Settings  Size:250  Quality:80"));
    QCOMPARE(messages, QStringList(QStringLiteral("no such file or folder, left out: ") + dir_->path()
                                   + QStringLiteral("/music/gone")));
    SetMsgBoxHandler(nullptr);
}

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
