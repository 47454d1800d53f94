// SPDX-License-Identifier: MIT
#include "window/widgets/msgbox.h"
#include "window/widgets/globals.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

MsgBoxHandler &Handler()
{
    static MsgBoxHandler handler;
    return handler;
}

QMessageBox::Icon IconOf(int style)
{
    switch (style & 0x70) {
    case Msg::Critical: return QMessageBox::Critical;
    case Msg::Question: return QMessageBox::Question;
    case Msg::Exclamation: return QMessageBox::Warning;
    case Msg::Information: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int ShowRealBox(const QString &prompt, int style, const QString &title, QWidget *parent)
{
    // Lines may be joined by CR LF; the box wants line feeds alone.
    QString text = prompt;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(IconOf(style), title, text, QMessageBox::NoButton, parent);
    struct Choice
    {
        QMessageBox::StandardButton button;
        int result;
    };
    QList<Choice> choices;
    switch (style & 0x0F) {
    case Msg::OKCancel: choices = {{QMessageBox::Ok, Msg::OK}, {QMessageBox::Cancel, Msg::Cancel}}; break;
    case Msg::YesNoCancel:
        choices = {{QMessageBox::Yes, Msg::Yes}, {QMessageBox::No, Msg::No},
                   {QMessageBox::Cancel, Msg::Cancel}};
        break;
    case Msg::YesNo: choices = {{QMessageBox::Yes, Msg::Yes}, {QMessageBox::No, Msg::No}}; break;
    default: choices = {{QMessageBox::Ok, Msg::OK}}; break;
    }
    for (const Choice &choice : choices)
        box.addButton(choice.button);
    const bool second = (style & Msg::DefaultButton2) && choices.size() > 1;
    box.setDefaultButton(choices.at(second ? 1 : 0).button);
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const Choice &choice : choices) {
        if (choice.button == clicked)
            return choice.result;
    }
    // Closed by Escape or the window's close button: the last, most cautious choice.
    return choices.last().result;
}

} // namespace

int MsgBox(const QString &prompt, int style, const QString &title, QWidget *parent)
{
    const QString caption = title.isEmpty() ? ProgramTitle() : title;
    if (Handler())
        return Handler()(prompt, style, caption);
    return ShowRealBox(prompt, style, caption, parent);
}

void SetMsgBoxHandler(MsgBoxHandler handler)
{
    Handler() = std::move(handler);
}
