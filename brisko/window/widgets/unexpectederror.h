// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QWidget;

// The message of the error being handled, shared by the handler's message box
// and its log entry.
extern QString LastErrorMessage;

// An error nothing else handles: LastErrorMessage, the message box
// "Unexpected Error: " and the message, and the log entry.
void ReportUnexpected(const QString &procedure, const QString &message, QWidget *parent);
