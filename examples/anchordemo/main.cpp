// SPDX-License-Identifier: MIT
// A form designed with Anchor: the list grows with the window, the picture
// stays at the top right, the button at the bottom right and the status line
// along the bottom. "--check" resizes it and reports whether every widget
// followed its edges (exit status 0) or not (1).
#include "ui_demoform.h"

#include <QApplication>
#include <QTextStream>

namespace {

int Check(QWidget &form, const Ui::DemoForm &ui)
{
    form.show();
    form.resize(520, 380); // 100 wider, 80 taller
    QCoreApplication::processEvents();

    struct Expected
    {
        QWidget *widget;
        QRect place;
    };
    const Expected expected[] = {
        {ui.lstItems, QRect(10, 34, 390, 296)},
        {ui.picPreview, QRect(410, 10, 100, 100)},
        {ui.cmdClose, QRect(410, 342, 100, 28)},
        {ui.lblStatus, QRect(10, 342, 390, 28)},
        {ui.lblPinned, QRect(10, 8, 290, 20)},
    };
    QTextStream out(stdout);
    int wrong = 0;
    for (const Expected &e : expected) {
        const QRect got = e.widget->geometry();
        out << e.widget->objectName() << ' ' << got.x() << ',' << got.y() << ' ' << got.width()
            << 'x' << got.height() << (got == e.place ? " ok" : " WRONG") << '\n';
        wrong += got != e.place;
    }
    if (ui.lblStatus->property("Tag").toString() != QLatin1String("status")) {
        out << "lblStatus kept its code in its tag\n";
        ++wrong;
    }
    return wrong == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget form;
    Ui::DemoForm ui;
    ui.setupUi(&form);
    ui.Anchor1->DoInit();
    QObject::connect(ui.cmdClose, &QPushButton::clicked, &form, &QWidget::close);

    if (app.arguments().contains(QLatin1String("--check")))
        return Check(form, ui);
    form.show();
    return QApplication::exec();
}
