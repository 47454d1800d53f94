// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

// How much padding a save leaves between a file's tags and its audio, by one
// rule for every format. The whole file is written anew anyway, so keeping
// its length gains nothing: what a shrunk picture frees is given back.
// Padding that takes up a small change stays, so that the audio stays where
// it is; otherwise the padding is a few kilobytes, chosen so that the audio
// moves by whole blocks of the file system, whose blocks a copy-on-write file
// system can then share between the old file and the new one.

// The most padding a save keeps so that the audio need not move.
constexpr qint64 MostKeptPadding = 64 * 1024;
// The padding a save leaves where the audio moves: room for small edits.
constexpr qint64 FreshPadding = 4096;

// The padding's size, for audio that begins at audioStart now and would
// begin at unpadded with no padding: what puts the audio where it is, when
// that is no more than MostKeptPadding bytes; else FreshPadding and less
// than one block of block bytes more, so that the audio moves by whole
// blocks. smallest: the least padding the format can hold other than none
// (a padding block's or box's header).
qint64 ChoosePadding(qint64 unpadded, qint64 audioStart, qint64 block, qint64 smallest = 0);

// The bytes from `from` up to the next multiple of block: what the padding
// adds so that the audio moves by whole blocks.
qint64 ToWholeBlocks(qint64 from, qint64 block);
