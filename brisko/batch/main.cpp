// brisko-batch: the desktop program's conversion for whole libraries, from
// the command line, several files at once, safe to stop at any moment.
#include "batch/batchoptions.h"
#include "batch/batchreport.h"
#include "batch/batchrun.h"
#include "batch/batchwalk.h"
#include "shell/errorlog.h"

#include <QCoreApplication>

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
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Brisko"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRISKO_VERSION));

    BatchOptions options;
    const QString error = ParseBatchOptions(app.arguments().mid(1), DefaultBatchOptions(), &options);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "brisko-batch: %s\nTry 'brisko-batch --help'.\n", qPrintable(error));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(BatchUsage()), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("brisko-batch %s\n", BRISKO_VERSION);
        return 0;
    }

    QStringList problems;
    const QStringList files = CollectMp3Files(options.paths, &problems);
    for (const QString &problem : std::as_const(problems))
        std::fprintf(stderr, "brisko-batch: %s\n", qPrintable(problem));
    if (files.isEmpty() && !problems.isEmpty())
        return 2;

    CatchStopSignals();
    std::FILE *human = options.json ? stderr : stdout;
    BatchReport report(int(files.size()), options, human, ::isatty(::fileno(human)) == 1,
                       options.json ? stdout : nullptr);
    RunBatch(
        files, options, stopRequested,
        [&report](const BatchResult &result) {
            if (!result.error.isEmpty())
                LogError(QStringLiteral("brisko-batch"), result.path + QStringLiteral(": ") + result.error);
            report.Add(result);
        },
        [&report] { report.Tick(); });
    report.Finish(stopRequested);

    if (stopRequested)
        return 128 + stopSignal;
    return report.Failures() > 0 || !problems.isEmpty() ? 1 : 0;
}
