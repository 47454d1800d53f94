// SPDX-License-Identifier: MIT
#include "engine/taglibrary.h"

#include "base/genrefromid.h"
#include "base/textvalue.h"
#include "base/translation.h"
#include "engine/localpath.h"
#include "engine/sharedbytes.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>

#include <cstdlib>
#include <ctime>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using FramePointer = std::unique_ptr<TagLib::ID3v2::Frame>;

TagLib::ByteVector ToByteVector(const QByteArray &bytes)
{
    return TagLib::ByteVector(bytes.constData(), static_cast<unsigned int>(bytes.size()));
}

QByteArray ToQByteArray(const TagLib::ByteVector &bytes)
{
    return QByteArray(bytes.data(), int(bytes.size()));
}

TagLib::String ToTagString(const QString &text)
{
    return TagLib::String(text.toUtf8().constData(), TagLib::String::UTF8);
}

QString ToQString(const TagLib::String &text)
{
    return QString::fromUtf8(text.toCString(true));
}

// Frames of these kinds are handed to TagLib to be read. Everything else is
// kept as bytes only: TagLib never sees compressed or encrypted frames (a
// small one can inflate to a gigabyte) nor chapters (nested without end).
bool IsReadFrame(const QByteArray &id)
{
    static const QList<QByteArray> ids = {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TDRC", "TCON",
                                          "COMM", "APIC", "TT2",  "TP1",  "TAL",  "TRK",  "TYE",
                                          "TCO",  "COM",  "PIC"};
    return ids.contains(id);
}

// The frame as its writer meant it: TagLib undoes the unsynchronisation that
// the tag's header announces, and is given the size it can read alone.
FramePointer ParseFrame(const Id3v2::Frame &frame, const Id3v2::Tag &tag)
{
    if (!IsReadFrame(frame.id) || frame.IsCompressed(tag.major) || frame.IsEncrypted(tag.major))
        return nullptr;
    QByteArray tagHeader("ID3", 3);
    tagHeader += char(tag.major);
    tagHeader += '\0';
    tagHeader += char(tag.FramesUnsynchronised() ? 0x80 : 0x00);
    tagHeader += QByteArray(4, '\0');
    TagLib::ID3v2::Header header;
    header.setData(ToByteVector(tagHeader));
    return FramePointer(TagLib::ID3v2::FrameFactory::instance()->createFrame(
        ToByteVector(Id3v2::StandardFrameBytes(frame, tag.major)), &header));
}

QList<QByteArray> FrameIds(TagField field, int major)
{
    const bool v22 = major == 2;
    switch (field) {
    case TagField::Title: return {v22 ? "TT2" : "TIT2"};
    case TagField::Artist: return {v22 ? "TP1" : "TPE1"};
    case TagField::Album: return {v22 ? "TAL" : "TALB"};
    case TagField::Track: return {v22 ? "TRK" : "TRCK"};
    case TagField::Genre: return {v22 ? "TCO" : "TCON"};
    case TagField::Year:
        if (v22)
            return {"TYE"};
        return major == 4 ? QList<QByteArray>{"TDRC", "TYER"} : QList<QByteArray>{"TYER", "TDRC"};
    case TagField::Comment: return {v22 ? "COM" : "COMM"};
    }
    return {};
}

bool IsPictureFrame(const QByteArray &id)
{
    return id == "APIC" || id == "PIC";
}

TagLib::String::Type EncodingFor(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return TagLib::String::UTF16;
    }
    return TagLib::String::Latin1;
}

// TagLib renders a new frame with a version 2.4 header and no flags; the
// content is the same for both versions, so only the header is made anew,
// the way the tag's other frames are written.
Id3v2::Frame FrameFromTagLib(const TagLib::ID3v2::Frame &frame, const QByteArray &id, const Id3v2::Tag &tag)
{
    return Id3v2::MakeFrame(id, ToQByteArray(frame.render()).mid(10), tag);
}

Id3v2::Frame TextFrame(const QByteArray &id, const QString &text, const Id3v2::Tag &tag)
{
    TagLib::ID3v2::TextIdentificationFrame frame(ToByteVector(id), EncodingFor(text));
    frame.setText(ToTagString(text));
    return FrameFromTagLib(frame, id, tag);
}

Id3v2::Frame CommentFrame(const QString &language, const QString &description, const QString &text,
                          const Id3v2::Tag &tag)
{
    TagLib::ID3v2::CommentsFrame frame(EncodingFor(description + text));
    frame.setLanguage(ToByteVector(language.toLatin1().leftJustified(3, ' ', true)));
    frame.setDescription(ToTagString(description));
    frame.setText(ToTagString(text));
    return FrameFromTagLib(frame, "COMM", tag);
}

// A picture's description in the text encoding it is stored in.
struct PictureLabel
{
    TagLib::String::Type encoding = TagLib::String::Latin1;
    QString description;
};

Id3v2::Frame PictureFrame(const QByteArray &jpeg, short type, const PictureLabel &label, const Id3v2::Tag &tag)
{
    TagLib::ID3v2::AttachedPictureFrame frame;
    frame.setTextEncoding(label.encoding);
    frame.setMimeType("image/jpeg");
    frame.setDescription(ToTagString(label.description));
    frame.setType(static_cast<TagLib::ID3v2::AttachedPictureFrame::Type>(qBound(0, int(type), 255)));
    frame.setPicture(ToByteVector(jpeg));
    return FrameFromTagLib(frame, "APIC", tag);
}

// The text encoding byte of a picture frame as stored. TagLib keeps any byte
// in its enum, so a damaged one is read here, and read as Latin-1.
TagLib::String::Type StoredEncoding(const Id3v2::Frame &frame, int major)
{
    int at = frame.headerSize;
    if (major == 4 && (frame.Flags() & 0x0001))
        at += 4; // the data length indicator comes first
    const int byte = at < frame.bytes.size() ? uchar(frame.bytes.at(at)) : 0;
    return byte <= TagLib::String::UTF8 ? TagLib::String::Type(byte) : TagLib::String::Latin1;
}

// The picture frame without its image data: all TagLib needs to read its
// description, without copying a picture of any size.
Id3v2::Frame WithoutPictureData(const Id3v2::Frame &frame, const Id3v2::Tag &tag)
{
    const qsizetype dataAt = Id3v2::FindPictureFields(frame, tag).dataAt;
    if (dataAt < 0)
        return frame;
    const QByteArray fields = frame.bytes.mid(frame.headerSize, dataAt - frame.headerSize);
    if (frame.headerSize == 10)
        return Id3v2::MakeFrame(frame.id, fields, tag);
    QByteArray header = frame.id; // version 2.2: a three-byte size
    for (int shift = 16; shift >= 0; shift -= 8)
        header += char((fields.size() >> shift) & 0xFF);
    return {frame.id, header + fields, 6};
}

// The label of the picture that replaces the one at index (-1: a first
// picture, which has none): the old picture's own, unless another picture has
// the same description. ID3v2 allows one picture per description, and readers
// keep only one of two; spaces are added as mutagen adds them to tell such
// pictures apart.
PictureLabel LabelReplacing(const Id3v2::Tag &tag, int index)
{
    PictureLabel label;
    QSet<QString> others;
    for (int i = 0; i < tag.frames.size(); ++i) {
        if (!IsPictureFrame(tag.frames.at(i).id))
            continue;
        const FramePointer parsed = ParseFrame(WithoutPictureData(tag.frames.at(i), tag), tag);
        const auto *picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame *>(parsed.get());
        if (picture && i == index)
            label = {StoredEncoding(tag.frames.at(i), tag.major), ToQString(picture->description())};
        else if (picture)
            others.insert(ToQString(picture->description()));
    }
    while (others.contains(label.description))
        label.description += QLatin1Char(' ');
    return label;
}

QString FrameText(const Id3v2::Frame &frame, const Id3v2::Tag &tag)
{
    const FramePointer parsed = ParseFrame(frame, tag);
    const auto *text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame *>(parsed.get());
    if (!text || text->fieldList().isEmpty())
        return QString();
    // TagLib splits "(17)Rock" into "17" and "Rock"; the first names the genre.
    if (frame.id == "TCON" || frame.id == "TCO")
        return ToQString(text->fieldList().front());
    return ToQString(text->toString());
}

// Which comment is comment number 1, the one shown and edited: the first
// without a description, else the first that is no iTunes machine value
// (iTunNORM, iTunSMPB, ...); -1 when there is none.
int ShownCommentIndex(const Id3v2::Tag &tag)
{
    int described = -1;
    for (int i = 0; i < tag.frames.size(); ++i) {
        const Id3v2::Frame &frame = tag.frames.at(i);
        if (frame.id != "COMM" && frame.id != "COM")
            continue;
        const FramePointer parsed = ParseFrame(frame, tag);
        const auto *comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame *>(parsed.get());
        if (!comment)
            continue;
        if (comment->description().isEmpty())
            return i;
        if (described < 0 && !comment->description().startsWith("iTun"))
            described = i;
    }
    return described;
}

// The whole file is written anew anyway, so the audio may move freely: keep
// the tag's old size when the frames still fit without much left over (other
// programs then find the audio where it was), else leave a little padding.
qint64 TagSizeToWrite(const Id3v2::Tag &tag, qint64 oldSize)
{
    constexpr qint64 MostKeptPadding = 64 * 1024;
    constexpr qint64 NewPadding = 4096;
    qint64 needed = Id3v2::HeaderSize + tag.trailing.size();
    for (const Id3v2::Frame &frame : tag.frames)
        needed += frame.bytes.size();
    if (needed <= oldSize && oldSize - needed <= MostKeptPadding)
        return oldSize;
    return needed + NewPadding;
}

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

QByteArray ReadAt(int fd, qint64 offset, qint64 size)
{
    QByteArray bytes(int(size), '\0');
    const ssize_t got = ::pread(fd, bytes.data(), size_t(size), offset);
    return got > 0 ? bytes.left(int(got)) : QByteArray();
}

// Where the audio of the file behind fd starts: after its ID3v2 header and
// body, and after a footer only where one really stands there. Read from the
// files themselves, apart from the parsed tag, so that no misreading of the
// tag can move the audio.
qint64 AudioStart(int fd)
{
    const QByteArray header = ReadAt(fd, 0, Id3v2::HeaderSize);
    const qint64 body = Id3v2::BodyEnd(header);
    if (body == 0)
        return 0;
    return body + (Id3v2::FooterFollows(header, ReadAt(fd, body, Id3v2::FooterSize)) ? Id3v2::FooterSize : 0);
}

// The new file keeps every byte after the tag: its tag ends where the kept
// bytes begin, they begin where the original's tag ended, and only an ID3v1
// tag is ever put in place of the original's last bytes.
QString AudioKept(const FileRewrite &rewrite, qint64 originalSize, int copy, int original)
{
    const bool sameEnd = rewrite.keepTo == originalSize
                         || (rewrite.keepTo == originalSize - 128 && rewrite.tail.size() == 128
                             && rewrite.tail.startsWith("TAG") && ReadAt(original, rewrite.keepTo, 3) == "TAG");
    if (AudioStart(original) != rewrite.keepFrom || AudioStart(copy) != rewrite.head.size() || !sameEnd)
        return EnglishText("Engine", "the audio would not stay as it was");
    return QString();
}

// The byte ranges of an ID3v1 tag's fields.
struct Range
{
    int from;
    int to;
};

Range Id3v1Range(TagField field)
{
    switch (field) {
    case TagField::Title: return {3, 33};
    case TagField::Artist: return {33, 63};
    case TagField::Album: return {63, 93};
    case TagField::Year: return {93, 97};
    case TagField::Comment:
    case TagField::Track: return {97, 127};
    case TagField::Genre: return {127, 128};
    }
    return {0, 0};
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
    v2Changes_.clear();
    commentChange_.reset();
    newPicture_.reset();
    laterPictures_.clear();
    v1Changes_.clear();
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
        v2Changes_.insert(field, text);
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
        commentChange_ = text;
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
        v1Changes_.insert(field, text);
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
    newPicture_ = jpeg;
    newPictureType_ = pictureType;
    return true;
}

bool TagLibrary::ReplacePictureData(int number, const QByteArray &jpeg)
{
    if (number < 2 || number > PictureCount()) {
        SetError(TagLibraryError::NoSuchPicture, EnglishText("Engine", "there is no picture %1").arg(number));
        return false;
    }
    laterPictures_.insert(number, jpeg);
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

bool TagLibrary::HasId3v2Changes() const
{
    return !v2Changes_.isEmpty() || commentChange_.has_value() || newPicture_.has_value()
           || !laterPictures_.isEmpty();
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

// The tag as it is to be saved: the frames as they are, with only the changed
// ones made anew in their places.
Id3v2::Tag TagLibrary::EditedTag(bool *ok)
{
    *ok = false;
    if (tagAtEnd_) {
        SetError(TagLibraryError::WouldLoseData,
                 EnglishText("Engine", "the file has an ID3v2 tag at its end, which would be left behind"));
        return {};
    }
    Id3v2::Tag tag = tag_;
    if (!tag.present) {
        tag.present = true;
        tag.major = 3;
    } else if (!tag.writable) {
        SetError(TagLibraryError::WouldLoseData, tag.problem);
        return {};
    }

    if (tag.major == 2) {
        // Version 2.2 cannot be written any more: the same frames as 2.3.
        Id3v2::Tag v23;
        QString why;
        if (!Id3v2::ConvertTo23(tag, &v23, &why)) {
            SetError(TagLibraryError::WouldLoseData, why);
            return {};
        }
        tag = v23;
    }

    const auto replace = [&tag](int index, const std::optional<Id3v2::Frame> &frame) {
        if (index >= 0 && frame)
            tag.frames[index] = *frame;
        else if (index >= 0)
            tag.frames.removeAt(index);
        else if (frame)
            tag.frames.append(*frame);
    };
    const auto firstIndex = [&tag](const QByteArray &id) {
        for (int i = 0; i < tag.frames.size(); ++i) {
            if (tag.frames.at(i).id == id)
                return i;
        }
        return -1;
    };

    for (auto change = v2Changes_.cbegin(); change != v2Changes_.cend(); ++change) {
        // Each frame that holds the field takes the new value: a year kept in
        // both TYER and TDRC (as some taggers write 2.3 tags) is then the same
        // year to readers that prefer either.
        const QList<QByteArray> ids = FrameIds(change.key(), tag.major);
        const auto frameFor = [&](const QByteArray &id) {
            return change.value().isEmpty() ? std::nullopt
                                            : std::optional<Id3v2::Frame>(TextFrame(id, change.value(), tag));
        };
        bool held = false;
        for (const QByteArray &id : ids) {
            const int index = firstIndex(id);
            if (index >= 0) {
                replace(index, frameFor(id));
                held = true;
            }
        }
        if (!held)
            replace(-1, frameFor(ids.constFirst()));
    }
    if (commentChange_) {
        std::optional<Id3v2::Frame> frame;
        if (!commentChange_->isEmpty())
            frame = CommentFrame(QStringLiteral("eng"), QString(), *commentChange_, tag);
        replace(ShownCommentIndex(tag), frame);
    }
    // The frame index of picture number in the tag as edited so far.
    const auto pictureIndex = [&tag](int number) {
        for (int i = 0; i < tag.frames.size(); ++i) {
            if (IsPictureFrame(tag.frames.at(i).id) && --number == 0)
                return i;
        }
        return -1;
    };
    for (auto later = laterPictures_.cbegin(); later != laterPictures_.cend(); ++later) {
        const int index = pictureIndex(later.key());
        replace(index, PictureFrame(later.value(), GetPictureType(later.key()), LabelReplacing(tag, index), tag));
    }
    if (newPicture_) {
        const int first = pictureIndex(1);
        replace(first, PictureFrame(*newPicture_, newPictureType_, LabelReplacing(tag, first), tag));
    }
    *ok = true;
    return tag;
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
    const bool v2 = id3v2 && HasId3v2Changes();
    // A file without an ID3v1 tag does not get one.
    const bool v1 = id3v1 && !v1Changes_.isEmpty() && !id3v1_.isEmpty();
    if (!v2 && !v1)
        return -1;
    FileRewrite rewrite;
    rewrite.keepTo = fileSize_;
    if (!FileUnchangedSinceOpen() || (v2 && !PrepareId3v2(&rewrite)) || (v1 && !PrepareId3v1(&rewrite)))
        return 0;
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
    if (!FileUnchangedSinceOpen() || (HasId3v2Changes() && !PrepareId3v2(&rewrite)))
        return -1;
    QString why;
    if (!MayRewrite(realPath_, &why)) {
        SetError(TagLibraryError::NotWritable, why);
        return -1;
    }
    return rewrite.head.size() + (rewrite.keepTo - rewrite.keepFrom) + rewrite.tail.size();
}

// The new ID3v2 tag at the head of the rewrite, in place of the old one.
bool TagLibrary::PrepareId3v2(FileRewrite *rewrite)
{
    bool ok = false;
    const Id3v2::Tag edited = EditedTag(&ok);
    if (!ok)
        return false;
    // A tag is no use in a file with nothing after it: that is no MP3.
    const qint64 oldSize = tag_.present ? tag_.size : 0;
    if (fileSize_ - oldSize - id3v1_.size() <= 0) {
        SetError(TagLibraryError::NoAudio, EnglishText("Engine", "the file holds no audio"));
        return false;
    }

    const QByteArray rendered = Id3v2::Render(edited, TagSizeToWrite(edited, oldSize));
    const Id3v2::Tag check = Id3v2::Parse(rendered, rendered.size());
    if (check.frames != edited.frames || check.trailing != edited.trailing) {
        SetError(TagLibraryError::CheckFailed, EnglishText("Engine", "the new tag does not read back as written"));
        return false;
    }

    rewrite->head = rendered;
    rewrite->keepFrom = oldSize;
    return true;
}

// The ID3v1 tag with its changed fields at the tail, in place of the old one.
bool TagLibrary::PrepareId3v1(FileRewrite *rewrite)
{
    TagLib::ByteVectorStream stream(ToByteVector(id3v1_));
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    TagLib::ID3v1::Tag *tag = file.ID3v1Tag();
    if (!tag) {
        SetError(TagLibraryError::TagUnreadable, EnglishText("Engine", "the ID3v1 tag cannot be read"));
        return false;
    }
    for (auto change = v1Changes_.cbegin(); change != v1Changes_.cend(); ++change) {
        const QString &text = change.value();
        switch (change.key()) {
        case TagField::Title: tag->setTitle(ToTagString(text)); break;
        case TagField::Artist: tag->setArtist(ToTagString(text)); break;
        case TagField::Album: tag->setAlbum(ToTagString(text)); break;
        case TagField::Comment: tag->setComment(ToTagString(text)); break;
        case TagField::Track: tag->setTrack(static_cast<unsigned>(qBound(0, int(RoundToInt32(TextValue(text))), 255))); break;
        case TagField::Year: tag->setYear(static_cast<unsigned>(qMax(0, int(RoundToInt32(TextValue(text)))))); break;
        case TagField::Genre: {
            const int named = GenreTable().indexOf(GenreFromID(text));
            tag->setGenreNumber(named >= 0 ? unsigned(named) : 255u);
            break;
        }
        }
    }
    // Only the bytes of the changed fields are taken from the new rendering.
    const QByteArray rendered = ToQByteArray(tag->render());
    QByteArray updated = id3v1_;
    for (const TagField field : v1Changes_.keys()) {
        const Range range = Id3v1Range(field);
        updated.replace(range.from, range.to - range.from, rendered.mid(range.from, range.to - range.from));
    }

    rewrite->keepTo = fileSize_ - 128;
    rewrite->tail = updated;
    return true;
}

short TagLibrary::Rewrite(FileRewrite rewrite, const QDateTime &keepModified, bool keepId3v1Changes)
{
    rewrite.path = realPath_;
    rewrite.modified = ModifiedTime(keepModified, original_.State());
    rewrite.check = [rewrite, size = fileSize_](int copy, int original) {
        return AudioKept(rewrite, size, copy, original);
    };
    const RewriteResult result = RewriteFile(rewrite, original_);
    if (!result.ok) {
        SetError(result.code, result.text);
        return 0;
    }
    replaced_ = original_.State();
    otherNames_ = result.otherNames;
    // The file on disk is the new one now: read it again so that a following
    // save starts from it.
    const QMap<TagField, QString> id3v1Changes = keepId3v1Changes ? v1Changes_ : QMap<TagField, QString>();
    OpenAudioFile(path_);
    v1Changes_ = id3v1Changes;
    SetError(TagLibraryError::None);
    return -1;
}
