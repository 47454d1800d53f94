// SPDX-License-Identifier: MIT
#include "window/widgets/trackrow.h"

QStringList TrackColumnHeadings()
{
    return {
        QStringLiteral("File Name"), QStringLiteral("Original Size"), QStringLiteral("Status"),
        QStringLiteral("New Size"),  QStringLiteral("Title"),         QStringLiteral("Artist"),
        QStringLiteral("Album"),     QStringLiteral("Track"),         QStringLiteral("Year"),
        QStringLiteral("Genre"),     QStringLiteral("Comment"),
    };
}

int StatusIcon(RowStatus status)
{
    switch (status) {
    case RowStatus::Unchanged: return IconUnchanged;
    case RowStatus::NoPicture: return IconNoPicture;
    case RowStatus::Resized: return IconResized;
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
               || *known == RowStatus::PicTagChanged || *known == RowStatus::Resized);
}
