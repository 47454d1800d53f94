#include "processing/trackrow.h"

#include <cmath>

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

QString SizeText(int width, int height)
{
    return QString::number(width) + QStringLiteral(" x ") + QString::number(height);
}

QString FormatSize(float bytes)
{
    constexpr double KB = 1024.0;
    constexpr double MB = KB * KB;
    constexpr double GB = MB * KB;

    double divisor = GB;
    QString unit = QStringLiteral(" GB");
    if (bytes <= 999 * KB) {
        divisor = KB;
        unit = QStringLiteral(" KB");
    } else if (bytes <= 999 * MB) {
        divisor = MB;
        unit = QStringLiteral(" MB");
    }

    // Round to hundredths, halves away from zero. The quotient of a float by a
    // power of two is exact in a double, and so is a hundred times it, so a
    // half such as 0.125 KB really rounds up.
    const double hundredths = std::round(double(bytes) / divisor * 100.0);
    if (!(std::fabs(hundredths) < 1e18)) // beyond any disk, or not a number
        return QString::number(double(bytes) / divisor, 'f', 2) + unit;

    const auto cents = static_cast<long long>(hundredths);
    const long long magnitude = cents < 0 ? -cents : cents;
    return QLatin1String(cents < 0 ? "-" : "") + QString::number(magnitude / 100) + QLatin1Char('.')
        + QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0')) + unit;
}
