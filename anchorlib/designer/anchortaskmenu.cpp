// SPDX-License-Identifier: MIT
#include "anchortaskmenu.h"

#include <anchorlib/anchor.h>
#include <anchorlib/anchorlib.h>
#include <anchorlib/ppanchors.h>

#include <QtDesigner/QDesignerDynamicPropertySheetExtension>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerFormWindowCursorInterface>
#include <QtDesigner/QDesignerFormWindowInterface>
#include <QtDesigner/QDesignerPropertySheetExtension>
#include <QtDesigner/QExtensionManager>

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Tags written while the page is open go through the form's property sheet,
// so Designer records them (undo, the saved .ui file) like any edit.
QPointer<QDesignerFormWindowInterface> editedForm;

void WriteTagInDesigner(QWidget *widget, const QString &tag)
{
    QDesignerFormWindowInterface *form = editedForm.data();
    if (!form) {
        widget->setProperty(anchorlib::TagProperty, tag);
        return;
    }
    QExtensionManager *manager = form->core()->extensionManager();
    const QString name = QLatin1String(anchorlib::TagProperty);
    auto *sheet = qt_extension<QDesignerPropertySheetExtension *>(manager, widget);
    auto *dynamicSheet = qt_extension<QDesignerDynamicPropertySheetExtension *>(manager, widget);
    if (sheet && sheet->indexOf(name) < 0 && dynamicSheet
        && dynamicSheet->canAddDynamicProperty(name))
        dynamicSheet->addDynamicProperty(name, QString());
    form->cursor()->setWidgetProperty(widget, name, tag);
}

} // namespace

AnchorTaskMenu::AnchorTaskMenu(anchorlib::Anchor *anchor, QObject *parent)
    : QObject(parent)
    , anchor_(anchor)
    , editAction_(new QAction(QStringLiteral("Edit Anchors..."), this))
{
    connect(editAction_, &QAction::triggered, this, &AnchorTaskMenu::EditAnchors);
}

QAction *AnchorTaskMenu::preferredEditAction() const
{
    return editAction_;
}

QList<QAction *> AnchorTaskMenu::taskActions() const
{
    return {editAction_};
}

void AnchorTaskMenu::EditAnchors()
{
    QDesignerFormWindowInterface *form = QDesignerFormWindowInterface::findFormWindow(anchor_);
    if (!form)
        return;

    editedForm = form;
    anchorlib::SetCurrentForm(form->mainContainer());
    anchorlib::SetTagWriter(WriteTagInDesigner);

    QDialog dialog(form);
    dialog.setWindowTitle(QStringLiteral("Anchors"));
    auto *page = new anchorlib::ppAnchors(&dialog);
    auto *buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, &dialog);
    QPushButton *apply = buttons->button(QDialogButtonBox::Apply);
    apply->setEnabled(false);
    connect(page, &anchorlib::ppAnchors::Changed, apply, [apply] { apply->setEnabled(true); });
    connect(apply, &QPushButton::clicked, page, [page, apply] {
        page->Apply();
        apply->setEnabled(false);
    });
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&dialog, page] {
        page->Apply();
        dialog.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(page);
    layout->addWidget(buttons);

    page->SelectionChanged();
    dialog.exec();

    anchorlib::SetTagWriter(nullptr);
    editedForm = nullptr;
}

AnchorTaskMenuFactory::AnchorTaskMenuFactory(QExtensionManager *parent)
    : QExtensionFactory(parent)
{
}

QObject *AnchorTaskMenuFactory::createExtension(QObject *object, const QString &iid,
                                                QObject *parent) const
{
    if (iid != QLatin1String(Q_TYPEID(QDesignerTaskMenuExtension)))
        return nullptr;
    if (auto *anchor = qobject_cast<anchorlib::Anchor *>(object))
        return new AnchorTaskMenu(anchor, parent);
    return nullptr;
}
