// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

class QWidget;

// Every message box of the program goes through MsgBox, so tests can answer
// them. Buttons and icons add up as the classic message-box flags do.
namespace Msg {
constexpr int OKOnly = 0;
constexpr int OKCancel = 1;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
constexpr int DefaultButton2 = 256;

// The button the user chose.
constexpr int OK = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace Msg

// Shows a modal message box and returns the chosen button. An empty title
// gives the program's title.
int MsgBox(const QString &prompt, int style = Msg::OKOnly, const QString &title = QString(),
           QWidget *parent = nullptr);

// Replaces the real message box (nullptr restores it). The handler gets the
// prompt, the style and the resolved title, and returns the button chosen.
using MsgBoxHandler = std::function<int(const QString &prompt, int style, const QString &title)>;
void SetMsgBoxHandler(MsgBoxHandler handler);
