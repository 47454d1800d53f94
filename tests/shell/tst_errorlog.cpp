// SPDX-License-Identifier: MIT
#include "base/errorlog.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/unexpectederror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestErrorLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void firstEntryCreatesTheFile();
    void entriesFollowEachOther();
    void sizeLimit_data();
    void sizeLimit();
    void messageWithLineBreaksIsKept();
    void unwritablePlaceIsSilent();
    void logLivesBesideTheProgram();
    void unexpectedErrorIsKeptShownAndLogged();

private:
    static QByteArray Read(const QString &path);

    QTemporaryDir data_; // the user's data folder
};

void TestErrorLog::initTestCase()
{
    qputenv("XDG_DATA_HOME", data_.path().toUtf8());
}

QByteArray TestErrorLog::Read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestErrorLog::firstEntryCreatesTheFile()
{
    QTemporaryDir dir;
    const QString log = dir.filePath(ErrorLogFileName);
    AppendErrorEntry(log, QStringLiteral("ConvPix"), QStringLiteral("Disk full"));

    const QByteArray bytes = Read(log);
    QVERIFY(bytes.endsWith("\r\nConvPix\tDisk full\r\n\r\n"));
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines.size(), 4); // three lines, each ended by CR LF
    QVERIFY(lines.at(0).endsWith('\r'));
    QVERIFY(lines.at(0).size() > 6); // a date, a blank and a time
    QVERIFY(lines.at(0).contains(' '));
    QVERIFY(!bytes.contains("\n\n")); // never a bare line feed
}

void TestErrorLog::entriesFollowEachOther()
{
    QTemporaryDir dir;
    const QString log = dir.filePath(ErrorLogFileName);
    AppendErrorEntry(log, QStringLiteral("GetTags"), QStringLiteral("first"));
    AppendErrorEntry(log, QStringLiteral("ShowPicOnDemand"), QStringLiteral("second"));

    const QByteArray bytes = Read(log);
    const int first = bytes.indexOf("GetTags\tfirst\r\n\r\n");
    const int second = bytes.indexOf("ShowPicOnDemand\tsecond\r\n\r\n");
    QVERIFY(first > 0);
    QVERIFY(second > first);
    QVERIFY(bytes.endsWith("second\r\n\r\n"));
    QCOMPARE(bytes.split('\n').size(), 7);
}

void TestErrorLog::sizeLimit_data()
{
    QTest::addColumn<int>("existingSize");
    QTest::addColumn<bool>("kept");

    QTest::newRow("exactly the limit is kept") << 20480 << true;
    QTest::newRow("one byte over is started afresh") << 20481 << false;
    QTest::newRow("far over is started afresh") << 100000 << false;
}

void TestErrorLog::sizeLimit()
{
    QFETCH(int, existingSize);
    QFETCH(bool, kept);

    QTemporaryDir dir;
    const QString log = dir.filePath(ErrorLogFileName);
    {
        QFile file(log);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(existingSize, 'x'));
    }
    AppendErrorEntry(log, QStringLiteral("CopyFolders"), QStringLiteral("new"));

    const QByteArray bytes = Read(log);
    QVERIFY(bytes.endsWith("CopyFolders\tnew\r\n\r\n"));
    QCOMPARE(bytes.startsWith('x'), kept);
    if (kept)
        QVERIFY(bytes.size() > existingSize);
    else
        QVERIFY(bytes.size() < 200);
}

void TestErrorLog::messageWithLineBreaksIsKept()
{
    QTemporaryDir dir;
    const QString log = dir.filePath(ErrorLogFileName);
    AppendErrorEntry(log, QStringLiteral("GetFileInfo"), QStringLiteral("line one\r\nline two é"));
    QVERIFY(Read(log).endsWith(QStringLiteral("GetFileInfo\tline one\r\nline two é\r\n\r\n").toUtf8()));
}

void TestErrorLog::unwritablePlaceIsSilent()
{
    QTemporaryDir dir;
    // A folder that cannot exist: its parent is a file. Holds even for root.
    const QString blocker = dir.filePath(QStringLiteral("file"));
    {
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString log = blocker + QStringLiteral("/") + ErrorLogFileName;
    AppendErrorEntry(log, QStringLiteral("ReplacePicture"), QStringLiteral("lost"));
    QVERIFY(!QFile::exists(log));
    QCOMPARE(Read(blocker), QByteArray());
}

void TestErrorLog::logLivesBesideTheProgram()
{
    // The test program's own folder, the build's bin folder, may be read-only.
    const QString userLog = data_.path() + QStringLiteral("/Brisko/") + ErrorLogFileName;
    const QString own = QCoreApplication::applicationDirPath();
    const QString expected = QFileInfo(own).isWritable() ? QDir(own).filePath(ErrorLogFileName) : userLog;
    QCOMPARE(ErrorLogPath(), expected);

    const bool existed = QFile::exists(expected);
    LogError(QStringLiteral("RemoveSelected"), QStringLiteral("from the test"));
    QVERIFY(Read(expected).endsWith("RemoveSelected\tfrom the test\r\n\r\n"));
    if (!existed)
        QFile::remove(expected);

    // An installed copy logs in the user's data folder even where its own
    // folder may be written (root and /usr/bin); a build beside itself.
    QTemporaryDir prefix;
    QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    QCOMPARE(ErrorLogPathFor(bin), userLog);
    QFile cache(prefix.filePath(QStringLiteral("CMakeCache.txt")));
    QVERIFY(cache.open(QIODevice::WriteOnly));
    cache.close();
    QCOMPARE(ErrorLogPathFor(bin), QDir(bin).filePath(ErrorLogFileName));
    QVERIFY(QFileInfo(data_.path() + QStringLiteral("/Brisko")).isDir());
    QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));
    if (!QFileInfo(bin).isWritable()) // as for any user but root
        QCOMPARE(ErrorLogPathFor(bin), userLog);
}

// The handler of an error nothing else expects keeps its message, shows it
// with an exclamation mark and the program's title, and logs it.
void TestErrorLog::unexpectedErrorIsKeptShownAndLogged()
{
    const QString log = ErrorLogPath();
    const bool existed = QFile::exists(log);
    LastErrorMessage.clear();
    QStringList shown;
    SetMsgBoxHandler([&shown](const QString &prompt, int style, const QString &title) {
        shown << prompt << QString::number(style) << title;
        return Msg::OK;
    });
    ReportUnexpected(QStringLiteral("UpdateCurrentPix"), QStringLiteral("Disk on fire"), nullptr);
    SetMsgBoxHandler(nullptr);

    QCOMPARE(LastErrorMessage, QStringLiteral("Disk on fire"));
    QCOMPARE(shown, QStringList({QStringLiteral("Unexpected Error: Disk on fire"),
                                 QString::number(Msg::Exclamation), QStringLiteral("Brisko")}));
    QVERIFY(Read(log).endsWith("UpdateCurrentPix\tDisk on fire\r\n\r\n"));
    if (!existed)
        QFile::remove(log);
}

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"
