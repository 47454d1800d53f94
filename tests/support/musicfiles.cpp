// SPDX-License-Identifier: MIT
#include "support/musicfiles.h"

#include "support/testfiles.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace AudioFixture;

namespace MusicFiles {

QStringList Extensions()
{
    return {QStringLiteral("mp3"), QStringLiteral("flac"), QStringLiteral("ogg"), QStringLiteral("opus"),
            QStringLiteral("m4a")};
}

bool Write(const QString &path, const Tones &tones, const QString &title, const QList<Mp3Fixture::Picture> &pictures)
{
    const QString extension = QFileInfo(path).suffix();
    if (extension == QLatin1String("mp3")) {
        Mp3Fixture::Recipe recipe;
        recipe.title = title;
        recipe.pictures = pictures;
        return !Mp3Fixture::Write(path, recipe).isEmpty();
    }
    const QByteArray name = title.toUtf8();
    QList<QByteArray> entries{"TITLE=" + name};
    QList<Block> blocks;
    QByteArray covers;
    for (const Mp3Fixture::Picture &picture : pictures) {
        const QByteArray body =
            PictureBody(quint32(picture.type), picture.mime.toLatin1(), picture.description.toUtf8(), picture.data);
        entries << "METADATA_BLOCK_PICTURE=" + body.toBase64();
        blocks << Block{6, body};
        covers += Mp4Data(picture.mime == QLatin1String("image/png") ? 14 : 13, picture.data);
    }
    QByteArray file;
    if (extension == QLatin1String("flac")) {
        const FlacParts flac = SplitFlac(tones.flac);
        file = Flac(QList<Block>{{0, flac.streamInfo}, {4, CommentList({"TITLE=" + name})}} + blocks, flac.audio);
    } else if (extension == QLatin1String("ogg") || extension == QLatin1String("opus")) {
        const bool opus = extension == QLatin1String("opus");
        OggParts parts = SplitOgg(opus ? tones.opus : tones.vorbis);
        parts.headers[1] = opus ? OpusTags(entries) : VorbisComments(entries);
        file = Ogg(parts.headers, parts);
    } else {
        const QByteArray items = Mp4Item("\xA9nam", name) + (pictures.isEmpty() ? QByteArray() : Mp4Box("covr", covers));
        file = Mp4(tones.m4a, Udta(items));
    }
    return TestFiles::Write(path, file);
}

QList<ReadPicture> MutagenPictures(const QString &path)
{
    // Debian's own Python, where its python3-mutagen package is.
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, json, base64\n"
                                 "from mutagen import File\n"
                                 "from mutagen.flac import Picture\n"
                                 "f = File(sys.argv[1])\n"
                                 "if sys.argv[1].endswith('.mp3'):\n"
                                 "    found = [(int(p.type), p.desc, p.data) for p in f.tags.getall('APIC')]\n"
                                 "elif sys.argv[1].endswith('.m4a'):\n"
                                 "    found = [(3, '', bytes(c)) for c in f.tags.get('covr', [])]\n"
                                 "else:\n"
                                 "    pictures = f.pictures if hasattr(f, 'pictures') else [Picture(base64.b64decode(e))\n"
                                 "        for e in f.get('METADATA_BLOCK_PICTURE', [])]\n"
                                 "    found = [(p.type, p.desc, p.data) for p in pictures]\n"
                                 "print(json.dumps([{'type': t, 'desc': d, 'data': base64.b64encode(b).decode()}\n"
                                 "    for t, d, b in found]))\n"),
                  path});
    python.waitForFinished(30000);
    QList<ReadPicture> pictures;
    for (const QJsonValue &value : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        const QJsonObject picture = value.toObject();
        pictures << ReadPicture{picture.value(QStringLiteral("type")).toInt(),
                                picture.value(QStringLiteral("desc")).toString(),
                                QByteArray::fromBase64(picture.value(QStringLiteral("data")).toString().toLatin1())};
    }
    return pictures;
}

} // namespace MusicFiles
