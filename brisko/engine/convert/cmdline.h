// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

// The ranges a conversion's picture size and JPEG quality are held to.
constexpr qint16 MinTargetSize = 100;
constexpr qint16 MaxTargetSize = 1000;
constexpr qint16 MinQuality = 50;
constexpr qint16 MaxQuality = 100;
// The largest picture a conversion may write, in KB (0 for no limit).
constexpr int MaxLargestPictureKB = 16 * 1024;

// The picture size and JPEG quality of a conversion run, as settled at
// start-up from the command line or, without switches, from the settings.
struct ResizeSwitches
{
    qint16 targetSize = 250;
    qint16 quality = 80;
    bool customValues = false; // true when they came from the command line
    QString panelText;         // what the status bar shows about them
};

// The command line has the form: any text, "/", the size, and optionally "/"
// and the quality ("/300/90"); a further "/" and what follows it are ignored.
// Numbers are read with TextValue and rounded halves to even; a size of 0
// means 250; the size is then held to 100..1000 and the quality to 50..100.
// A number beyond the 16-bit range is held there first and then bounded like
// any other, so "/99999" is 1000. Without a "/" the stored values are bounded
// the same way.
ResizeSwitches ReadResizeSwitches(const QString &commandLine, qint16 storedSize,
                                  qint16 storedQuality);

// The command line as one text, the way a second start hands it over: the
// arguments after the program's name joined by blanks.
QString JoinCommandLine(const QStringList &arguments);

// Both read the arguments with the program's name first, as the process got
// them.

// --help and --version (-h too) are answered on the terminal, before any
// window or display is needed.
enum class InfoRequest
{
    None,
    Help,
    Version
};
InfoRequest FindInfoRequest(const QStringList &arguments);

// What a start of the window names, its arguments sorted out: an argument
// that names an existing folder or music file (see HasMusicExtension) is a
// path, made absolute against the folder the start was made in (the root
// folder alone stays a switch: nobody means every file of the system); text
// made only of slashes, digits, signs, dots and blanks is switch text, so
// "/300/90" keeps working beside paths; everything else (another file, a
// path that is not there) is refused.
struct StartArguments
{
    QString switches;    // the switch arguments joined by blanks
    QStringList paths;   // music files and folders, absolute, in the order given
    QStringList refused; // arguments naming no folder and no music file there, as given
};
StartArguments ReadStartArguments(const QStringList &arguments, const QString &workingFolder);
