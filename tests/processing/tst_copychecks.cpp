// SPDX-License-Identifier: MIT
#include "engine/files/atomicsave.h"
#include "engine/tags/taglibrary.h"
#include "support/audiofixture.h"
#include "support/hostilepictures.h"
#include "support/mp3fixture.h"
#include "support/tagedit.h"
#include "support/testfiles.h"
#include "support/testpictures.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace AudioFixture;

// Each format's look at its new copy before the rename refuses a copy that
// differs from what was meant by one byte: in the audio it keeps, in a
// frame, block, comment or atom the edit did not touch, or in the new
// picture. The file stays as it was, and the reason is the one shown.
class TestCopyChecks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void oneChangedByte_data();
    void oneChangedByte();

private:
    QTemporaryDir tones_;
    Tones tone_;
};

namespace {

const QByteArray Big = HostilePictures::PaddedJpeg(TestPictures::Solid(300, 200, Qt::red), 90000, 1);
const QByteArray NewJpeg = TestPictures::Jpeg(TestPictures::Solid(40, 30, Qt::darkGreen));
// Bytes from the middle of the new picture, as they stand in every format but Ogg.
const QByteArray InNewPicture = NewJpeg.mid(NewJpeg.size() / 2, 12);

// The byte of the open copy at the first marker plus offset (from the end
// when there is no marker) with one bit changed.
void ChangeByte(int copy, const QByteArray &marker, qint64 offset)
{
    struct stat info {};
    QVERIFY(::fstat(copy, &info) == 0);
    QByteArray bytes(info.st_size, '\0');
    QCOMPARE(::pread(copy, bytes.data(), size_t(bytes.size()), 0), ssize_t(bytes.size()));
    const qint64 at = marker.isEmpty() ? bytes.size() + offset : bytes.indexOf(marker) + offset;
    QVERIFY2(!marker.isEmpty() ? bytes.indexOf(marker) >= 0 : true, marker.constData());
    const char changed = char(bytes.at(at) ^ 0x10);
    QCOMPARE(::pwrite(copy, &changed, 1, at), ssize_t(1));
}

} // namespace

void TestCopyChecks::initTestCase()
{
    if (!MakeTones(tones_.path(), &tone_))
        QSKIP("ffmpeg or flac is not installed");
}

void TestCopyChecks::cleanup()
{
    SetBeforeCheckHook(nullptr);
}

void TestCopyChecks::oneChangedByte_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("marker"); // where the byte is changed; empty: from the end
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("reason");

    Mp3Fixture::Recipe recipe;
    recipe.album = QStringLiteral("Kept album");
    recipe.pictures = {Mp3Fixture::Picture{Big, QStringLiteral("image/jpeg"), 3, QString()}};
    const QString mp3Path = tones_.filePath(QStringLiteral("fixture.mp3"));
    const QByteArray mp3 = TestFiles::Read(Mp3Fixture::Write(mp3Path, recipe));
    const QByteArray flac = Flac({{0, SplitFlac(tone_.flac).streamInfo}, {4, CommentList({"ARTIST=Kept artist"})},
                                  {6, PictureBody(3, "image/jpeg", "", Big)}},
                                 SplitFlac(tone_.flac).audio);
    const OggParts vorbis = SplitOgg(tone_.vorbis);
    const QByteArray ogg = Ogg({vorbis.headers.at(0), VorbisComments({"ARTIST=Kept artist", "METADATA_BLOCK_PICTURE="
                                                                       + PictureBody(3, "image/jpeg", "", Big).toBase64()}),
                                vorbis.headers.at(2)},
                               vorbis);
    const QByteArray m4a = Mp4(tone_.m4a, Udta(Mp4Item("\xA9" "ART", "Kept artist") + Mp4Item("covr", Big, 13)));

    const QString audio = QStringLiteral("the audio would not stay as it was");
    const struct
    {
        const char *format;
        QByteArray file;
        QString name, untouched, changed;
        QByteArray keptItem, pictureMarker;
    } formats[] = {
        {"MP3", mp3, QStringLiteral("song.mp3"), QStringLiteral("a frame"), QStringLiteral("the new tag does not read back as written"),
         "Kept album", InNewPicture},
        {"FLAC", flac, QStringLiteral("song.flac"), QStringLiteral("a block"),
         QStringLiteral("the new metadata does not read back as written"), "Kept artist", InNewPicture},
        // In Ogg the picture is Base64 in a comment.
        {"Ogg", ogg, QStringLiteral("song.ogg"), QStringLiteral("a comment"),
         QStringLiteral("the new comment header does not read back as written"), "Kept artist", "METADATA_BLOCK_PICTURE=A"},
        {"M4A", m4a, QStringLiteral("song.m4a"), QStringLiteral("an atom"), QStringLiteral("the new moov box does not read back as written"),
         "Kept artist", InNewPicture},
    };
    for (const auto &format : formats) {
        QTest::addRow("%s: the audio", format.format) << format.file << format.name << QByteArray() << -100 << audio;
        QTest::addRow("%s: %s the edit left alone", format.format, qPrintable(format.untouched))
            << format.file << format.name << format.keptItem << 2 << format.changed;
        QTest::addRow("%s: the new picture", format.format)
            << format.file << format.name << format.pictureMarker << int(format.pictureMarker.size()) + 2 << format.changed;
    }
}

void TestCopyChecks::oneChangedByte()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(QByteArray, marker);
    QFETCH(int, offset);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(TestFiles::Write(path, file));

    bool checked = false;
    SetBeforeCheckHook([&](int copy, const QString &) {
        ChangeByte(copy, marker, offset);
        checked = true;
    });
    TagLibrary tags;
    QCOMPARE(tags.OpenAudioFile(path), short(1));
    QCOMPARE(TagEdit::EditAndSave(tags, path, QStringLiteral("picture"), NewJpeg), short(0));
    QVERIFY(checked);
    QCOMPARE(tags.LastErrorText(), reason);
    tags.CloseAudioFile();
    QCOMPARE(TestFiles::Read(path), file);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
}

QTEST_GUILESS_MAIN(TestCopyChecks)
#include "tst_copychecks.moc"
