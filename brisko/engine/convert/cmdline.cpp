// SPDX-License-Identifier: MIT
#include "engine/convert/cmdline.h"

#include "base/textvalue.h"
#include "base/translation.h"
#include "engine/files/localpath.h"
#include "engine/tags/tagformats.h"

#include <QDir>

#include <sys/stat.h>

#include <algorithm>

namespace {

qint16 BoundedSize(qint16 size)
{
    if (size == 0)
        size = 250;
    return std::clamp<qint16>(size, MinTargetSize, MaxTargetSize);
}

qint16 BoundedQuality(qint16 quality)
{
    return std::clamp<qint16>(quality, MinQuality, MaxQuality);
}

// text: the English text, with %1 for the size and %2 for the quality.
QString PanelText(const char *text, qint16 size, qint16 quality)
{
    return EnglishText("Engine", text).arg(size).arg(quality);
}

} // namespace

ResizeSwitches ReadResizeSwitches(const QString &commandLine, qint16 storedSize,
                                  qint16 storedQuality)
{
    ResizeSwitches result;
    if (!commandLine.contains(u'/')) {
        result.targetSize = BoundedSize(storedSize);
        result.quality = BoundedQuality(storedQuality);
        result.panelText = PanelText(QT_TRANSLATE_NOOP("Engine", "Resize Settings  Size:%1  Quality:%2"),
                                     result.targetSize, result.quality);
        return result;
    }
    // At most three pieces: before the first "/", between the first and the
    // second, and all the rest.
    const qsizetype first = commandLine.indexOf(u'/');
    const qsizetype second = commandLine.indexOf(u'/', first + 1);
    const QString sizeText = commandLine.mid(first + 1, second < 0 ? -1 : second - first - 1);
    result.targetSize = BoundedSize(RoundToInt16(TextValue(sizeText)));
    result.quality = second < 0 ? qint16(80)
                                : BoundedQuality(RoundToInt16(TextValue(commandLine.mid(second + 1))));
    result.customValues = true;
    result.panelText = PanelText(QT_TRANSLATE_NOOP("Engine", "Resize Manually Set  Size:%1  Quality:%2"),
                                 result.targetSize, result.quality);
    return result;
}

QString JoinCommandLine(const QStringList &arguments)
{
    return arguments.mid(1).join(u' ');
}

InfoRequest FindInfoRequest(const QStringList &arguments)
{
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return InfoRequest::Help;
        if (argument == QLatin1String("--version"))
            return InfoRequest::Version;
    }
    return InfoRequest::None;
}

namespace {

// What a size and quality are written with ("/300/90", "/ 300 / +90.0"):
// slashes, digits, signs, dots and blanks. Anything else names a file or
// folder, there or not, and is never read as numbers.
bool IsSwitchText(const QString &argument)
{
    return std::all_of(argument.cbegin(), argument.cend(), [](QChar c) {
        return c == u'/' || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.' || c == u' '
               || c == u'\t';
    });
}

} // namespace

StartArguments ReadStartArguments(const QStringList &arguments, const QString &workingFolder)
{
    StartArguments result;
    QStringList switches = arguments.mid(0, 1); // the program's name
    const QDir folder(workingFolder);
    for (const QString &argument : arguments.mid(1)) {
        const QString path = argument.isEmpty() ? QString() : QDir::cleanPath(folder.absoluteFilePath(argument));
        // By the name's own bytes: a name that is not UTF-8 is found too.
        struct stat info {};
        const bool exists = !path.isEmpty() && ::stat(BytesFromPath(path).constData(), &info) == 0;
        if (path.isEmpty() || path == QLatin1String("/") || (!exists && IsSwitchText(argument)))
            switches << argument;
        else if (exists && (S_ISDIR(info.st_mode) || (S_ISREG(info.st_mode) && HasMusicExtension(path))))
            result.paths << path;
        else
            result.refused << argument;
    }
    result.switches = JoinCommandLine(switches);
    return result;
}
