// SPDX-License-Identifier: MIT
#include "window/widgets/listinputlock.h"

#include <QAbstractItemView>
#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPointer>
#include <QTreeView>

namespace {

QPointer<QAbstractItemView> lockedList;

// Whether the key is the shortcut of one of the list's own commands.
bool IsListShortcut(const QKeyEvent *key)
{
    if (!lockedList)
        return false;
    const QKeySequence pressed(key->keyCombination());
    for (const QAction *action : lockedList->actions()) {
        for (const QKeySequence &shortcut : action->shortcuts()) {
            if (shortcut.matches(pressed) == QKeySequence::ExactMatch)
                return true;
        }
    }
    return false;
}

class ListInputFilter : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Claiming the key keeps the list's own commands (Delete, the
            // menu key) from running; the window's, such as Esc for "Stop",
            // still do.
            if (IsListShortcut(static_cast<QKeyEvent *>(event)))
                event->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::ContextMenu:
            return true;
        default:
            return false; // painting, sizing, the wheel, timers
        }
    }
};

ListInputFilter *filter = nullptr;

// The list, the area its rows are drawn in, and its heading bar. The scroll
// bars are widgets of their own and stay usable.
QList<QWidget *> InputParts(QAbstractItemView *list)
{
    QList<QWidget *> parts{list, list->viewport()};
    if (auto *tree = qobject_cast<QTreeView *>(list))
        parts << tree->header() << tree->header()->viewport();
    return parts;
}

} // namespace

void LockListInput(QAbstractItemView *list)
{
    if (!list || lockedList == list)
        return;
    if (lockedList)
        UnlockListInput(lockedList);
    if (!filter)
        filter = new ListInputFilter;
    for (QWidget *part : InputParts(list))
        part->installEventFilter(filter);
    lockedList = list;
}

void UnlockListInput(QAbstractItemView *list)
{
    if (!list || lockedList != list)
        return;
    for (QWidget *part : InputParts(list))
        part->removeEventFilter(filter);
    lockedList = nullptr;
}

bool ListInputLocked(const QAbstractItemView *list)
{
    return list && lockedList == list;
}
