// SPDX-License-Identifier: MIT
#include "engine/convert/volumes.h"
#include "support/messageboxes.h"
#include "support/mp3fixture.h"
#include "support/testfiles.h"
#include "support/testpictures.h"
#include "support/windowidle.h"
#include "window/frmmain.h"
#include "window/widgets/artwork.h"
#include "window/widgets/globals.h"
#include "window/widgets/picturescaler.h"
#include "window/widgets/tracklist.h"

#include <QPushButton>
#include <QtTest>

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Mp3Fixture;

// Cards and sticks put in and taken out while the program runs. Each volume
// is a tmpfs the test mounts itself, which needs root (as in CI); elsewhere
// the tests skip. A tmpfs mounted after another was taken away gets that
// one's device number, as a second USB stick does.
class TestVolumes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void secondCardWithTheFirstOnesNumber();
    void volumeMountedOverTheFolder();

private:
    QString Path(const QString &name) const { return dir_->path() + u'/' + name; }
    bool Mount(const QString &at);
    bool Unmount(const QString &at);
    static quint64 DeviceOf(const QString &path);
    static QString Song(const QString &path);
    // The size of picture 1 as TagLib reads it back.
    static QSize PictureSize(const QString &path);
    static void ResizeAll(frmMain &window);
    // Shows the window and waits for its first activation, which sorts the list.
    static void Open(frmMain &window);
    // The message for a volume no longer there: the conversion of the file and
    // the preview of it that follows each say it.
    static QStringList Unavailable(const QString &root);

    std::unique_ptr<QTemporaryDir> dir_;
    QTemporaryDir config_;
    QStringList mounted_;
    QStringList messages_;
};

void TestVolumes::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    if (::geteuid() != 0)
        QSKIP("mounting a volume needs root");
    dir_ = std::make_unique<QTemporaryDir>();
    if (!Mount(Path(QStringLiteral("probe"))))
        QSKIP("this system does not let the test mount a tmpfs");
    QVERIFY(Unmount(Path(QStringLiteral("probe"))));
}

void TestVolumes::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    ShowTip = false;
    CollectMessageBoxes(&messages_);
}

void TestVolumes::cleanup()
{
    SetMsgBoxHandler(nullptr);
    while (!mounted_.isEmpty()) {
        const QString at = mounted_.takeLast();
        if (::umount(QFile::encodeName(at).constData()) != 0)
            ::umount2(QFile::encodeName(at).constData(), MNT_DETACH);
    }
}

bool TestVolumes::Mount(const QString &at)
{
    if (!QDir().mkpath(at)
        || ::mount("tmpfs", QFile::encodeName(at).constData(), "tmpfs", 0, "size=4m,mode=0755") != 0)
        return false;
    mounted_ << at;
    return true;
}

bool TestVolumes::Unmount(const QString &at)
{
    if (::umount(QFile::encodeName(at).constData()) != 0)
        return false;
    mounted_.removeOne(at);
    return true;
}

quint64 TestVolumes::DeviceOf(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? quint64(info.st_dev) : 0;
}

QString TestVolumes::Song(const QString &path)
{
    Recipe recipe;
    recipe.title = QFileInfo(path).completeBaseName();
    recipe.pictures << Picture{TestPictures::Jpeg(TestPictures::Solid(400, 300, Qt::darkGreen)),
                               QStringLiteral("image/jpeg"), 3, QString()};
    return Write(path, recipe);
}

QSize TestVolumes::PictureSize(const QString &path)
{
    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    if (!file.ID3v2Tag())
        return {};
    const auto pictures = file.ID3v2Tag()->frameListMap()["APIC"];
    if (pictures.isEmpty())
        return {};
    const auto *picture = static_cast<TagLib::ID3v2::AttachedPictureFrame *>(pictures.front());
    return QImage::fromData(QByteArray(picture->picture().data(), int(picture->picture().size()))).size();
}

void TestVolumes::ResizeAll(frmMain &window)
{
    QTest::mouseClick(Probe(window).cmdConvert, Qt::LeftButton);
    QVERIFY(WaitUntilIdle(window));
    QVERIFY(!Probe(window).OperationRunning);
}

void TestVolumes::Open(frmMain &window)
{
    QSignalSpy activated(&window, &frmMain::FirstActivated);
    window.show();
    QVERIFY(activated.wait());
}

QStringList TestVolumes::Unavailable(const QString &root)
{
    // Said once a run, however many files in hand find the volume gone.
    return QStringList{QStringLiteral("Can't continue\nDrive: ") + root + QStringLiteral(" is unavailable")};
}

void TestVolumes::secondCardWithTheFirstOnesNumber()
{
    const QString first = Path(QStringLiteral("FIRST"));
    const QString second = Path(QStringLiteral("SECOND"));
    QVERIFY(Mount(first));
    const QString old = Song(first + QStringLiteral("/z-first.mp3"));
    QVERIFY(!old.isEmpty());
    frmMain window;
    Open(window);
    window.GetFileInfo({QString(), old});
    QVERIFY(WaitUntilIdle(window));
    const quint64 firstDevice = DeviceOf(first);

    // The first card is taken out and a second one put in.
    QVERIFY(Unmount(first));
    QVERIFY(Mount(second));
    if (DeviceOf(second) != firstDevice)
        QSKIP("the kernel gave the second volume a number of its own this time");
    const QString fresh = Song(second + QStringLiteral("/a-second.mp3"));
    window.GetFileInfo({QString(), fresh});
    QVERIFY(WaitUntilIdle(window));
    QCOMPARE(Probe(window).lvwMain()->RowCount(), 2); // not the first card's file, though its numbers match
    QCOMPARE(VolumeOf(fresh), second);
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join(u'|')));

    // The second card's file is converted; the first card's is unavailable.
    ResizeAll(window);
    QCOMPARE(Probe(window).lvwMain()->PathAt(1), fresh);
    QCOMPARE(Probe(window).lvwMain()->Field(1, ColStatus), QStringLiteral("Resized"));
    QCOMPARE(PictureSize(fresh), QSize(250, 188));
    QCOMPARE(messages_, Unavailable(first));
    QCOMPARE(Probe(window).lvwMain()->Field(2, ColStatus), QStringLiteral("Unchanged"));

    // The first card back in its place: its file is converted too.
    QVERIFY(Mount(first));
    QCOMPARE(Song(old), old);
    messages_.clear();
    ResizeAll(window);
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join(u'|')));
    QCOMPARE(Probe(window).lvwMain()->Field(2, ColStatus), QStringLiteral("Resized"));
    QCOMPARE(PictureSize(old), QSize(250, 188));
}

// Another volume mounted over the file's folder hides the file that was
// added: the file now at that path is someone else's and is not written.
void TestVolumes::volumeMountedOverTheFolder()
{
    const QString card = Path(QStringLiteral("CARD"));
    QVERIFY(Mount(card));
    QVERIFY(QDir().mkpath(card + QStringLiteral("/album")));
    const QString song = Song(card + QStringLiteral("/album/song.mp3"));
    frmMain window;
    Open(window);
    window.GetFileInfo({QString(), song});
    QVERIFY(WaitUntilIdle(window));

    QVERIFY(Mount(card + QStringLiteral("/album")));
    QCOMPARE(Song(song), song);
    const QByteArray other = TestFiles::Read(song);
    ResizeAll(window);
    QCOMPARE(messages_, Unavailable(card)); // once: the preview of its row says no more
    QCOMPARE(Probe(window).imgDisplay->Picture(), MissingFileImage());
    QCOMPARE(TestFiles::Read(song), other);
    QCOMPARE(Probe(window).lvwMain()->Field(1, ColStatus), QStringLiteral("Unchanged"));

    QVERIFY(Unmount(card + QStringLiteral("/album")));
    messages_.clear();
    ResizeAll(window);
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join(u'|')));
    QCOMPARE(Probe(window).lvwMain()->Field(1, ColStatus), QStringLiteral("Resized"));
    QCOMPARE(PictureSize(song), QSize(250, 188));
}

QTEST_MAIN(TestVolumes)
#include "tst_volumes.moc"
