// SPDX-License-Identifier: MIT
#include "engine/cmdline.h"

#include "base/textvalue.h"

#include <algorithm>

namespace {

qint16 BoundedSize(qint16 size)
{
    if (size == 0)
        size = 250;
    return std::clamp<qint16>(size, 100, 1000);
}

qint16 BoundedQuality(qint16 quality)
{
    return std::clamp<qint16>(quality, 50, 100);
}

QString PanelText(const QString &lead, qint16 size, qint16 quality)
{
    return lead + QString::number(size) + QStringLiteral("  Quality:") + QString::number(quality);
}

} // namespace

ResizeSwitches ReadResizeSwitches(const QString &commandLine, qint16 storedSize,
                                  qint16 storedQuality)
{
    ResizeSwitches result;
    if (!commandLine.contains(u'/')) {
        result.targetSize = BoundedSize(storedSize);
        result.quality = BoundedQuality(storedQuality);
        result.panelText = PanelText(QStringLiteral("Resize Settings  Size:"), result.targetSize,
                                     result.quality);
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
    result.panelText = PanelText(QStringLiteral("Resize Manually Set  Size:"), result.targetSize,
                                 result.quality);
    return result;
}

QString JoinCommandLine(const QStringList &arguments)
{
    return arguments.mid(1).join(u' ');
}
