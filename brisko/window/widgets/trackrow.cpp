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

int StatusIcon(const QString &status)
{
    if (status == Status::Unchanged)
        return IconUnchanged;
    if (status == Status::NoPicture)
        return IconNoPicture;
    if (status == Status::Resized)
        return IconResized;
    if (status == Status::TagChanged || status == Status::PicTagChanged)
        return IconChanged;
    if (status == Status::ResizeFailed || status == Status::LowDriveSpace
        || status == Status::FileMissing || status == Status::ChangePicFailed)
        return IconFailed;
    return 0;
}

bool IsFinalStatus(const QString &status)
{
    return status == Status::FileMissing || status == Status::NoPicture
        || status == Status::PicTagChanged || status == Status::Resized;
}
