// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "engine/tags/filestart.h"
#include "engine/tags/tagfield.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class LockedFile;
class TagContainer;

// One format the program reads: the only place that knows it. The folder
// walks, drops and command lines take files by its extensions, the file
// dialog offers them, the usage texts list them, a file is read by the
// reader of the format that recognises its content, and the memory its
// conversion needs is reserved from what its metadata declares.
struct MusicFormat
{
    const char *name;          // as people call it: "MP3", "Ogg Vorbis"
    const char *filesCaption;  // the file dialog's filter, marked for translation in "Engine"
    QStringList extensions;    // lower case, without the dot
    // Told by a marker of its own ("fLaC", "OggS", boxes), which may stand
    // behind an ID3v2 tag: such formats are asked before those that are not.
    bool ownMarker;
    bool (*recognises)(const FileStart &start);
    Result<std::unique_ptr<TagContainer>> (*read)(const LockedFile &file);
    // The bytes its metadata declares (tags, pictures): what reading it takes.
    qint64 (*metadataBytes)(const FileStart &start);
    // Whether it stores a field's text, else why not; none: it stores any text.
    Result<void> (*fits)(TagField field, const QString &text) = nullptr;
};

// Every format, in the order people are shown them.
const std::vector<MusicFormat> &MusicFormats();

// The format whose files begin as start does; none when no format's do.
const MusicFormat *RecognisedFormat(const FileStart &start);

// Why a file that no format recognises is refused, in English: "not a music
// file that Brisko reads (MP3, FLAC, Ogg Vorbis, Opus or M4A)".
Failure NotMusicFailure();

// True for names ending in a dot and an extension of a format, in any letter case.
bool HasMusicExtension(const QString &name);
// "*.mp3", "*.flac", ... of the given formats (all when none), for file dialogs.
QStringList MusicPatterns(const std::vector<MusicFormat> &formats = MusicFormats());
// A line a format, its name and extensions ("  Ogg Vorbis  .ogg .oga"), for usage texts.
QString MusicFormatLines();

// Whether the format of the file at path stores text as the field, else why
// not (an M4A track is a number and a total); a file that cannot be read
// passes (its save then tells why). Reads the file only for such text.
Result<void> FieldFits(const QString &path, TagField field, const QString &text);
