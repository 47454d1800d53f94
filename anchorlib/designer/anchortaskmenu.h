// SPDX-License-Identifier: MIT
#pragma once

#include <QtDesigner/QDesignerTaskMenuExtension>
#include <QtDesigner/QExtensionFactory>

#include <QPointer>

class QAction;
class QExtensionManager;

namespace anchorlib {
class Anchor;
}

// "Edit Anchors..." in the context menu of an Anchor on a form being designed.
class AnchorTaskMenu : public QObject, public QDesignerTaskMenuExtension
{
    Q_OBJECT
    Q_INTERFACES(QDesignerTaskMenuExtension)

public:
    AnchorTaskMenu(anchorlib::Anchor *anchor, QObject *parent);

    QAction *preferredEditAction() const override;
    QList<QAction *> taskActions() const override;

private:
    void EditAnchors();

    QPointer<anchorlib::Anchor> anchor_;
    QAction *editAction_;
};

class AnchorTaskMenuFactory : public QExtensionFactory
{
    Q_OBJECT

public:
    explicit AnchorTaskMenuFactory(QExtensionManager *parent = nullptr);

protected:
    QObject *createExtension(QObject *object, const QString &iid, QObject *parent) const override;
};
