// SPDX-License-Identifier: MIT
#pragma once

#include "window/widgets/msgbox.h"

#include <QStringList>

// Answers every message box with OK and keeps its text in *shown.
inline void CollectMessageBoxes(QStringList *shown)
{
    shown->clear();
    SetMsgBoxHandler([shown](const QString &prompt, int, const QString &) {
        *shown << prompt;
        return Msg::OK;
    });
}
