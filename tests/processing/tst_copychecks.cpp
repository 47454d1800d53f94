// SPDX-License-Identifier: MIT
#include "engine/files/atomicsave.h"
#include "support/audiofixture.h"
#include "support/hostilepictures.h"
#include "support/mp3fixture.h"
#include "support/sharingfolder.h"
#include "support/tagedit.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QtTest>

#include <unistd.h>

using namespace AudioFixture;

// Each format's look at its new copy before the rename refuses a copy that
// differs by one byte from what was meant: in the audio it keeps, in a frame,
// block, comment or atom the edit left alone, or in the new picture. The file
// stays as it was, and the reason is the one the user is shown.
class TestCopyChecks : public QObject
{
    Q_OBJECT

private slots:
    void oneChangedByte_data();
    void oneChangedByte();

private:
    QTemporaryDir dir_;
    SharingFolder cow_{dir_.path()};
};

namespace {

const QByteArray Big = HostilePictures::PaddedJpeg(TestPictures::Solid(300, 200, Qt::red), 90000, 1);
const QByteArray NewJpeg = TestPictures::Jpeg(TestPictures::Solid(40, 30, Qt::darkGreen));

} // namespace

void TestCopyChecks::oneChangedByte_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("marker"); // the byte changed is two after it; none: the 100th from the end
    QTest::addColumn<QString>("reason");
    // Saved on btrfs or XFS, where the new file shares the kept audio's
    // blocks with the original, and the byte changed lies among them.
    QTest::addColumn<bool>("shared");

    Tones tone;
    if (!MakeTones(dir_.path(), &tone))
        QSKIP("ffmpeg or flac is not installed");
    Mp3Fixture::Recipe recipe;
    recipe.album = QStringLiteral("Kept");
    recipe.pictures = {Mp3Fixture::Picture{Big, QStringLiteral("image/jpeg"), 3, QString()}};
    const QByteArray mp3 = TestFiles::Read(Mp3Fixture::Write(dir_.filePath(QStringLiteral("t.mp3")), recipe));
    const QByteArray flac = Flac({{0, SplitFlac(tone.flac).streamInfo}, {4, CommentList({"ARTIST=Kept"})},
                                  {6, PictureBody(3, "image/jpeg", "", Big)}}, SplitFlac(tone.flac).audio);
    const OggParts vorbis = SplitOgg(tone.vorbis);
    const QByteArray picture = "METADATA_BLOCK_PICTURE=" + PictureBody(3, "image/jpeg", "", Big).toBase64();
    const QByteArray ogg = Ogg({vorbis.headers.at(0), VorbisComments({"ARTIST=Kept", picture}), vorbis.headers.at(2)}, vorbis);
    const QByteArray m4a = Mp4(tone.m4a, Udta(Mp4Item("\xA9" "ART", "Kept") + Mp4Item("covr", Big, 13)));

    const QByteArray inJpeg = NewJpeg.mid(NewJpeg.size() / 2, 12); // in Ogg the picture is Base64
    const QList<std::tuple<QByteArray, const char *, const char *, QByteArray>> formats = {
        {mp3, "song.mp3", "the new tag does not read back as written", inJpeg},
        {flac, "song.flac", "the new metadata does not read back as written", inJpeg},
        {ogg, "song.ogg", "the new comment header does not read back as written", "METADATA_BLOCK_PICTURE=AAAA"},
        {m4a, "song.m4a", "the new moov box does not read back as written", inJpeg}};
    for (const auto &[file, name, changed, inPicture] : formats) {
        QTest::addRow("%s: the audio", name) << file << name << QByteArray() << "the audio would not stay as it was" << false;
        QTest::addRow("%s: tags the edit left alone", name) << file << name << QByteArray("Kept") << changed << false;
        QTest::addRow("%s: the new picture", name) << file << name << inPicture << changed << false;
    }
    // Five seconds of noise: audio of many blocks, each byte string its own.
    QProcess ffmpeg;
    const QString noise = dir_.filePath(QStringLiteral("noise.flac"));
    ffmpeg.start(QStringLiteral("ffmpeg"), QStringLiteral("-v error -f lavfi -i anoisesrc=d=5 -y").split(u' ') << noise);
    QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
    const FlacParts noisy = SplitFlac(TestFiles::Read(noise));
    QTest::newRow("song.flac: the audio in blocks shared with the original")
        << Flac({{0, noisy.streamInfo}, {6, PictureBody(3, "image/jpeg", "", Big)}}, noisy.audio) << "song.flac"
        << noisy.audio.mid(noisy.audio.size() / 2, 12) << "the audio would not stay as it was" << true;
}

void TestCopyChecks::oneChangedByte()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(QByteArray, marker);
    QFETCH(QString, reason);
    QFETCH(bool, shared);
    QString noCow;
    const QString folder = shared ? cow_.Path(&noCow) : dir_.path();
    if (folder.isEmpty())
        QSKIP(qPrintable(noCow));
    const QString path = folder + u'/' + name;
    QVERIFY(TestFiles::Write(path, file));
    int changes = 0;
    SetBeforeCheckHook([&](int copy, const QString &) {
        QByteArray bytes(qint64(::lseek(copy, 0, SEEK_END)), '\0');
        const bool read = ::pread(copy, bytes.data(), size_t(bytes.size()), 0) == bytes.size();
        const qint64 at = (marker.isEmpty() ? bytes.size() - 102 : bytes.indexOf(marker)) + 2;
        const char flipped = char(bytes.at(qMax<qint64>(at, 0)) ^ 0x10);
        changes += read && at >= 2 ? int(::pwrite(copy, &flipped, 1, at)) : 0;
    });
    const auto noHook = qScopeGuard([] { SetBeforeCheckHook(nullptr); });
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(TagEdit::EditAndSave(tags, path, QStringLiteral("picture"), NewJpeg), short(0));
    QCOMPARE(changes, 1);
    QCOMPARE(tags.LastErrorText(), reason);
    tags.CloseAudioFile();
    QCOMPARE(TestFiles::Read(path), file);
    QVERIFY(QFile::remove(path));
    QCOMPARE(QDir(folder).entryList({QStringLiteral("*song*")}, QDir::Files | QDir::Hidden), QStringList());
}

QTEST_GUILESS_MAIN(TestCopyChecks)
#include "tst_copychecks.moc"
