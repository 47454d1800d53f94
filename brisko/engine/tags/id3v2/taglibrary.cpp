// SPDX-License-Identifier: MIT
#include "engine/tags/id3v2/taglibrary.h"

#include "base/translation.h"
#include "engine/tags/id3v2/id3v2frames.h"
#include "engine/tags/id3v2/id3v2writer.h"
#include "engine/files/localpath.h"
#include "base/sharedbytes.h"

#include <QFile>
#include <QFileInfo>

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>

#include <cstdlib>
#include <ctime>
#include <memory>

#include <sys/stat.h>

using namespace Id3v2Frames;

namespace {

// The file a path leads to, links resolved; empty when it leads nowhere.
QString RealPath(const QString &path)
{
    char *real = ::realpath(BytesFromPath(path).constData(), nullptr);
    if (!real)
        return QString();
    const QString resolved = PathFromBytes(QByteArray(real));
    std::free(real);
    return resolved;
}

// The modification time a save gives the new file. The time asked for comes
// in whole seconds; when it is the original's second, the original's exact
// time is kept, to the nanosecond. No time asked for: the time of the save.
std::optional<struct timespec> ModifiedTime(const QDateTime &asked, const struct stat &original)
{
    if (!asked.isValid()) {
        struct timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        return now;
    }
    const qint64 seconds = asked.toSecsSinceEpoch();
    if (seconds == qint64(original.st_mtim.tv_sec))
        return original.st_mtim;
    struct timespec time {};
    time.tv_sec = time_t(seconds);
    time.tv_nsec = long(asked.toMSecsSinceEpoch() - seconds * 1000) * 1000000L;
    return time;
}

QByteArray ReadAt(QFile &file, qint64 offset, qint64 size)
{
    if (!file.seek(offset))
        return QByteArray();
    return file.read(size);
}

} // namespace

TagLibrary::TagLibrary() = default;
TagLibrary::~TagLibrary() = default;

void TagLibrary::Close()
{
    path_.clear();
    realPath_.clear();
    fileSize_ = 0;
    original_.Close();
    tag_ = Id3v2::Tag();
    tagAtEnd_ = false;
    id3v1_.clear();
    v2Fields_.clear();
    comment_.clear();
    pictureFrames_.clear();
    firstPicture_.reset();
    edits_ = TagEdits();
}

void TagLibrary::SetError(int code, const QString &text)
{
    lastErrorCode_ = code;
    lastErrorText_ = text;
}

short TagLibrary::OpenAudioFile(const QString &requested)
{
    const QString path = requested; // may be our own path_, which Close() clears
    Close();
    SetError(TagLibraryError::None);
    const QString real = RealPath(path);
    struct stat info {};
    if (real.isEmpty() || ::stat(BytesFromPath(real).constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        SetError(TagLibraryError::FileNotFound, EnglishText("Engine", "File not found: %1").arg(path));
        return 0;
    }
    // Held locked until the file is closed: read and save see one file.
    QString why;
    QFile file;
    if (!original_.Open(real, &why) || !file.open(original_.Descriptor(), QIODevice::ReadOnly)) {
        original_.Close();
        SetError(TagLibraryError::CannotRead, EnglishText("Engine", "Cannot read %1: %2").arg(path, why));
        return 0;
    }
    const qint64 size = original_.State().st_size;
    const QByteArray start = ReadAt(file, 0, Id3v2::HeaderSize);
    const qint64 declared = Id3v2::DeclaredSize(start);
    // A tag too large to hold is refused before it is read.
    const bool readable = declared > 0 && declared <= Id3v2::MostTagBytes + Id3v2::FooterSize;
    const QByteArray tagBytes = readable ? ReadAt(file, 0, qMin(declared, size)) : start;
    const qint64 tailSize = qMin<qint64>(size, 128 + Id3v2::FooterSize);
    const QByteArray tail = ReadAt(file, size - tailSize, tailSize);

    path_ = path;
    realPath_ = real;
    fileSize_ = size;
    tag_ = Id3v2::Parse(tagBytes, size);
    if (tail.size() >= 128 && tail.right(128).startsWith("TAG") && size - 128 >= tag_.size)
        id3v1_ = tail.right(128);
    tagAtEnd_ = size > tag_.size + Id3v2::FooterSize && Id3v2::HasTagAtEnd(tail);

    ReadId3v2();
    if (tag_.present && !tag_.IsComplete())
        SetError(TagLibraryError::TagUnreadable, tag_.problem);
    else if (tagAtEnd_)
        SetError(TagLibraryError::TagUnreadable, EnglishText("Engine", "an ID3v2 tag at the end of the file"));
    return 1;
}

void TagLibrary::CloseAudioFile()
{
    Close();
}

void TagLibrary::ReadId3v2()
{
    for (const TagField field : {TagField::Title, TagField::Artist, TagField::Album, TagField::Track,
                                 TagField::Genre, TagField::Year}) {
        for (const QByteArray &id : FrameIds(field, tag_.major)) {
            const auto found = std::find_if(tag_.frames.cbegin(), tag_.frames.cend(),
                                            [&id](const Id3v2::Frame &frame) { return frame.id == id; });
            if (found != tag_.frames.cend()) {
                v2Fields_.insert(field, FrameText(*found, tag_));
                break;
            }
        }
    }

    const int comment = ShownCommentIndex(tag_);
    if (comment >= 0) {
        const FramePointer parsed = ParseFrame(tag_.frames.at(comment), tag_);
        if (const auto *frame = dynamic_cast<const TagLib::ID3v2::CommentsFrame *>(parsed.get()))
            comment_ = ToQString(frame->text());
    }

    for (int i = 0; i < tag_.frames.size(); ++i) {
        if (IsPictureFrame(tag_.frames.at(i).id))
            pictureFrames_.append(i);
    }
}

bool TagLibrary::HasId3v2Tag() const
{
    return tag_.present;
}

bool TagLibrary::HasId3v1Tag() const
{
    return !id3v1_.isEmpty();
}

QString TagLibrary::Id3v2Field(TagField field) const
{
    if (field == TagField::Comment)
        return GetId3v2Comment(1);
    return v2Fields_.value(field);
}

void TagLibrary::SetId3v2Field(TagField field, const QString &text)
{
    if (field == TagField::Comment)
        SetId3v2Comment(1, QStringLiteral("eng"), QString(), text);
    else if (!path_.isEmpty())
        edits_.fields.insert(field, text);
}

QString TagLibrary::GetId3v2Comment(int number) const
{
    return number == 1 ? comment_ : QString();
}

void TagLibrary::SetId3v2Comment(int number, const QString &language, const QString &description,
                                 const QString &text)
{
    Q_UNUSED(language)
    Q_UNUSED(description)
    if (number == 1 && !path_.isEmpty())
        edits_.comment = text;
}

QString TagLibrary::Id3v1Field(TagField field) const
{
    if (id3v1_.isEmpty())
        return QString();
    TagLib::ByteVectorStream stream(ToByteVector(id3v1_));
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    const TagLib::ID3v1::Tag *tag = file.ID3v1Tag();
    if (!tag)
        return QString();
    switch (field) {
    case TagField::Title: return ToQString(tag->title());
    case TagField::Artist: return ToQString(tag->artist());
    case TagField::Album: return ToQString(tag->album());
    case TagField::Comment: return ToQString(tag->comment());
    case TagField::Track: return tag->track() ? QString::number(tag->track()) : QString();
    case TagField::Year: return tag->year() ? QString::number(tag->year()) : QString();
    case TagField::Genre: return QString::number(tag->genreNumber());
    }
    return QString();
}

void TagLibrary::SetId3v1Field(TagField field, const QString &text)
{
    if (!path_.isEmpty())
        edits_.id3v1.insert(field, text);
}

short TagLibrary::PictureCount() const
{
    return short(qMin(pictureFrames_.size(), 32767));
}

std::optional<TagLibrary::Picture> TagLibrary::PictureAt(int number) const
{
    if (number < 1 || number > pictureFrames_.size())
        return std::nullopt;
    if (number == 1 && firstPicture_)
        return firstPicture_;
    Picture picture;
    picture.frameIndex = pictureFrames_.at(number - 1);
    const Id3v2::Frame &stored = tag_.frames.at(picture.frameIndex);
    const Id3v2::PictureFields fields = Id3v2::FindPictureFields(stored, tag_);
    // Stored plainly, the picture is shared with the tag, not copied.
    if (fields.dataAt >= 0) {
        picture.readable = true;
        picture.type = short(uchar(stored.bytes.at(fields.typeAt)));
        picture.data = SharedSlice(stored.bytes, fields.dataAt, stored.bytes.size() - fields.dataAt);
    } else if (const FramePointer parsed = ParseFrame(stored, tag_);
               const auto *frame = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame *>(parsed.get())) {
        picture.readable = true;
        // TagLib reads the type byte as a signed char: 128-255 come out negative.
        picture.type = short(uchar(frame->type()));
        picture.data = ToQByteArray(frame->picture());
    }
    if (number == 1)
        firstPicture_ = picture;
    return picture;
}

short TagLibrary::GetPictureType(int number) const
{
    const std::optional<Picture> picture = PictureAt(number);
    return picture ? picture->type : 0;
}

bool TagLibrary::PictureData(int number, QByteArray *data)
{
    const std::optional<Picture> picture = PictureAt(number);
    if (!picture || !picture->readable) {
        SetError(TagLibraryError::NoSuchPicture,
                 picture ? EnglishText("Engine", "picture %1 cannot be read").arg(number)
                         : EnglishText("Engine", "there is no picture %1").arg(number));
        return false;
    }
    *data = picture->data;
    return true;
}

bool TagLibrary::SavePictureToFile(int number, const QString &destination)
{
    QByteArray data;
    if (!PictureData(number, &data))
        return false;
    QFile file(destination);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(data) != data.size() || !file.flush()) {
        SetError(TagLibraryError::CannotWritePicture,
                 EnglishText("Engine", "cannot write %1: %2").arg(destination, file.errorString()));
        file.remove();
        return false;
    }
    return true;
}

bool TagLibrary::AddPictureFromFile(const QString &path, const QString &description, int number,
                                    short pictureType, int flags)
{
    Q_UNUSED(description)
    Q_UNUSED(number)
    Q_UNUSED(flags)
    if (path_.isEmpty()) {
        SetError(TagLibraryError::NoFileOpen, EnglishText("Engine", "no file is open"));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SetError(TagLibraryError::PictureFileUnreadable,
                 EnglishText("Engine", "cannot read %1: %2").arg(path, file.errorString()));
        return false;
    }
    return AddPictureData(file.readAll(), pictureType);
}

bool TagLibrary::AddPictureData(const QByteArray &jpeg, short pictureType)
{
    if (path_.isEmpty()) {
        SetError(TagLibraryError::NoFileOpen, EnglishText("Engine", "no file is open"));
        return false;
    }
    edits_.firstPicture = TagEdits::Picture{jpeg, pictureType};
    return true;
}

bool TagLibrary::ReplacePictureData(int number, const QByteArray &jpeg)
{
    if (number < 2 || number > PictureCount()) {
        SetError(TagLibraryError::NoSuchPicture, EnglishText("Engine", "there is no picture %1").arg(number));
        return false;
    }
    edits_.laterPictures.insert(number, TagEdits::Picture{jpeg, GetPictureType(number)});
    return true;
}

bool TagLibrary::RequireOpen(const QString &path)
{
    if (path_.isEmpty() || path != path_) {
        SetError(TagLibraryError::NoFileOpen, EnglishText("Engine", "the file is not open: %1").arg(path));
        return false;
    }
    return true;
}

bool TagLibrary::FileUnchangedSinceOpen()
{
    struct stat now {};
    if (original_.IsOpen() && ::stat(BytesFromPath(realPath_).constData(), &now) == 0
        && SameFile(now, original_.State()))
        return true;
    SetError(TagLibraryError::ChangedSinceOpen,
             EnglishText("Engine", "the file was changed by another program after it was read"));
    return false;
}

short TagLibrary::SaveId3v2Tag(const QString &path, const QDateTime &keepModified)
{
    return Save(path, keepModified, true, false);
}

short TagLibrary::SaveId3v1Tag(const QString &path, const QDateTime &keepModified)
{
    return Save(path, keepModified, false, true);
}

short TagLibrary::SaveTags(const QString &path, const QDateTime &keepModified)
{
    return Save(path, keepModified, true, true);
}

short TagLibrary::Save(const QString &path, const QDateTime &keepModified, bool id3v2, bool id3v1)
{
    otherNames_ = 0;
    if (!RequireOpen(path))
        return 0;
    SetError(TagLibraryError::None);
    const bool v2 = id3v2 && edits_.HasId3v2Changes();
    // A file without an ID3v1 tag does not get one.
    const bool v1 = id3v1 && !edits_.id3v1.isEmpty() && !id3v1_.isEmpty();
    if (!v2 && !v1)
        return -1;
    FileRewrite rewrite;
    rewrite.keepTo = fileSize_;
    if (!FileUnchangedSinceOpen())
        return 0;
    Id3v2Writer writer(tag_, tagAtEnd_, id3v1_, fileSize_);
    if ((v2 && !writer.PrepareId3v2(edits_, &rewrite)) || (v1 && !writer.PrepareId3v1(edits_.id3v1, &rewrite))) {
        SetError(writer.ErrorCode(), writer.ErrorText());
        return 0;
    }
    writer.AddAudioCheck(&rewrite);
    // ID3v1 changes not written now wait for their own save.
    return Rewrite(rewrite, keepModified, !id3v1);
}

qint64 TagLibrary::SizeAfterSave(const QString &path)
{
    if (!RequireOpen(path))
        return -1;
    SetError(TagLibraryError::None);
    FileRewrite rewrite;
    rewrite.keepTo = fileSize_;
    if (!FileUnchangedSinceOpen())
        return -1;
    Id3v2Writer writer(tag_, tagAtEnd_, id3v1_, fileSize_);
    if (edits_.HasId3v2Changes() && !writer.PrepareId3v2(edits_, &rewrite)) {
        SetError(writer.ErrorCode(), writer.ErrorText());
        return -1;
    }
    QString why;
    if (!MayRewrite(realPath_, &why)) {
        SetError(TagLibraryError::NotWritable, why);
        return -1;
    }
    return rewrite.head.size() + (rewrite.keepTo - rewrite.keepFrom) + rewrite.tail.size();
}

short TagLibrary::Rewrite(FileRewrite rewrite, const QDateTime &keepModified, bool keepId3v1Changes)
{
    rewrite.path = realPath_;
    rewrite.modified = ModifiedTime(keepModified, original_.State());
    const RewriteResult result = RewriteFile(rewrite, original_);
    if (!result.ok) {
        SetError(result.code, result.text);
        return 0;
    }
    replaced_ = original_.State();
    otherNames_ = result.otherNames;
    // The file on disk is the new one now: read it again so that a following
    // save starts from it.
    const QMap<TagField, QString> id3v1Changes = keepId3v1Changes ? edits_.id3v1 : QMap<TagField, QString>();
    OpenAudioFile(path_);
    edits_.id3v1 = id3v1Changes;
    SetError(TagLibraryError::None);
    return -1;
}
