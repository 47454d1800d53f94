// SPDX-License-Identifier: MIT
#include "window/singleinstance.h"

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

private:
    QProcessEnvironment Environment() const;
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestSingleInstance::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("run")));
    QVERIFY(QFile::setPermissions(dir_->path() + QStringLiteral("/run"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
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

    QProcess second;
    second.setProcessEnvironment(Environment());
    second.start(QStringLiteral(BRISKO_EXECUTABLE), {QStringLiteral("/300/90")});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(!second.readAllStandardOutput().contains("panel 1")); // no window of its own
    QTRY_VERIFY_WITH_TIMEOUT((output += QString::fromUtf8(first.readAllStandardOutput()))
                                 .contains(QLatin1String("brought to front: /300/90")),
                             10000);

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
    later.start(QStringLiteral(BRISKO_EXECUTABLE), {QStringLiteral("x"), QStringLiteral("/400")});
    QVERIFY(received.wait(20000));
    QCOMPARE(received.first().first().toString(), QStringLiteral("x /400"));
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

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
