// SPDX-License-Identifier: MIT
#pragma once

// The codes LastErrorCode gives.
namespace TagLibraryError {
constexpr int None = 0;
constexpr int FileNotFound = 201;
constexpr int CannotRead = 202;
constexpr int TagUnreadable = 208;      // the ID3v2 tag is there but cannot be read whole
constexpr int NoFileOpen = 210;
constexpr int NoSuchPicture = 211;
constexpr int PictureFileUnreadable = 212;
constexpr int CannotWritePicture = 213;
constexpr int PictureIsLink = 214;      // the picture is the address of one outside the file
constexpr int NotWritable = 220;        // the user may not write the file or its folder
constexpr int WriteFailed = 221;        // the new file could not be written (disk full, ...)
constexpr int CheckFailed = 222;        // the new file did not read back as written
constexpr int WouldLoseData = 223;      // the tag cannot be saved without losing something
constexpr int ChangedSinceOpen = 224;   // another program changed the file meanwhile
constexpr int NoAudio = 225;            // nothing follows the tag: not an MP3 file
constexpr int NotMusic = 226;           // no format the program reads recognises the file
constexpr int NoRoom = 227;             // the volume cannot hold the new file
} // namespace TagLibraryError
