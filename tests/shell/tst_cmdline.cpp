// SPDX-License-Identifier: MIT
#include "engine/convert/cmdline.h"
#include "engine/files/localpath.h"

#include <QtTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void switches_data();
    void switches();
    void storedValuesAreBounded_data();
    void storedValuesAreBounded();
    void panelTexts();
    void joinedArguments();
    void informationRequests_data();
    void informationRequests();
    void pathsBesideSwitches_data();
    void pathsBesideSwitches();
    void namesKeepTheirBytes();
};

void TestCommandLine::switches_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("quality");

    QTest::newRow("size and quality") << "/300/90" << 300 << 90;
    QTest::newRow("size only") << "/300" << 300 << 80;
    QTest::newRow("zeros") << "/0/0" << 250 << 50;
    QTest::newRow("below and above") << "/50/120" << 100 << 100;
    QTest::newRow("size too large") << "/5000" << 1000 << 80;
    QTest::newRow("size before the slash is ignored") << "300/90" << 100 << 80;
    QTest::newRow("further slashes stay in the quality") << "/300/90/70" << 300 << 90;
    QTest::newRow("blanks inside the digits") << "/3 0 0" << 300 << 80;
    QTest::newRow("half to even down") << "/300.5" << 300 << 80;
    QTest::newRow("half to even up") << "/301.5" << 302 << 80;
    QTest::newRow("letters for the size") << "/abc" << 250 << 80;
    QTest::newRow("letters for the quality") << "/300/abc" << 300 << 50;
    QTest::newRow("text before the switches") << "--verbose /400/60" << 400 << 60;
    QTest::newRow("empty switch") << "/" << 250 << 80;
    // Beyond 16 bits the number is held at the 16-bit limit, then bounded.
    QTest::newRow("huge size") << "/99999/99999" << 1000 << 100;
    QTest::newRow("huge negative size") << "/-99999/-99999" << 100 << 50;
    QTest::newRow("exponent beyond double") << "/1e999" << 1000 << 80;
    QTest::newRow("hexadecimal") << "/&H12C" << 300 << 80;
}

void TestCommandLine::switches()
{
    QFETCH(QString, commandLine);
    QFETCH(int, size);
    QFETCH(int, quality);
    const ResizeSwitches result = ReadResizeSwitches(commandLine, 777, 77);
    QCOMPARE(int(result.targetSize), size);
    QCOMPARE(int(result.quality), quality);
    QVERIFY(result.customValues);
}

void TestCommandLine::storedValuesAreBounded_data()
{
    QTest::addColumn<int>("storedSize");
    QTest::addColumn<int>("storedQuality");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("quality");

    QTest::newRow("defaults") << 250 << 80 << 250 << 80;
    QTest::newRow("zero size means 250, zero quality is bounded") << 0 << 0 << 250 << 50;
    QTest::newRow("out of range") << 5 << 500 << 100 << 100;
    QTest::newRow("negative") << -300 << -1 << 100 << 50;
}

void TestCommandLine::storedValuesAreBounded()
{
    QFETCH(int, storedSize);
    QFETCH(int, storedQuality);
    QFETCH(int, size);
    QFETCH(int, quality);
    const ResizeSwitches result =
        ReadResizeSwitches(QStringLiteral("no switches here"), qint16(storedSize), qint16(storedQuality));
    QCOMPARE(int(result.targetSize), size);
    QCOMPARE(int(result.quality), quality);
    QVERIFY(!result.customValues);
}

void TestCommandLine::panelTexts()
{
    QCOMPARE(ReadResizeSwitches(QString(), 250, 80).panelText,
             QStringLiteral("Resize Settings  Size:250  Quality:80"));
    QCOMPARE(ReadResizeSwitches(QStringLiteral("/300/90"), 250, 80).panelText,
             QStringLiteral("Resize Manually Set  Size:300  Quality:90"));
}

void TestCommandLine::joinedArguments()
{
    QCOMPARE(JoinCommandLine({QStringLiteral("brisko"), QStringLiteral("/300"), QStringLiteral("x y")}),
             QStringLiteral("/300 x y"));
    QCOMPARE(JoinCommandLine({QStringLiteral("brisko")}), QString());
}

void TestCommandLine::informationRequests_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("request");
    QTest::newRow("nothing") << QStringList{} << int(InfoRequest::None);
    QTest::newRow("switches") << QStringList{QStringLiteral("/300")} << int(InfoRequest::None);
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << int(InfoRequest::Help);
    QTest::newRow("-h after a switch") << QStringList{QStringLiteral("/300"), QStringLiteral("-h")}
                                       << int(InfoRequest::Help);
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << int(InfoRequest::Version);
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--helpful")} << int(InfoRequest::None);
}

void TestCommandLine::informationRequests()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, request);
    QCOMPARE(int(FindInfoRequest(QStringList{QStringLiteral("brisko")} + arguments)), request);
}

void TestCommandLine::pathsBesideSwitches_data()
{
    QTest::addColumn<QString>("workingFolder"); // below the test's folder
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("switches");
    QTest::addColumn<QStringList>("paths"); // below the test's folder
    QTest::addColumn<QStringList>("refused");

    const QString none;
    QTest::newRow("switches alone") << none << QStringList{QStringLiteral("/300/90")} << "/300/90"
                                    << QStringList{} << QStringList{};
    QTest::newRow("a file and a folder among switches")
        << none << QStringList{QStringLiteral("/300"), QStringLiteral("a.mp3"), QStringLiteral("Album"), QStringLiteral("/90")}
        << "/300 /90" << QStringList{QStringLiteral("a.mp3"), QStringLiteral("Album")} << QStringList{};
    QTest::newRow("relative to the working folder")
        << QStringLiteral("Album") << QStringList{QStringLiteral("../a.mp3"), QStringLiteral("./b.MP3"), QStringLiteral(".")}
        << "" << QStringList{QStringLiteral("a.mp3"), QStringLiteral("Album/b.MP3"), QStringLiteral("Album")}
        << QStringList{};
    QTest::newRow("a folder whose name is a number") << none << QStringList{QStringLiteral("300")} << ""
                                                     << QStringList{QStringLiteral("300")} << QStringList{};
    QTest::newRow("missing MP3 and another file")
        << none << QStringList{QStringLiteral("gone.mp3"), QStringLiteral("notes.txt"), QStringLiteral("/400")} << "/400"
        << QStringList{} << QStringList{QStringLiteral("gone.mp3"), QStringLiteral("notes.txt")};
    QTest::newRow("the root folder stays a switch") << none << QStringList{QStringLiteral("/")} << "/"
                                                    << QStringList{} << QStringList{};
    QTest::newRow("text that names nothing") << none << QStringList{QStringLiteral("x"), QString()} << ""
                                             << QStringList{} << QStringList{QStringLiteral("x")};
    QTest::newRow("a path that is not there is no size")
        << none << QStringList{QStringLiteral("/home/me/Music/gone"), QStringLiteral("/ 300 / +90.0")}
        << "/ 300 / +90.0" << QStringList{} << QStringList{QStringLiteral("/home/me/Music/gone")};
}

// Whatever names a file or folder is a path, so an absolute path never
// reads as a size; what names nothing stays switch text.
void TestCommandLine::pathsBesideSwitches()
{
    QFETCH(QString, workingFolder);
    QFETCH(QStringList, arguments);
    QFETCH(QString, switches);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, refused);
    QTemporaryDir dir;
    for (const char *folder : {"Album", "300"})
        QVERIFY(QDir(dir.path()).mkpath(QLatin1String(folder)));
    for (const char *file : {"a.mp3", "Album/b.MP3", "notes.txt"}) {
        QFile touched(dir.filePath(QLatin1String(file)));
        QVERIFY(touched.open(QIODevice::WriteOnly));
    }
    const StartArguments read = ReadStartArguments(QStringList{QStringLiteral("brisko")} + arguments,
                                                   dir.filePath(workingFolder));
    QCOMPARE(read.switches, switches);
    for (QString &path : paths)
        path = dir.filePath(path);
    QCOMPARE(read.paths, paths);
    QCOMPARE(read.refused, refused);
}

// A name that is not UTF-8 is found by its own bytes and kept as they are.
void TestCommandLine::namesKeepTheirBytes()
{
    QTemporaryDir dir;
    const QByteArray latin1 = QFile::encodeName(dir.path()) + "/caf\xe9.mp3";
    FILE *made = std::fopen(latin1.constData(), "w");
    QVERIFY(made);
    std::fclose(made);
    const StartArguments read = ReadStartArguments({QStringLiteral("brisko"), PathFromBytes(latin1)}, dir.path());
    QCOMPARE(read.paths.size(), 1);
    QCOMPARE(BytesFromPath(read.paths.first()), latin1);
}

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_cmdline.moc"
