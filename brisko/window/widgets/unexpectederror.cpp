// SPDX-License-Identifier: MIT
#include "window/widgets/unexpectederror.h"

#include "base/errorlog.h"
#include "base/translation.h"
#include "window/widgets/msgbox.h"

#include <QCoreApplication>

QString LastErrorMessage;

void ReportUnexpected(const QString &procedure, const QString &message, QWidget *parent)
{
    LastErrorMessage = message;
    // The box in the user's language, the log as the message came.
    MsgBox(QCoreApplication::translate("Window", "Unexpected Error: %1").arg(ShownText(LastErrorMessage)),
           Msg::Exclamation, QString(), parent);
    LogError(procedure, LastErrorMessage);
}
