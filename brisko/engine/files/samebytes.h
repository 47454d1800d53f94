// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

// Whether count bytes of the open file a from fromA are the same as those
// of the open file b from fromB: the check that a new copy kept what it
// should, before it replaces the original. False when either cannot be read.
// Stretches both keep in the same blocks of the disk are not read (see
// BlocksInCommon).
bool SameBytes(int a, qint64 fromA, int b, qint64 fromB, qint64 count);
// The same from these offsets up to both files' ends, which must be as far.
bool SameBytesToEnd(int a, qint64 fromA, int b, qint64 fromB);
