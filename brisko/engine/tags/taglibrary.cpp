// SPDX-License-Identifier: MIT
#include "engine/tags/taglibrary.h"

#include "engine/tags/tagformats.h"
#include "base/translation.h"
#include "engine/files/localpath.h"
#include "engine/files/replacegroup.h"
#include "engine/tags/padding.h"

#include <QFile>

#include <cstdlib>
#include <ctime>

#include <sys/stat.h>

namespace {

// The file a path leads to, links resolved, as the bytes of its name; empty
// when it leads nowhere.
QByteArray RealName(const QString &path)
{
    char *real = ::realpath(BytesFromPath(path).constData(), nullptr);
    if (!real)
        return QByteArray();
    const QByteArray resolved(real);
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

} // namespace

TagLibrary::TagLibrary() = default;
TagLibrary::~TagLibrary() = default;

void TagLibrary::Close()
{
    path_.clear();
    realName_.clear();
    reread_ = false;
    original_.Close();
    tags_.reset();
    heldMemory_.reset();
    edits_ = TagEdits();
}

void TagLibrary::SetError(int code, const QString &text)
{
    lastErrorCode_ = code;
    lastErrorText_ = text;
}

bool TagLibrary::Keep(const Result<void> &done)
{
    if (done)
        SetError(TagLibraryError::None);
    else
        SetError(done.Why());
    return done.Ok();
}

short TagLibrary::OpenAudioFile(const QString &requested)
{
    if (!Keep(Open(requested)))
        return 0;
    const Result<void> whole = TagReadWhole();
    if (!whole)
        SetError(whole.Why());
    return 1;
}

Result<void> TagLibrary::TagReadWhole() const
{
    return Tags() ? Tags()->ReadWhole() : Result<void>::Success();
}

Result<void> TagLibrary::Open(const QString &requested)
{
    const QString path = requested; // may be our own path_, which Close() clears
    Close();
    const QByteArray real = RealName(path);
    if (real.isEmpty())
        return Failure{TagLibraryError::FileNotFound, EnglishText("Engine", "File not found: %1").arg(path)};
    // Held locked until the file is closed: read and save see one file.
    if (const Result<void> opened = original_.Open(real); !opened) {
        original_.Close();
        return Failure{TagLibraryError::CannotRead,
                       EnglishText("Engine", "Cannot read %1: %2").arg(path, opened.Why().reason)};
    }
    const Result<FileStart> start = ReadFileStart(original_.Descriptor(), original_.State().st_size);
    const MusicFormat *format = start ? RecognisedFormat(*start) : nullptr;
    if (start && !format) {
        // Its bytes are never read further, let alone written.
        original_.Close();
        return NotMusicFailure();
    }
    if (start && holdMemory_) {
        Result<std::shared_ptr<void>> held = holdMemory_(format->metadataBytes(*start));
        if (!held) {
            original_.Close();
            return held.Why();
        }
        heldMemory_ = std::move(*held);
    }
    Result<std::unique_ptr<TagContainer>> read =
        start ? format->read(original_) : Result<std::unique_ptr<TagContainer>>(start.Why());
    if (!read) {
        original_.Close();
        heldMemory_.reset();
        return Failure{read.Why().code, EnglishText("Engine", "Cannot read %1: %2").arg(path, read.Why().reason)};
    }
    path_ = path;
    realName_ = real;
    tags_ = std::move(*read);
    return Result<void>::Success();
}

void TagLibrary::CloseAudioFile()
{
    Close();
}

TagContainer *TagLibrary::Tags() const
{
    if (reread_) {
        // The file on disk is the new one since the last save: read it again,
        // with the ID3v1 changes still waiting for their own save.
        auto *self = const_cast<TagLibrary *>(this);
        const TagEdits waiting = edits_;
        self->Open(path_);
        self->edits_.id3v1 = waiting.id3v1;
    }
    return tags_.get();
}

bool TagLibrary::HasTag() const
{
    return Tags() && Tags()->HasTag();
}

bool TagLibrary::HasId3v1Tag() const
{
    return Tags() && Tags()->HasId3v1();
}

QString TagLibrary::Field(TagField field) const
{
    return Tags() ? Tags()->Field(field) : QString();
}

void TagLibrary::SetField(TagField field, const QString &text)
{
    if (Tags())
        edits_.fields.insert(field, text);
}

QString TagLibrary::GetId3v2Comment(int number) const
{
    return number == 1 ? Field(TagField::Comment) : QString();
}

void TagLibrary::SetId3v2Comment(int number, const QString & /*language*/, const QString & /*description*/,
                                 const QString &text)
{
    if (number == 1)
        SetField(TagField::Comment, text);
}

QString TagLibrary::Id3v1Field(TagField field) const
{
    return Tags() ? Tags()->Id3v1Field(field) : QString();
}

void TagLibrary::SetId3v1Field(TagField field, const QString &text)
{
    if (Tags())
        edits_.id3v1.insert(field, text);
}

short TagLibrary::PictureCount() const
{
    return short(qMin(Tags() ? Tags()->PictureCount() : 0, 32767));
}

short TagLibrary::GetPictureType(int number) const
{
    const std::optional<StoredPicture> picture = Tags() ? Tags()->Picture(number) : std::nullopt;
    return picture ? picture->type : 0;
}

bool TagLibrary::PictureTypeStored(int number) const
{
    const std::optional<StoredPicture> picture = Tags() ? Tags()->Picture(number) : std::nullopt;
    return picture && picture->typeStored;
}

Result<QByteArray> TagLibrary::PictureData(int number) const
{
    const std::optional<StoredPicture> picture = Tags() ? Tags()->Picture(number) : std::nullopt;
    if (picture && picture->link)
        return Failure{TagLibraryError::PictureIsLink,
                       EnglishText("Engine", "picture %1 is a link to a picture outside the file").arg(number)};
    if (!picture || !picture->readable)
        return Failure{TagLibraryError::NoSuchPicture,
                       !picture                     ? EnglishText("Engine", "there is no picture %1").arg(number)
                       : picture->problem.isEmpty() ? EnglishText("Engine", "picture %1 cannot be read").arg(number)
                                                    : picture->problem};
    return picture->data;
}

Result<void> TagLibrary::WritePictureFile(int number, const QString &destination) const
{
    const Result<QByteArray> data = PictureData(number);
    if (!data)
        return data.Why();
    QFile file(destination);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(*data) != data->size() || !file.flush()) {
        const QString why = file.errorString();
        file.remove();
        return Failure{TagLibraryError::CannotWritePicture,
                       EnglishText("Engine", "cannot write %1: %2").arg(destination, why)};
    }
    return Result<void>::Success();
}

bool TagLibrary::SavePictureToFile(int number, const QString &destination)
{
    const Result<void> written = WritePictureFile(number, destination);
    if (!written)
        SetError(written.Why());
    return written.Ok();
}

bool TagLibrary::AddPictureFromFile(const QString &path, const QString & /*description*/, int /*number*/,
                                    short pictureType, int /*flags*/)
{
    const Result<void> added = AddPictureFile(path, pictureType);
    if (!added)
        SetError(added.Why());
    return added.Ok();
}

Result<void> TagLibrary::AddPictureFile(const QString &path, short pictureType)
{
    if (!Tags())
        return Failure{TagLibraryError::NoFileOpen, EnglishText("Engine", "no file is open")};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{TagLibraryError::PictureFileUnreadable,
                       EnglishText("Engine", "cannot read %1: %2").arg(path, file.errorString())};
    return AddPictureData(file.readAll(), pictureType);
}

Result<void> TagLibrary::AddPictureData(const QByteArray &jpeg, short pictureType)
{
    if (!Tags())
        return Failure{TagLibraryError::NoFileOpen, EnglishText("Engine", "no file is open")};
    edits_.firstPicture = TagEdits::Picture{jpeg, pictureType};
    return Result<void>::Success();
}

Result<void> TagLibrary::MovePictureToFront(int number)
{
    if (number < 1 || number > PictureCount())
        return Failure{TagLibraryError::NoSuchPicture, EnglishText("Engine", "there is no picture %1").arg(number)};
    edits_.frontPicture = number;
    return Result<void>::Success();
}

qint64 TagLibrary::TagBytes() const
{
    return Tags() ? Tags()->TagBytes() : 0;
}

Result<void> TagLibrary::ReplacePictureData(int number, const QByteArray &jpeg)
{
    if (number < 2 || number > PictureCount())
        return Failure{TagLibraryError::NoSuchPicture, EnglishText("Engine", "there is no picture %1").arg(number)};
    edits_.laterPictures.insert(number, TagEdits::Picture{jpeg, GetPictureType(number)});
    return Result<void>::Success();
}

Result<void> TagLibrary::RequireOpen(const QString &path) const
{
    if (!Tags() || path != path_)
        return Failure{TagLibraryError::NoFileOpen, EnglishText("Engine", "the file is not open: %1").arg(path)};
    return Result<void>::Success();
}

Result<void> TagLibrary::FileUnchangedSinceOpen() const
{
    // A write, a rename over it or its removal each show on the open file.
    struct stat now {};
    if (original_.IsOpen() && ::fstat(original_.Descriptor(), &now) == 0 && SameFile(now, original_.State()))
        return Result<void>::Success();
    return Failure{TagLibraryError::ChangedSinceOpen,
                   EnglishText("Engine", "the file was changed by another program after it was read")};
}

short TagLibrary::SaveId3v2Tag(const QString &path, const QDateTime &keepModified)
{
    return Keep(Save(path, keepModified, SavedTags::Main)) ? -1 : 0;
}

short TagLibrary::SaveId3v1Tag(const QString &path, const QDateTime &keepModified)
{
    return Keep(Save(path, keepModified, SavedTags::Id3v1)) ? -1 : 0;
}

Result<void> TagLibrary::Save(const QString &path, const QDateTime &keepModified, SavedTags which)
{
    otherNames_ = 0;
    savedLength_ = -1;
    const Result<void> open = RequireOpen(path);
    if (!open)
        return open;
    const bool mainTag = which != SavedTags::Id3v1;
    const bool id3v1 = which != SavedTags::Main;
    TagEdits chosen = edits_;
    if (!mainTag)
        chosen = TagEdits{{}, std::nullopt, {}, edits_.id3v1};
    if (!id3v1 || !Tags()->HasId3v1())
        chosen.id3v1.clear();
    if (!chosen.HasTagChanges() && chosen.id3v1.isEmpty())
        return Result<void>::Success();
    // The rewrite itself refuses a file changed since it was read.
    Result<FileRewrite> rewrite = Tags()->Render(chosen);
    if (!rewrite)
        return rewrite.Why();
    // ID3v1 changes not written now wait for their own save.
    return Rewrite(*rewrite, keepModified, !id3v1);
}

qint64 TagLibrary::SparePadding() const
{
    if (!Tags() || !Tags()->ReadWhole())
        return 0;
    const qint64 padding = Tags()->Padding();
    return padding > MostKeptPadding ? padding : 0;
}

void TagLibrary::ShrinkPadding()
{
    edits_.shrinkPadding = true;
}

Result<qint64> TagLibrary::SizeAfterSave(const QString &path)
{
    const Result<void> open = RequireOpen(path);
    if (!open)
        return open.Why();
    const Result<void> unchanged = FileUnchangedSinceOpen();
    if (!unchanged)
        return unchanged.Why();
    Result<FileRewrite> rewrite = Tags()->Render(
        TagEdits{edits_.fields, edits_.firstPicture, edits_.laterPictures, {}, edits_.shrinkPadding, edits_.frontPicture});
    if (!rewrite)
        return rewrite.Why();
    if (const Result<void> allowed = MayRewrite(original_); !allowed)
        return allowed.Why();
    return rewrite->NewSize();
}

Result<void> TagLibrary::Rewrite(FileRewrite rewrite, const QDateTime &keepModified, bool keepId3v1Changes)
{
    rewrite.modified = ModifiedTime(keepModified, original_.State());
    const struct stat read = original_.State();
    const Result<int> otherNames = group_ ? group_->Add(rewrite, std::move(original_)) : RewriteFile(rewrite, original_);
    if (!otherNames)
        return otherNames.Why();
    replaced_ = read;
    otherNames_ = *otherNames;
    savedLength_ = rewrite.NewSize();
    if (group_) {
        // The group holds the file now, and the new one is not in place yet.
        Close();
        return Result<void>::Success();
    }
    // A following read or save starts from the new file, read when first
    // asked for: most callers close the file now.
    edits_ = TagEdits{{}, std::nullopt, {}, keepId3v1Changes ? edits_.id3v1 : QMap<TagField, QString>()};
    reread_ = true;
    return Result<void>::Success();
}
