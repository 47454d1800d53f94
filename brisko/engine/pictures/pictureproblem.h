// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// Why a picture that is there cannot be converted, for people to read:
// "unsupported picture (WebP)", "unsupported picture (12-bit JPEG)",
// "Picture too large: 40000 x 2 is beyond the limits", "damaged picture".
// Told from the picture's headers alone, after its decoding failed.
QString PictureProblem(const QByteArray &picture);
