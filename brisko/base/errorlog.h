// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The log of unexpected errors that a user can send to support.
//
// Each entry is three lines ending in CR LF: the local date and time (short
// date, a blank, long time), the procedure name, a tab and the message, and an
// empty line. A log grown past 20480 bytes is started afresh. Logging never
// fails loudly: whatever goes wrong, the caller carries on.

inline const QString ErrorLogFileName = QStringLiteral("Brisko Error Log.txt");
constexpr qint64 ErrorLogSizeLimit = 20480;

// Where the log lives: beside the executable in a build (a CMakeCache.txt
// in the folder above) whose folder may be written, otherwise in the user's
// data folder (~/.local/share/Brisko).
QString ErrorLogPath();
// The same for a program in programFolder.
QString ErrorLogPathFor(const QString &programFolder);

void LogError(const QString &procedure, const QString &message);

// Adds one entry to the log at logPath; the rules above, for any file.
void AppendErrorEntry(const QString &logPath, const QString &procedure, const QString &message);
