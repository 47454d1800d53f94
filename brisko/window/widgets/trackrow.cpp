// SPDX-License-Identifier: MIT
#include "window/widgets/trackrow.h"

#include <QCoreApplication>

QStringList TrackColumnHeadings()
{
    return {
        QCoreApplication::translate("Window", "File Name"), QCoreApplication::translate("Window", "Original Size"),
        QCoreApplication::translate("Window", "Status"),    QCoreApplication::translate("Window", "New Size"),
        QCoreApplication::translate("Window", "Title"),     QCoreApplication::translate("Window", "Artist"),
        QCoreApplication::translate("Window", "Album"),     QCoreApplication::translate("Window", "Track"),
        QCoreApplication::translate("Window", "Year"),      QCoreApplication::translate("Window", "Genre"),
        QCoreApplication::translate("Window", "Comment"),
    };
}

int StatusIcon(RowStatus status)
{
    switch (status) {
    case RowStatus::Unchanged: return IconUnchanged;
    case RowStatus::NoPicture: return IconNoPicture;
    case RowStatus::Resized:
    case RowStatus::SpaceFreed:
    case RowStatus::PictureAdded: return IconResized;
    case RowStatus::TagChanged:
    case RowStatus::PicTagChanged: return IconChanged;
    case RowStatus::ResizeFailed:
    case RowStatus::LowDriveSpace:
    case RowStatus::FileMissing:
    case RowStatus::ChangePicFailed: return IconFailed;
    }
    return 0;
}

int StatusIcon(const QString &status)
{
    const std::optional<RowStatus> known = StatusFromText(status);
    return known ? StatusIcon(*known) : 0;
}

bool IsFinalStatus(const QString &status)
{
    const std::optional<RowStatus> known = StatusFromText(status);
    return known
           && (*known == RowStatus::FileMissing || *known == RowStatus::NoPicture
               || *known == RowStatus::PicTagChanged || *known == RowStatus::Resized
               || *known == RowStatus::SpaceFreed || *known == RowStatus::PictureAdded);
}
