// SPDX-License-Identifier: MIT
#include "engine/tags/tagformats.h"

#include "base/tagerrors.h"
#include "base/translation.h"
#include "engine/tags/flac/flaccontainer.h"
#include "engine/tags/id3v2/id3v2container.h"
#include "engine/files/localpath.h"
#include "engine/tags/mp4/mp4container.h"
#include "engine/tags/mp4/mp4items.h"
#include "engine/tags/ogg/oggcontainer.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const std::vector<MusicFormat> &MusicFormats()
{
    static const std::vector<MusicFormat> formats = {
        {"MP3", QT_TRANSLATE_NOOP("Engine", "Mp3 Files"), {QStringLiteral("mp3")}, false, IsMp3, ReadMp3Tags,
         Mp3MetadataBytes},
        {"FLAC", QT_TRANSLATE_NOOP("Engine", "FLAC Files"), {QStringLiteral("flac")}, true, IsFlac, ReadFlacTags,
         FlacMetadataBytes},
        {"Ogg Vorbis", QT_TRANSLATE_NOOP("Engine", "Ogg Vorbis Files"), {QStringLiteral("ogg"), QStringLiteral("oga")},
         true, IsOggVorbis, ReadOggTags, OggHeaderBytes},
        {"Opus", QT_TRANSLATE_NOOP("Engine", "Opus Files"), {QStringLiteral("opus")}, true, IsOpus, ReadOggTags,
         OggHeaderBytes},
        {"M4A", QT_TRANSLATE_NOOP("Engine", "M4A Files"),
         {QStringLiteral("m4a"), QStringLiteral("m4b"), QStringLiteral("mp4")}, true, IsMp4, ReadMp4Tags,
         Mp4MetadataBytes, Mp4::ItemFits},
    };
    return formats;
}

const MusicFormat *RecognisedFormat(const FileStart &start)
{
    // An ID3v2 tag may stand in front of a FLAC or Ogg stream too: the
    // formats with a marker of their own are asked first.
    for (const bool ownMarker : {true, false}) {
        for (const MusicFormat &format : MusicFormats()) {
            if (format.ownMarker == ownMarker && format.recognises(start))
                return &format;
        }
    }
    return nullptr;
}

Failure NotMusicFailure()
{
    QStringList names;
    for (const MusicFormat &format : MusicFormats())
        names << QLatin1String(format.name);
    const QString last = names.takeLast();
    return Failure{TagLibraryError::NotMusic,
                   EnglishText("Engine", "not a music file that Brisko reads (%1 or %2)").arg(names.join(u", "), last)};
}

bool HasMusicExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return false;
    const QStringView extension = QStringView(name).mid(dot + 1);
    for (const MusicFormat &format : MusicFormats()) {
        for (const QString &known : format.extensions) {
            if (extension.compare(known, Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

QStringList MusicPatterns(const std::vector<MusicFormat> &formats)
{
    QStringList patterns;
    for (const MusicFormat &format : formats) {
        for (const QString &extension : format.extensions)
            patterns << QStringLiteral("*.") + extension;
    }
    return patterns;
}

QString MusicFormatLines()
{
    QString lines;
    for (const MusicFormat &format : MusicFormats())
        lines += QStringLiteral("  %1 .%2\n").arg(QLatin1String(format.name), -12).arg(format.extensions.join(QStringLiteral(" .")));
    return lines;
}

Result<void> FieldFits(const QString &path, TagField field, const QString &text)
{
    // Most texts fit every format: then no file need be read.
    const std::vector<MusicFormat> &formats = MusicFormats();
    if (std::none_of(formats.begin(), formats.end(),
                     [&](const MusicFormat &format) { return format.fits && !format.fits(field, text); }))
        return Result<void>::Success();
    const QByteArray name = BytesFromPath(path);
    int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOATIME);
    if (fd < 0 && errno == EPERM) // O_NOATIME is for the file's owner only
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Result<void>::Success();
    struct stat info {};
    const Result<FileStart> start = ::fstat(fd, &info) == 0 ? ReadFileStart(fd, info.st_size) : Result<FileStart>(Failure{});
    const MusicFormat *format = start ? RecognisedFormat(*start) : nullptr;
    ::close(fd);
    return format && format->fits ? format->fits(field, text) : Result<void>::Success();
}
