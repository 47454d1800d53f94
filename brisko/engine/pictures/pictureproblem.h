// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// Why a picture that is there cannot be converted, for people to read:
// "unsupported picture (AVIF)", "unsupported picture (12-bit JPEG)",
// "Picture too large: 40000 x 2 is beyond the limits", "damaged picture".
// Told from the picture's headers alone, after its decoding failed.
QString PictureProblem(const QByteArray &picture);

// Why a picture was refused, given what its decoder said (told): that, when
// it says more than "invalid picture", else what the headers tell. A kind
// of picture the program does not read is named by its headers.
QString RefusalReason(const QByteArray &picture, const QString &told);
