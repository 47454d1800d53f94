// SPDX-License-Identifier: MIT
#include "support/mp3fixture.h"
#include "support/windowidle.h"
#include "window/dialogs/frmabout.h"
#include "window/dialogs/frmpicmod.h"
#include "window/dialogs/frmtip.h"
#include "window/frmmain.h"
#include "window/widgets/globals.h"
#include "window/widgets/tracklist.h"

#include <QAccessible>
#include <QtTest>

using namespace Mp3Fixture;

// The windows as a screen reader meets them: through the accessibility tree,
// every control it can reach or that shows something is announced by a name.
class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void everyControlIsNamed_data();
    void everyControlIsNamed();
    void tagFieldsAreAnnouncedByTheirLabels();
    void listAndPicturesAreDescribed();

private:
    // The main window with two rows, both selected, whose titles differ.
    std::unique_ptr<frmMain> WindowWithRows();

    QTemporaryDir config_;
    QTemporaryDir music_;
};

namespace {

enum class Window { Main, PictureAndTag, Tip, About };

// What a screen reader announces a control by: the label given to it, else
// its own name. Qt names a combo box on Linux by its current text, which is
// no name at all.
QString Announced(QAccessibleInterface *control)
{
    for (const auto &[label, relation] : control->relations(QAccessible::Label)) {
        const QString text = label->text(QAccessible::Name).trimmed();
        if (!text.isEmpty())
            return text;
    }
    if (control->role() == QAccessible::ComboBox)
        return QString();
    return control->text(QAccessible::Name).trimmed();
}

bool IsControl(QAccessibleInterface *node)
{
    static const QSet<QAccessible::Role> roles{
        QAccessible::PushButton, QAccessible::CheckBox,    QAccessible::RadioButton, QAccessible::ComboBox,
        QAccessible::EditableText, QAccessible::SpinBox,   QAccessible::Slider,      QAccessible::List,
        QAccessible::Tree,       QAccessible::Table,       QAccessible::Graphic,     QAccessible::Link,
        QAccessible::MenuItem,   QAccessible::ButtonMenu,  QAccessible::PageTab};
    return node->state().focusable || roles.contains(node->role())
        || (node->object() && node->object()->inherits("PictureScaler"));
}

// The visible controls below node; the rows of a list and the items of a
// combo box are its content, not controls of their own.
void CollectControls(QAccessibleInterface *node, QList<QAccessibleInterface *> *controls)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        if (!child || child->state().invisible)
            continue;
        if (IsControl(child))
            *controls << child;
        static const QSet<QAccessible::Role> wholes{QAccessible::ComboBox, QAccessible::List, QAccessible::Tree,
                                                    QAccessible::Table};
        if (!wholes.contains(child->role()))
            CollectControls(child, controls);
    }
}

QList<QAccessibleInterface *> ControlsOf(QWidget *window)
{
    QList<QAccessibleInterface *> controls;
    CollectControls(QAccessible::queryAccessibleInterface(window), &controls);
    return controls;
}

QString Describe(QAccessibleInterface *control)
{
    const QObject *object = control->object();
    return QStringLiteral("%1 %2 (%3)")
        .arg(object ? QLatin1String(object->metaObject()->className()) : QLatin1String("item"),
             object ? object->objectName() : QString())
        .arg(int(control->role()), 0, 16);
}

} // namespace

void TestAccessibility::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    QAccessible::setActive(true);
}

void TestAccessibility::init()
{
    ShowTip = false;
}

std::unique_ptr<frmMain> TestAccessibility::WindowWithRows()
{
    QStringList paths{QString()};
    for (const char *title : {"First", "Second"}) {
        Recipe recipe;
        recipe.title = QLatin1String(title);
        recipe.genre = QStringLiteral("Rock");
        paths << Write(music_.filePath(QLatin1String(title) + QStringLiteral(".mp3")), recipe);
    }
    auto window = std::make_unique<frmMain>();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qFatal("the window did not come up");
    window->GetFileInfo(paths);
    auto *list = window->findChild<TrackList *>(QStringLiteral("lvwMain"));
    if (!QTest::qWaitFor([&] { return list->RowCount() == 2 && !Probe(*window).OperationRunning; }))
        qFatal("the files were not added");
    list->selectAll();
    return window;
}

void TestAccessibility::everyControlIsNamed_data()
{
    QTest::addColumn<int>("which");
    QTest::newRow("main window") << int(Window::Main);
    QTest::newRow("Change Picture | Tag") << int(Window::PictureAndTag);
    QTest::newRow("tip") << int(Window::Tip);
    QTest::newRow("About") << int(Window::About);
}

void TestAccessibility::everyControlIsNamed()
{
    QFETCH(int, which);
    const auto main = WindowWithRows();
    std::unique_ptr<QWidget> dialog;
    switch (Window(which)) {
    case Window::Main:
        break;
    case Window::PictureAndTag:
        dialog = std::make_unique<frmPicMod>(main->findChild<TrackList *>(QStringLiteral("lvwMain")), main.get());
        break;
    case Window::Tip:
        dialog = std::make_unique<frmTip>(main.get());
        break;
    case Window::About:
        dialog = std::make_unique<frmAbout>(main.get());
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
        break;
    }
    QWidget *shown = dialog ? dialog.get() : static_cast<QWidget *>(main.get());
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown));

    const QList<QAccessibleInterface *> controls = ControlsOf(shown);
    QVERIFY(controls.size() >= 2);
    QStringList unnamed;
    for (QAccessibleInterface *control : controls) {
        if (Announced(control).isEmpty())
            unnamed << Describe(control);
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

// Fields whose files differ show "<Keep>"; they are still announced by
// their labels, in the dialog's order, and the comment's box by its own name.
void TestAccessibility::tagFieldsAreAnnouncedByTheirLabels()
{
    const auto main = WindowWithRows();
    frmPicMod dialog(main->findChild<TrackList *>(QStringLiteral("lvwMain")), main.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QStringList fields;
    QStringList values;
    QString comment;
    for (QAccessibleInterface *control : ControlsOf(&dialog)) {
        if (control->role() == QAccessible::ComboBox) {
            fields << Announced(control);
            values << control->text(QAccessible::Value);
        }
        else if (control->object() && control->object()->objectName() == QLatin1String("txtComment"))
            comment = Announced(control);
    }
    QCOMPARE(fields, (QStringList{QStringLiteral("Title"), QStringLiteral("Artist"), QStringLiteral("Album"),
                                  QStringLiteral("Track"), QStringLiteral("Year"), QStringLiteral("Genre"),
                                  QStringLiteral("Comment")}));
    QCOMPARE(values.first(), QStringLiteral("<Keep>"));
    QVERIFY(!comment.isEmpty() && comment != QLatin1String("Comment"));
}

// The list and the pictures say what they hold, not only what they are.
void TestAccessibility::listAndPicturesAreDescribed()
{
    const auto main = WindowWithRows();
    frmPicMod dialog(main->findChild<TrackList *>(QStringLiteral("lvwMain")), main.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    int described = 0;
    for (QWidget *window : {static_cast<QWidget *>(main.get()), static_cast<QWidget *>(&dialog)}) {
        for (QAccessibleInterface *control : ControlsOf(window)) {
            const bool picture = control->object() && control->object()->inherits("PictureScaler");
            if (control->role() != QAccessible::Tree && !picture)
                continue;
            QVERIFY2(!control->text(QAccessible::Description).isEmpty(), qPrintable(Describe(control)));
            if (picture)
                QCOMPARE(control->role(), QAccessible::Graphic);
            ++described;
        }
    }
    QCOMPARE(described, 4); // the list, the preview, the original and the replacement picture
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
