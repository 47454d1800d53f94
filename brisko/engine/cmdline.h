// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

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
