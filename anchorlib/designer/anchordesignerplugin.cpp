// SPDX-License-Identifier: MIT
#include "anchordesignerplugin.h"

#include "anchortaskmenu.h"

#include <anchorlib/anchor.h>

#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QExtensionManager>

AnchorDesignerPlugin::AnchorDesignerPlugin(QObject *parent)
    : QObject(parent)
{
}

QString AnchorDesignerPlugin::name() const
{
    return QStringLiteral("anchorlib::Anchor");
}

QString AnchorDesignerPlugin::group() const
{
    return QStringLiteral("anchorlib");
}

QString AnchorDesignerPlugin::toolTip() const
{
    return QStringLiteral("Anchor: keeps the form's widgets on its edges");
}

QString AnchorDesignerPlugin::whatsThis() const
{
    return QStringLiteral("Drop one Anchor on a form, choose \"Edit Anchors...\" from its context "
                          "menu to set each widget's edges, and call DoInit() once the form is built.");
}

QString AnchorDesignerPlugin::includeFile() const
{
    return QStringLiteral("anchorlib/anchor.h");
}

QIcon AnchorDesignerPlugin::icon() const
{
    anchorlib::Anchor preview;
    preview.SetDesignMode(true);
    return QIcon(preview.grab());
}

bool AnchorDesignerPlugin::isContainer() const
{
    return false;
}

QWidget *AnchorDesignerPlugin::createWidget(QWidget *parent)
{
    auto *anchor = new anchorlib::Anchor(parent);
    anchor->SetDesignMode(true);
    return anchor;
}

bool AnchorDesignerPlugin::isInitialized() const
{
    return initialized_;
}

void AnchorDesignerPlugin::initialize(QDesignerFormEditorInterface *core)
{
    if (initialized_)
        return;
    QExtensionManager *manager = core->extensionManager();
    manager->registerExtensions(new AnchorTaskMenuFactory(manager), Q_TYPEID(QDesignerTaskMenuExtension));
    initialized_ = true;
}

QString AnchorDesignerPlugin::domXml() const
{
    return QStringLiteral("<ui language=\"c++\">\n"
                          " <widget class=\"anchorlib::Anchor\" name=\"Anchor1\"/>\n"
                          "</ui>\n");
}
