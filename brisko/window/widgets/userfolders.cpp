// SPDX-License-Identifier: MIT
#include "window/widgets/userfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString GetDocumentsFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return QString();
    return QDir::cleanPath(folder);
}
