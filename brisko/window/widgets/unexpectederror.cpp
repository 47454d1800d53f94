// SPDX-License-Identifier: MIT
#include "window/widgets/unexpectederror.h"

#include "base/errorlog.h"
#include "window/widgets/msgbox.h"

QString LastErrorMessage;

void ReportUnexpected(const QString &procedure, const QString &message, QWidget *parent)
{
    LastErrorMessage = message;
    MsgBox(QStringLiteral("Unexpected Error: ") + LastErrorMessage, Msg::Exclamation, QString(), parent);
    LogError(procedure, LastErrorMessage);
}
