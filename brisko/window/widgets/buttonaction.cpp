// SPDX-License-Identifier: MIT
#include "window/widgets/buttonaction.h"

#include <QAbstractButton>
#include <QAction>
#include <QEvent>

namespace {

// Lives as long as the action; a button gone first takes its filter along.
class EnabledFollower : public QObject
{
public:
    EnabledFollower(QAction *action, QAbstractButton *button)
        : QObject(action)
        , action_(action)
    {
        button->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange)
            action_->setEnabled(static_cast<QWidget *>(watched)->isEnabled());
        return false;
    }

private:
    QAction *action_;
};

} // namespace

void PressesButton(QAction *action, QAbstractButton *button)
{
    action->setEnabled(button->isEnabled());
    new EnabledFollower(action, button);
    QObject::connect(action, &QAction::triggered, button, &QAbstractButton::click);
}
