// SPDX-License-Identifier: MIT
#include <anchorlib/anchorlib.h>

#include <QPointer>
#include <QVariant>
#include <QWidget>

namespace anchorlib {

namespace {

QPointer<QWidget> currentForm;
TagWriter tagWriter = nullptr;

bool IsControl(const QWidget *widget)
{
    const QString name = widget->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

void CollectControls(const QWidget *parent, QList<QWidget *> &controls)
{
    for (QObject *child : parent->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (!widget || widget->isWindow())
            continue;
        if (IsControl(widget))
            controls.append(widget);
        CollectControls(widget, controls);
    }
}

} // namespace

QString Title()
{
    return QStringLiteral("anchorlib");
}

QString VersionText()
{
    return QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}

QWidget *CurrentForm()
{
    return currentForm.data();
}

void SetCurrentForm(QWidget *form)
{
    currentForm = form;
}

QList<QWidget *> FormControls(QWidget *form)
{
    QList<QWidget *> controls;
    if (form)
        CollectControls(form, controls);
    return controls;
}

QString TagOf(const QWidget *widget)
{
    return widget ? widget->property(TagProperty).toString() : QString();
}

void SetTag(QWidget *widget, const QString &tag)
{
    if (!widget)
        return;
    if (tagWriter)
        tagWriter(widget, tag);
    else
        widget->setProperty(TagProperty, tag);
}

void SetTagWriter(TagWriter writer)
{
    tagWriter = writer;
}

} // namespace anchorlib
