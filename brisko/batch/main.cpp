// SPDX-License-Identifier: MIT
// brisko-batch: the desktop program's conversion for whole libraries, from
// the command line, several files at once, safe to stop at any moment.
#include "base/errorlog.h"
#include "base/translation.h"
#include "batch/batchcheck.h"
#include "batch/batchoptions.h"
#include "batch/batchreport.h"
#include "batch/batchrun.h"
#include "batch/batchwalk.h"
#include "engine/convert/workerpool.h"
#include "engine/files/atomicsave.h"
#include "engine/files/localpath.h"
#include "engine/files/lockedfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstdio>

#include <unistd.h>

namespace {

std::atomic<bool> stopRequested{false};
std::atomic<int> stopSignal{0};

void OnStop(int signal)
{
    stopSignal = signal;
    stopRequested = true;
}

void CatchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed output shows as a failed write instead, which stops the run
    // after the files in hand rather than killing it in the middle of one.
    std::signal(SIGPIPE, SIG_IGN);
}

// The arguments as the bytes they are: a file name that is not UTF-8 stays
// the name of its file.
QStringList Arguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << PathFromBytes(QByteArray(argv[i]));
    return arguments;
}

// A message on standard error, after the program's name.
void PrintError(const QString &message)
{
    std::fprintf(stderr, "brisko-batch: %s\n", message.toUtf8().constData());
}

// For tests: with BRISKO_TEST_PAUSE_BEFORE_REPLACE naming a folder, each
// save, its new file complete, and each pointing of another name at it,
// writes the name into "paused" there and waits for "go", which it takes
// away, before its last look at the name, so a test can change the file
// meanwhile or kill the run. BRISKO_TEST_LOCK_PATIENCE_MS shortens the wait
// for a lock whose holder does nothing.
void HooksForTests()
{
    const int patience = qEnvironmentVariableIntValue("BRISKO_TEST_LOCK_PATIENCE_MS");
    if (patience > 0)
        SetLockPatience(std::chrono::milliseconds(patience));
    const QByteArray folder = qgetenv("BRISKO_TEST_PAUSE_BEFORE_REPLACE");
    if (folder.isEmpty())
        return;
    SetBeforeReplaceHook([folder](const QString &path) {
        QFile paused(QString::fromLocal8Bit(folder + "/paused"));
        if (paused.open(QIODevice::WriteOnly))
            paused.write(BytesFromPath(path));
        paused.close();
        const QString go = QString::fromLocal8Bit(folder + "/go");
        for (int waited = 0; waited < 60000 && !QFile::exists(go); waited += 10)
            QThread::msleep(10);
        QFile::remove(go);
    });
}

} // namespace

int main(int argc, char *argv[])
{
    KeepFreedMemoryForWorkers();
    const QStringList arguments = Arguments(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Brisko"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRISKO_VERSION));
    // Words for people in the user's language; JSON and exit codes stay as they are.
    LoadTranslations();

    BatchOptions options;
    const QString error = ParseBatchOptions(arguments, DefaultBatchOptions(), &options);
    if (!error.isEmpty()) {
        PrintError(error + u'\n' + QCoreApplication::translate("Batch", "Try 'brisko-batch --help'."));
        return 2;
    }
    if (options.help) {
        std::fputs(BatchUsage().toUtf8().constData(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("brisko-batch %s\n", BRISKO_VERSION);
        return 0;
    }

    QStringList problems;
    const QList<BatchFile> files = CollectMusicFiles(options.paths, &problems);
    for (const QString &problem : std::as_const(problems))
        PrintError(problem);
    if (files.isEmpty() && !problems.isEmpty())
        return 2;

    CatchStopSignals();
    HooksForTests();
    std::FILE *human = options.json ? stderr : stdout;
    if (options.check) {
        const int notReady = RunCheck(files, options, stopRequested, human, options.json ? stdout : nullptr);
        if (notReady < 0)
            return 128 + SIGPIPE;
        if (stopRequested)
            return 128 + stopSignal;
        return notReady > 0 || !problems.isEmpty() ? 1 : 0;
    }
    BatchReport report(int(files.size()), options, human, ::isatty(::fileno(human)) == 1,
                       options.json ? stdout : nullptr);
    RunBatch(
        files, options, stopRequested,
        [&report](const BatchResult &result) {
            if (!result.error.isEmpty())
                LogError(QStringLiteral("brisko-batch"), ReadablePath(result.path) + QStringLiteral(": ") + result.error);
            report.Add(result);
            if (report.OutputClosed() && !stopRequested.exchange(true))
                stopSignal = SIGPIPE;
        },
        [&report] { report.Tick(); });
    report.Finish(stopRequested);

    if (stopRequested)
        return 128 + stopSignal;
    return report.Failures() > 0 || !problems.isEmpty() ? 1 : 0;
}
