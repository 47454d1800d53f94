// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QtGlobal>

// The number at the start of a text, read the way the program reads every
// number typed or stored as text:
// - blanks, tabs and line feeds anywhere in the text are skipped ("1 2" is 12);
// - then an optional sign, digits, an optional decimal point and digits, and
//   an optional exponent (E or D, an optional sign, digits); or
// - the prefix &H with hexadecimal digits, or &O with octal digits, read as a
//   non-negative whole number;
// - reading stops at the first character that cannot continue the number;
// - a text without a number gives 0.
// Exponents beyond the range of a double give plus or minus infinity, or zero.
double TextValue(const QString &text);

// A number stored into a 16- or 32-bit integer: rounded to the nearest whole
// number, halves to even (0.5 gives 0, 1.5 and 2.5 give 2). Values beyond the
// type's range are held at its smallest or largest value, and a value that is
// not a number gives 0, so no input can overflow.
qint16 RoundToInt16(double value);
qint32 RoundToInt32(double value);
