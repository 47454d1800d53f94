// SPDX-License-Identifier: MIT
#include <anchorlib/anchor.h>

#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <QPluginLoader>
#include <QtTest>

class TestDesignerPlugin : public QObject
{
    Q_OBJECT

private slots:
    void loadsAndNamesTheWidget();
};

void TestDesignerPlugin::loadsAndNamesTheWidget()
{
    QPluginLoader loader(QStringLiteral(ANCHORLIB_DESIGNER_PLUGIN));
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
    auto *plugin = qobject_cast<QDesignerCustomWidgetInterface *>(loader.instance());
    QVERIFY(plugin);

    QCOMPARE(plugin->name(), QStringLiteral("anchorlib::Anchor"));
    QCOMPARE(plugin->includeFile(), QStringLiteral("anchorlib/anchor.h"));
    QVERIFY(!plugin->isContainer());
    QVERIFY(plugin->domXml().contains(QStringLiteral("class=\"anchorlib::Anchor\"")));
    QVERIFY(plugin->domXml().contains(QStringLiteral("name=\"Anchor1\"")));
    QVERIFY(!plugin->icon().isNull());

    // On a form being designed the control shows itself.
    QWidget form;
    QWidget *created = plugin->createWidget(&form);
    auto *anchor = qobject_cast<anchorlib::Anchor *>(created);
    QVERIFY(anchor);
    QVERIFY(anchor->DesignMode());
    QVERIFY(!anchor->isHidden());
}

QTEST_MAIN(TestDesignerPlugin)
#include "tst_designerplugin.moc"
