// SPDX-License-Identifier: MIT
// The program's start: one instance per user, then the main window.
#include "engine/cmdline.h"
#include "window/frmmain.h"
#include "window/singleinstance.h"
#include "window/widgets/artwork.h"
#include "window/widgets/statuspanels.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT close the window the way logging off does: at once, with
// the settings saved.
void CloseOnTerminate(frmMain &window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(signalPipe[0], &byte, 1);
        window.CloseForShutdown();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisko"));
    QApplication::setApplicationVersion(QStringLiteral(BRISKO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(BRISKO_APP_ID));
    QApplication::setWindowIcon(AppIcon()); // every window, message boxes and file dialogs too
    const QString commandLine = JoinCommandLine(QApplication::arguments());

    SingleInstance instance;
    if (instance.Start() == SingleInstance::Role::Secondary) {
        instance.HandOver(commandLine); // whatever happens, this start ends here
        return 0;
    }

    frmMain window(commandLine);
    const bool report = qEnvironmentVariableIsSet("BRISKO_SMOKE_TEST");
    QObject::connect(&instance, &SingleInstance::CommandReceived, &window,
                     [&window, report](const QString &handedOver) {
                         window.BringToFront();
                         if (report)
                             QTextStream(stdout) << "brought to front: " << handedOver << Qt::endl;
                     });
    CloseOnTerminate(window);

    // For the test suite: tell what the status bar shows once the window is up.
    if (report) {
        QObject::connect(&window, &frmMain::FirstActivated, &window, [&window] {
            QTextStream out(stdout);
            for (int panel = 1; panel <= StatusPanels::PanelCount; ++panel)
                out << "panel " << panel << ": " << window.findChild<StatusPanels *>(QStringLiteral("Statusbar"))->PanelText(panel) << '\n';
            out << "help: " << frmMain::HelpFilePath() << '\n';
            out.flush();
            if (qEnvironmentVariable("BRISKO_SMOKE_TEST") == QLatin1String("quit"))
                window.CloseForShutdown();
        });
    }

    window.show();
    return QApplication::exec();
}
