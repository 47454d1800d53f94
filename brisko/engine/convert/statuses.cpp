// SPDX-License-Identifier: MIT
#include "engine/convert/statuses.h"

#include "base/translation.h"

#include <cmath>

namespace {

constexpr RowStatus AllStatuses[] = {
    RowStatus::Unchanged,    RowStatus::NoPicture,  RowStatus::Resized,
    RowStatus::ResizeFailed, RowStatus::LowDriveSpace, RowStatus::FileMissing,
    RowStatus::TagChanged,   RowStatus::PicTagChanged, RowStatus::ChangePicFailed, RowStatus::SpaceFreed,
    RowStatus::PictureAdded,
};

} // namespace

QString StatusText(RowStatus status)
{
    switch (status) {
    case RowStatus::Unchanged: return EnglishText("Status", "Unchanged");
    case RowStatus::NoPicture: return EnglishText("Status", "No Picture");
    case RowStatus::Resized: return EnglishText("Status", "Resized");
    case RowStatus::ResizeFailed: return EnglishText("Status", "Resize Failed");
    case RowStatus::LowDriveSpace: return EnglishText("Status", "Low Drive Space");
    case RowStatus::FileMissing: return EnglishText("Status", "File Missing");
    case RowStatus::TagChanged: return EnglishText("Status", "Tag Changed");
    case RowStatus::PicTagChanged: return EnglishText("Status", "Pic | Tag Changed");
    case RowStatus::ChangePicFailed: return EnglishText("Status", "Change Pic Failed");
    case RowStatus::SpaceFreed: return EnglishText("Status", "Space Freed");
    case RowStatus::PictureAdded: return EnglishText("Status", "Picture Added");
    }
    return QString();
}

std::optional<RowStatus> StatusFromText(const QString &text)
{
    for (const RowStatus status : AllStatuses) {
        if (StatusText(status) == text)
            return status;
    }
    return std::nullopt;
}

QStringList StatusTexts()
{
    QStringList texts;
    for (const RowStatus status : AllStatuses)
        texts << StatusText(status);
    return texts;
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
