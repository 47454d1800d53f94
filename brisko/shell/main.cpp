#include "shell/frmmain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisko"));
    QApplication::setApplicationVersion(QStringLiteral(BRISKO_VERSION));

    frmMain window;
    window.show();
    return QApplication::exec();
}
