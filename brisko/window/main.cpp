// SPDX-License-Identifier: MIT
// The program's start: one instance per user, then the main window.
#include "base/translation.h"
#include "engine/convert/cmdline.h"
#include "engine/convert/workerpool.h"
#include "engine/files/localpath.h"
#include "engine/tags/tagformats.h"
#include "window/frmmain.h"
#include "window/singleinstance.h"
#include "window/widgets/artwork.h"
#include "window/widgets/statuspanels.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
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

// The arguments, each with its own bytes.
QStringList Arguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << PathFromBytes(QByteArray(argv[i]));
    return arguments;
}

const char Usage[] = QT_TRANSLATE_NOOP(
    "Window",
    "Usage: brisko [/SIZE[/QUALITY]] [FILE | FOLDER]...\n"
    "Shrinks the album art embedded in music files so that portable players can\n"
    "show it, and edits their tags, in a window.\n"
    "\n"
    "  /SIZE[/QUALITY]  longer side of the new pictures, 100 to 1000 pixels, and the\n"
    "                   JPEG quality, 50 to 100, for this run (/300/90)\n"
    "  FILE             music files to add to the list, named as below\n"
    "  FOLDER           folders whose music files, subfolders included, are added\n"
    "  --help           this text\n"
    "  --version        the version\n"
    "\n"
    "Music files:\n"
    "%1"
    "\n"
    "One Brisko runs for each user: a later start hands the files it names to the\n"
    "running window and brings it to the front. brisko-batch converts without a\n"
    "window; brisko-batch --check tells which files players may not show well.\n"
    "The Options menu puts the front cover first, gives files without art their\n"
    "folder's cover.jpg, and sets the largest picture (KB) a conversion writes.\n");

} // namespace

int main(int argc, char *argv[])
{
    // Answered on the terminal, with no window and no display needed.
    switch (FindInfoRequest(Arguments(argc, argv))) {
    case InfoRequest::Help: {
        const QCoreApplication terminal(argc, argv);
        LoadTranslations();
        std::fputs(QCoreApplication::translate("Window", Usage).arg(MusicFormatLines()).toUtf8().constData(), stdout);
        return 0;
    }
    case InfoRequest::Version:
        std::printf("brisko %s\n", BRISKO_VERSION);
        return 0;
    case InfoRequest::None:
        break;
    }

    KeepFreedMemoryForWorkers(); // the window converts as brisko-batch does
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisko"));
    QApplication::setApplicationVersion(QStringLiteral(BRISKO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(BRISKO_APP_ID));
    QApplication::setWindowIcon(AppIcon()); // every window, message boxes and file dialogs too
    LoadTranslations();
    // Qt took its own options (-style, ...) out of argv.
    const StartArguments start = ReadStartArguments(Arguments(argc, argv), QDir::currentPath());
    QStringList missing; // absolute, for the running window to name them
    for (const QString &refused : start.refused) {
        const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(refused));
        const bool there = QFileInfo::exists(path);
        if (!there)
            missing << path;
        const char *text = there ? QT_TRANSLATE_NOOP("Window", "not a music file or a folder, left out: %1")
                                 : QT_TRANSLATE_NOOP("Window", "no such file or folder, left out: %1");
        std::fprintf(stderr, "brisko: %s\n",
                     QCoreApplication::translate("Window", text).arg(ReadablePath(refused)).toUtf8().constData());
    }

    SingleInstance instance;
    if (instance.Start() == SingleInstance::Role::Secondary) {
        // whatever happens, this start ends here
        instance.HandOver(start.switches, start.paths + missing);
        return 0;
    }

    frmMain window(start.switches);
    window.AddNamedPaths(start.paths);
    const bool report = qEnvironmentVariableIsSet("BRISKO_SMOKE_TEST");
    QObject::connect(&instance, &SingleInstance::CommandReceived, &window, &frmMain::TakeHandOver);
    if (report) {
        QObject::connect(&instance, &SingleInstance::CommandReceived, &window,
                         [](const QString &handedOver, const QStringList &paths) {
                             QTextStream out(stdout);
                             out << "brought to front: " << handedOver << '\n';
                             for (const QString &path : paths)
                                 out << "handed over: " << path << '\n';
                             out.flush();
                         });
    }
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
