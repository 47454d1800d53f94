// SPDX-License-Identifier: MIT
#include "window/widgets/openex.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

ShellOpener &Opener()
{
    static ShellOpener opener;
    return opener;
}

bool IsLink(const QString &text)
{
    return text.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)
           || text.contains(QLatin1String("://"));
}

} // namespace

bool ShellOpenFile(QWidget *, const QString &path)
{
    if (path.isEmpty())
        return false;
    const QUrl url = IsLink(path) ? QUrl(path) : QUrl::fromLocalFile(path);
    if (Opener())
        return Opener()(url);
    return QDesktopServices::openUrl(url);
}

void SetShellOpener(ShellOpener opener)
{
    Opener() = std::move(opener);
}
