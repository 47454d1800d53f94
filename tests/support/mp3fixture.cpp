// SPDX-License-Identifier: MIT
#include "support/mp3fixture.h"

#include "support/testfiles.h"

#include <QFile>

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

namespace Mp3Fixture {

namespace {

TagLib::String S(const QString &text)
{
    return TagLib::String(text.toUtf8().constData(), TagLib::String::UTF8);
}

TagLib::String::Type Encoding(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return TagLib::String::UTF16;
    }
    return TagLib::String::Latin1;
}

void AddText(TagLib::ID3v2::Tag *tag, const char *id, const QString &text)
{
    if (text.isEmpty())
        return;
    auto *frame = new TagLib::ID3v2::TextIdentificationFrame(id, Encoding(text));
    frame->setText(S(text));
    tag->addFrame(frame);
}

} // namespace

QByteArray SizeBytes(quint32 size, bool syncSafe)
{
    QByteArray bytes(4, '\0');
    for (int i = 3; i >= 0; --i) {
        bytes[i] = char(syncSafe ? (size & 0x7F) : (size & 0xFF));
        size >>= syncSafe ? 7 : 8;
    }
    return bytes;
}

QByteArray AudioFrames(int count)
{
    QByteArray audio;
    quint32 seed = 12345;
    for (int i = 0; i < count; ++i) {
        QByteArray frame(417, '\0');
        frame[0] = char(0xFF);
        frame[1] = char(0xFB);
        frame[2] = char(0x90);
        frame[3] = char(0x64);
        for (int k = 36; k < frame.size(); ++k) {
            seed = seed * 1103515245u + 12345u;
            frame[k] = char((seed >> 16) & 0x7F); // never 0xFF: no false frame syncs
        }
        audio += frame;
    }
    return audio;
}

QString Write(const QString &path, const Recipe &recipe)
{
    if (!TestFiles::Write(path, AudioFrames(recipe.audioFrames)))
        return QString();
    if (recipe.version == 0 && !recipe.id3v1)
        return path;

    TagLib::MPEG::File file(QFile::encodeName(path).constData(), false);
    int tags = TagLib::MPEG::File::NoTags;
    if (recipe.version != 0) {
        tags |= TagLib::MPEG::File::ID3v2;
        TagLib::ID3v2::Tag *tag = file.ID3v2Tag(true);
        AddText(tag, "TIT2", recipe.title);
        AddText(tag, "TPE1", recipe.artist);
        AddText(tag, "TALB", recipe.album);
        AddText(tag, "TRCK", recipe.track);
        AddText(tag, recipe.version == 4 ? "TDRC" : "TYER", recipe.year);
        AddText(tag, "TCON", recipe.genre);
        if (!recipe.comment.isEmpty()) {
            auto *comment = new TagLib::ID3v2::CommentsFrame(Encoding(recipe.comment));
            comment->setLanguage("eng");
            comment->setText(S(recipe.comment));
            tag->addFrame(comment);
        }
        for (const Picture &picture : recipe.pictures) {
            auto *frame = new TagLib::ID3v2::AttachedPictureFrame;
            frame->setMimeType(S(picture.mime));
            frame->setType(static_cast<TagLib::ID3v2::AttachedPictureFrame::Type>(picture.type));
            frame->setDescription(S(picture.description));
            frame->setPicture(TagLib::ByteVector(picture.data.constData(), unsigned(picture.data.size())));
            tag->addFrame(frame);
        }
    }
    if (recipe.id3v1) {
        tags |= TagLib::MPEG::File::ID3v1;
        TagLib::ID3v1::Tag *tag = file.ID3v1Tag(true);
        tag->setTitle(S(recipe.v1Title));
        tag->setArtist(S(recipe.v1Artist));
        tag->setAlbum(S(recipe.v1Album));
        tag->setComment(S(recipe.v1Comment));
        tag->setTrack(unsigned(recipe.v1Track));
        tag->setYear(unsigned(recipe.v1Year));
        tag->setGenreNumber(unsigned(recipe.v1Genre));
    }
    const auto version = recipe.version == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3;
    if (!file.save(tags, TagLib::File::StripNone, version, TagLib::File::DoNotDuplicate))
        return QString();
    return path;
}

QByteArray Frame(const char *id, const QByteArray &content, int major, quint16 flags)
{
    QByteArray frame(id, 4);
    frame += SizeBytes(quint32(content.size()), major == 4);
    frame += char(flags >> 8);
    frame += char(flags & 0xFF);
    return frame + content;
}

QByteArray TextFrame(const char *id, const QString &text, int major)
{
    return Frame(id, QByteArray(1, '\0') + text.toLatin1(), major);
}

QByteArray Tag(int major, const QByteArray &frames, int padding, quint8 flags)
{
    QByteArray tag("ID3", 3);
    tag += char(major);
    tag += '\0';
    tag += char(flags);
    tag += SizeBytes(quint32(frames.size() + padding), true);
    return tag + frames + QByteArray(padding, '\0');
}

QByteArray AfterTag(const QByteArray &file)
{
    if (file.size() < 10 || !file.startsWith("ID3"))
        return file;
    const qint64 body = 10 + ((qint64(uchar(file[6])) << 21) | (uchar(file[7]) << 14)
                              | (uchar(file[8]) << 7) | uchar(file[9]));
    // A footer repeats the header's version and size after "3DI"; a flag
    // with no footer written leaves the next bytes audio.
    const QByteArray footer = "3DI" + file.mid(3, 2) + file.at(5) + file.mid(6, 4);
    const bool hasFooter = file[3] == 4 && (uchar(file[5]) & 0x10) && file.mid(int(body), 10) == footer;
    return file.mid(int(body + (hasFooter ? 10 : 0)));
}

} // namespace Mp3Fixture
