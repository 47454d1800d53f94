// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "base/tagerrors.h"
#include "engine/files/lockedfile.h"
#include "engine/tags/tagcontainer.h"
#include "engine/tags/tagedits.h"
#include "engine/tags/tagfield.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>

#include <functional>
#include <memory>

class ReplaceGroup;

// Reads and writes the tags and pictures of one audio file at a time: the
// file last passed to OpenAudioFile, held open and locked, its tags read by
// the container of its format (see TagContainer). Reading never changes a
// file and never reads the audio. Writes are collected and stored by the next
// save, which changes exactly what was asked and nothing else: in an MP3
// every other frame keeps its bytes, the audio and any ID3v1, APE or Lyrics3
// tag stay as they are, the tag keeps its version (2.2 becomes 2.3), and no
// ID3v1 tag appears that was not there. A save writes the complete new file
// beside the old one, checks it, and renames it into place; a save that
// cannot keep everything is refused and leaves the file as it was.
//
// The engine asks through the members that answer with a Result; the
// documented members with 16-bit results (OpenAudioFile, SaveId3v2Tag, ...)
// call those and keep the last failure for LastErrorCode and LastErrorText
// (see TagLibraryError), for the callers that read it that way.
class TagLibrary
{
public:
    TagLibrary();
    ~TagLibrary();
    TagLibrary(const TagLibrary &) = delete;
    TagLibrary &operator=(const TagLibrary &) = delete;

    // Opens the file, or says why not (then no file is open). The file stays
    // open and locked against other Brisko processes until it is closed or
    // another is opened. A tag that cannot be read whole still opens (see
    // TagReadWhole).
    Result<void> Open(const QString &requested);
    // Open, 1 when the file was opened, 0 otherwise; a tag that cannot be
    // read whole sets the error TagUnreadable.
    short OpenAudioFile(const QString &requested);
    // Whether the open file's tag was read whole, else why not
    // (TagUnreadable); what could be read stays usable.
    Result<void> TagReadWhole() const;
    void CloseAudioFile();
    // Memory held while an open file's tags are in memory: asked for with
    // what the file's format declares its metadata to take, before any of
    // it is read, and given back when the file is closed. It may wait, or
    // fail to refuse the file (the open fails with its failure). None:
    // nothing is held.
    using MemoryHold = std::function<Result<std::shared_ptr<void>>(qint64 metadataBytes)>;
    void HoldMemoryWith(MemoryHold hold) { holdMemory_ = std::move(hold); }
    // Saves made while a group is given wait in it to reach the disk with
    // others (see ReplaceGroup), and close the file; none: each save is on
    // disk when it returns.
    void SaveInto(ReplaceGroup *group) { group_ = group; }
    // The open file as it was when it was locked (its length, times, volume).
    const struct stat &OpenState() const { return original_.State(); }
    // The open file itself, held locked.
    const LockedFile &OpenFile() const { return original_; }

    // The file's own tag: the ID3v2 tag of an MP3, the comments of other
    // formats.
    bool HasTag() const;
    // One of the seven fields of that tag, as stored ("7/12", "(17)Rock",
    // "2004-05-06"). The comment is the first without a description, else
    // the first that is not an iTunes machine value such as iTunNORM.
    QString Field(TagField field) const;
    // Stored by the next SaveId3v2Tag; an empty text removes the field.
    void SetField(TagField field, const QString &text);

    // The "Id3v2" members are the same calls under the names the tag
    // library has always had. Comment 1 is the Comment field; it is written
    // in English with no description, what every caller passes.
    bool HasId3v2Tag() const { return HasTag(); }
    bool HasId3v1Tag() const;
    QString Id3v2Field(TagField field) const { return Field(field); }
    void SetId3v2Field(TagField field, const QString &text) { SetField(field, text); }
    QString GetId3v2Comment(int number) const;
    void SetId3v2Comment(int number, const QString &language, const QString &description,
                         const QString &text);

    // The fields of the ID3v1 tag; Genre is the genre's number as text.
    QString Id3v1Field(TagField field) const;
    // Stored by the next SaveId3v1Tag if the file has an ID3v1 tag.
    void SetId3v1Field(TagField field, const QString &text);

    // Pictures of the tag, numbered from 1 in the order they are stored.
    short PictureCount() const;
    short GetPictureType(int number) const;
    // False where the format stores no type and the picture is taken as a front cover.
    bool PictureTypeStored(int number) const;
    // Picture number's image data as stored, or why there is none.
    Result<QByteArray> PictureData(int number) const;
    // Writes picture number's image data as stored.
    Result<void> WritePictureFile(int number, const QString &destination) const;
    // WritePictureFile, false (and the error set) when it cannot.
    bool SavePictureToFile(int number, const QString &destination);
    // The next SaveId3v2Tag makes the JPEG at path picture number 1 with the
    // type given, replacing picture 1 where it stands (or adding one when
    // there is none). description and flags are accepted and not used: the
    // picture keeps picture 1's description and its text encoding (spaces
    // are added if another picture has the same description, which ID3v2
    // forbids); a first picture has none. False (and the error set) when
    // the file cannot be read or no file is open.
    bool AddPictureFromFile(const QString &path, const QString &description, int number,
                            short pictureType, int flags);
    // The same, answering with why it cannot.
    Result<void> AddPictureFile(const QString &path, short pictureType);

    // The same with the JPEG's bytes.
    Result<void> AddPictureData(const QByteArray &jpeg, short pictureType);
    // The next SaveId3v2Tag moves picture number ahead of the others, its
    // bytes and every other picture's as they are; AddPictureData then
    // replaces it, and ReplacePictureData keeps the numbers as stored.
    Result<void> MovePictureToFront(int number);
    // The bytes of the file's tag as stored (see TagContainer::TagBytes).
    qint64 TagBytes() const;
    // The next SaveId3v2Tag makes the JPEG picture number (2 or later) in
    // its place, with its type and description.
    Result<void> ReplacePictureData(int number, const QByteArray &jpeg);
    // Padding beyond what a save keeps (more than 64 KB, as saves that kept
    // a file's length left it); 0 when there is none, or the tag cannot be
    // written. The next SaveId3v2Tag gives it back after ShrinkPadding, even
    // with nothing else to change.
    qint64 SparePadding() const;
    void ShrinkPadding();
    // What SaveId3v2Tag would write, without writing: the new file's length,
    // or why the save would be refused.
    Result<qint64> SizeAfterSave(const QString &path);
    // The tags a save writes: the file's own, its ID3v1 tag, or both in one
    // rewrite of the file (the same outcome, half the writing).
    enum class SavedTags { Main, Id3v1, Both };
    // Writes the changes to the tags chosen (done too when there is nothing
    // to write), or says why the file was left as it was. With keepModified
    // valid the new file carries that modification time.
    Result<void> Save(const QString &path, const QDateTime &keepModified, SavedTags which);
    // Save, -1 when the file was written (or there was nothing to write), 0
    // (and the error set) when not.
    short SaveId3v2Tag(const QString &path, const QDateTime &keepModified = QDateTime());
    short SaveId3v1Tag(const QString &path, const QDateTime &keepModified = QDateTime());

    // After a save: the other hard links of the file replaced, which keep
    // its old content, and that file as it was read.
    int OtherNamesOfSaved() const { return otherNames_; }
    // After a save: the new file's length, as its checked copy has it; -1
    // when there was nothing to write.
    qint64 SavedLength() const { return savedLength_; }
    const struct stat &SavedOriginal() const { return replaced_; }

    int LastErrorCode() const { return lastErrorCode_; }
    QString LastErrorText() const { return lastErrorText_; }

private:
    void Close();
    void SetError(int code, const QString &text = QString());
    void SetError(const Failure &failure) { SetError(failure.code, failure.reason); }
    // Sets LastErrorCode from the answer (None when done); whether it was done.
    bool Keep(const Result<void> &done);
    Result<void> RequireOpen(const QString &path) const;
    // The open file's tags; none when no file is open.
    TagContainer *Tags() const;
    Result<void> FileUnchangedSinceOpen() const;
    Result<void> Rewrite(FileRewrite rewrite, const QDateTime &keepModified, bool keepId3v1Changes);

    QString path_;
    QByteArray realName_; // the file itself, links resolved, as the bytes of its name
    LockedFile original_;
    ReplaceGroup *group_ = nullptr;
    MemoryHold holdMemory_;
    std::shared_ptr<void> heldMemory_; // before tags_: given back after them
    std::unique_ptr<TagContainer> tags_;
    bool reread_ = false; // saved since tags_ was read
    struct stat replaced_ {};
    int otherNames_ = 0;
    qint64 savedLength_ = -1;
    TagEdits edits_;
    int lastErrorCode_ = 0;
    QString lastErrorText_;
};

// Closes the library's file, and with it the file's lock, on every way out of
// a scope: other programs wait for that lock.
class CloseOnExit
{
public:
    explicit CloseOnExit(TagLibrary &tags) : tags_(tags) {}
    ~CloseOnExit() { tags_.CloseAudioFile(); }
    CloseOnExit(const CloseOnExit &) = delete;
    CloseOnExit &operator=(const CloseOnExit &) = delete;

private:
    TagLibrary &tags_;
};
