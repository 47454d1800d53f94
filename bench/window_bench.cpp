// SPDX-License-Identifier: MIT
// How fast the real main window adds files and converts their art.
//
//   window_bench [--files N]... [--dir FOLDER]
//
// For each N (1,000 and 10,000 unless given), builds a library of N small
// MP3 files (albums of 10 to 15 tracks sharing their art), opens the main
// window offscreen, answers its file dialog with every file, presses "Add
// Files" and then "Resize All"; then clears the list, adds the library again
// with "Add Folder", changes the album and picture of every file at once,
// and removes every other row, then the rest. Prints files
// per second for each step with the time per file, so growth that is not
// linear shows, and "Resize All" beside brisko-batch on the same library.
// Last, how long the preview of a 3000 x 3000 progressive JPEG holds the
// window's thread, and how long until it is shown.
#include "benchcorpus.h"

#include "window/dialogs/frmpicmod.h"
#include "window/dialogs/keptpicture.h"
#include "engine/convert/workerpool.h"
#include "engine/tags/taglibrary.h"
#include "window/frmmain.h"
#include "window/widgets/clsopensave.h"
#include "window/widgets/folderbrowser.h"
#include "window/widgets/globals.h"
#include "window/widgets/msgbox.h"
#include "window/widgets/tracklist.h"
#include "support/windowprobe.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

#include <sys/resource.h>
#include <unistd.h>

namespace {

double PeakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// The CPU time used so far (RUSAGE_SELF, RUSAGE_THREAD, RUSAGE_CHILDREN).
double CpuSeconds(int who)
{
    struct rusage usage {};
    ::getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The same library converted by brisko-batch with as many jobs as the
// window has workers: the window's "Resize All" should keep up with it.
// cpu: the CPU time brisko-batch used.
double BatchSeconds(int count, int jobs, const CorpusShape &shape, const QString &parent, double *cpu)
{
    QTemporaryDir library(parent + QStringLiteral("/batch-XXXXXX"));
    Generate(library.path(), count, shape);
    ::sync(); // the new library is on disk before the clock starts, as for the window
    QProcess batch;
    QElapsedTimer clock;
    clock.start();
    batch.start(QCoreApplication::applicationDirPath() + QStringLiteral("/brisko-batch"),
                {QStringLiteral("--jobs"), QString::number(jobs), QStringLiteral("--size"), QStringLiteral("250"),
                 QStringLiteral("--quality"), QStringLiteral("80"), library.path()});
    const double before = CpuSeconds(RUSAGE_CHILDREN);
    batch.waitForFinished(-1);
    *cpu = CpuSeconds(RUSAGE_CHILDREN) - before;
    return clock.nsecsElapsed() / 1e9;
}

// Runs the event loop as the program does until done: the workers' results
// are shown as they come.
void RunUntil(const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    loop.exec();
}

// Until the window's operation has ended.
void RunUntilIdle(frmMain &window)
{
    RunUntil([&window] { return !Probe(window).OperationRunning; });
}

// The longest the window's thread went without handling its events while
// an operation ran: a click on "Stop" or a repaint waits at most that long.
class EventGaps
{
public:
    EventGaps()
    {
        QObject::connect(&tick_, &QTimer::timeout, [this] {
            worst_ = qMax(worst_, clock_.restart());
        });
    }
    void Start()
    {
        worst_ = 0;
        clock_.start();
        tick_.start(5);
    }
    qint64 Stop()
    {
        tick_.stop();
        return worst_;
    }

private:
    QTimer tick_;
    QElapsedTimer clock_;
    qint64 worst_ = 0;
};

void Measure(int count, const QString &parent)
{
    QTemporaryDir library(parent + QStringLiteral("/library-XXXXXX"));
    CorpusShape shape;
    shape.artSide = 600;
    shape.audioBytes = 150'000;
    QElapsedTimer clock;
    clock.start();
    const qint64 bytes = Generate(library.path(), count, shape);
    // Gigabytes just written would still be flushing while the files are
    // read, and the figures would measure the disk's writing.
    ::sync();
    const QStringList files = Files(library.path());
    std::printf("N = %d: library of %.0f MB made in %.1f s\n", count, bytes / 1e6, clock.nsecsElapsed() / 1e9);

    clsOpenSave::SetFileDialogRunner([&files](const clsOpenSave::Request &) {
        return clsOpenSave::Answer{true, files, 0};
    });
    frmMain window;
    Probe(window).TargetSize = 250;
    Probe(window).Quality = 80;
    window.show();
    QApplication::processEvents();

    clock.restart();
    Probe(window).cmdFiles->click();
    RunUntilIdle(window);
    const double adding = clock.nsecsElapsed() / 1e9;
    const int rows = Probe(window).lvwMain()->RowCount();

    EventGaps gaps;
    clock.restart();
    gaps.Start();
    const double windowCpuBefore = CpuSeconds(RUSAGE_THREAD);
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    Probe(window).cmdConvert->click();
    RunUntilIdle(window);
    const double resizing = clock.nsecsElapsed() / 1e9;
    const double windowCpu = CpuSeconds(RUSAGE_THREAD) - windowCpuBefore;
    const double resizingCpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;
    const qint64 resizeGap = gaps.Stop();
    int resized = 0;
    for (int row = 1; row <= rows; ++row)
        resized += Probe(window).lvwMain()->Field(row, ColStatus) == QLatin1String("Resized");

    std::printf("  add files  %6d rows    %7.2f s %8.1f files/s %7.3f ms/file\n", rows, adding,
                rows / adding, adding * 1000 / rows);
    std::printf("  resize all %6d resized %7.2f s %8.1f files/s %7.3f ms/file  peak %.0f MB; %d workers, "
                "events waited at most %lld ms\n",
                resized, resizing, rows / resizing, resizing * 1000 / rows, PeakMegabytes(), Probe(window).Workers,
                resizeGap);
    double batchCpu = 0;
    const double batch = BatchSeconds(count, Probe(window).Workers, shape, parent, &batchCpu);
    std::printf("  brisko-batch --jobs %d on the same library %7.2f s %8.1f files/s; window / batch %.2f\n", Probe(window).Workers, batch,
                rows / batch, batch / resizing);
    std::printf("  CPU: resize all %.2f s, of which the window's thread %.2f s; brisko-batch %.2f s\n", resizingCpu,
                windowCpu, batchCpu);

    window.ClearList();
    SetFolderBrowserRunner([&library](const QString &, QWidget *, const QString &) { return library.path(); });
    clock.restart();
    Probe(window).cmdFolder->click();
    RunUntilIdle(window);
    const double folder = clock.nsecsElapsed() / 1e9;
    std::printf("  add folder %6d rows    %7.2f s %8.1f files/s %7.3f ms/file\n", Probe(window).lvwMain()->RowCount(),
                folder, rows / folder, folder * 1000 / rows);

    // "Change Picture | Tag" on every row: a new album name and a new picture.
    Probe(window).lvwMain()->selectAll();
    KeptPicture = QImage(700, 700, QImage::Format_RGB32);
    KeptPicture.fill(Qt::darkYellow);
    QTimer::singleShot(50, [] {
        if (auto *dialog = qobject_cast<frmPicMod *>(QApplication::activeModalWidget())) {
            dialog->cboTagData[frmPicMod::Album]->setEditText(QStringLiteral("Collected"));
            dialog->Save();
        }
    });
    clock.restart();
    window.ReplacePicture();
    RunUntilIdle(window);
    const double changing = clock.nsecsElapsed() / 1e9;
    std::printf("  change picture | tag %6d rows %7.2f s %8.1f files/s %7.3f ms/file\n", rows, changing,
                rows / changing, changing * 1000 / rows);

    // The same again, stopped after half a second: how long until the files
    // in hand are finished and the window is idle.
    QTimer::singleShot(50, [] {
        if (auto *dialog = qobject_cast<frmPicMod *>(QApplication::activeModalWidget())) {
            dialog->cboTagData[frmPicMod::Album]->setEditText(QStringLiteral("Stopped"));
            dialog->Save();
        }
    });
    QElapsedTimer sinceStop;
    QTimer::singleShot(500, &window, [&] {
        sinceStop.start();
        Probe(window).cmdCancel->click();
    });
    gaps.Start();
    window.ReplacePicture();
    RunUntilIdle(window);
    std::printf("  stop during change picture | tag: idle %lld ms after the click; events waited at most %lld ms\n",
                sinceStop.isValid() ? sinceStop.elapsed() : -1, gaps.Stop());
    KeptPicture = QImage();

    // Every other row selected: the most separate pieces to take out.
    TrackList *list = Probe(window).lvwMain();
    list->clearSelection();
    for (int row = 0; row < list->RowCount(); row += 2)
        list->topLevelItem(row)->setSelected(true);
    const int half = int(list->RowIndexes(true).size());
    clock.restart();
    window.RemoveSelected();
    const double alternate = clock.nsecsElapsed() / 1e9;
    list->selectAll();
    const int rest = list->RowCount();
    clock.restart();
    window.RemoveSelected();
    const double all = clock.nsecsElapsed() / 1e9;
    std::printf("  remove every other row: %6d in %6.3f s %7.3f ms/row; the other %6d at once: %6.3f s\n", half,
                alternate, alternate * 1000 / half, rest, all);
    std::fflush(stdout);
    SetFolderBrowserRunner(nullptr);
    window.close();
}

// Shows the preview of each file in turn, rounds times: the time the
// request held the window's thread, and until the picture was shown.
void MeasurePreview(const QString &parent, int rounds = 5)
{
    QTemporaryDir library(parent + QStringLiteral("/preview-XXXXXX"));
    Generate(library.path(), 2);
    const QStringList files = Files(library.path());
    TagLibrary tags;
    if (tags.OpenAudioFile(files.at(1)) != 1 || !tags.AddPictureData(Art(3000, true, false, 7), 3)
        || tags.SaveId3v2Tag(files.at(1)) != -1)
        qFatal("cannot write the 3000 x 3000 picture");
    tags.CloseAudioFile();

    frmMain window;
    window.show();
    window.GetFileInfo(QStringList{QString()} + files);
    RunUntilIdle(window);
    EventGaps gaps;
    qint64 held = 0;
    qint64 shown = 0;
    qint64 waited = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const QString &path : files) {
            QElapsedTimer clock;
            clock.start();
            gaps.Start();
            window.ShowPicOnDemand(path);
            const qint64 asked = clock.nsecsElapsed();
            RunUntil([&window] { return !Probe(window).preview->Pending(); });
            waited = qMax(waited, gaps.Stop());
            if (path == files.at(1)) {
                held += asked;
                shown += clock.nsecsElapsed();
            }
        }
    }
    std::printf("preview of a 3000 x 3000 progressive JPEG: the request held the window %.3f ms, shown after "
                "%.1f ms (mean of %d); events waited at most %lld ms\n",
                held / 1e6 / rounds, shown / 1e6 / rounds, rounds, waited);
    window.close();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    KeepFreedMemoryForWorkers(); // as the program's start does
    QApplication app(argc, argv);
    ShowTip = false;
    SetMsgBoxHandler([](const QString &prompt, int, const QString &) {
        std::fprintf(stderr, "message: %s\n", qPrintable(prompt));
        return Msg::OK;
    });

    QList<int> counts;
    QString parent = QDir::tempPath();
    const QStringList arguments = app.arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--files") && i + 1 < arguments.size())
            counts << qMax(1, arguments.at(++i).toInt());
        else if (arguments.at(i) == QLatin1String("--dir") && i + 1 < arguments.size())
            parent = arguments.at(++i);
        else {
            std::fprintf(stderr, "usage: window_bench [--files N]... [--dir FOLDER]\n");
            return 2;
        }
    }
    if (counts.isEmpty())
        counts = {1000, 10000};
    for (const int count : counts)
        Measure(count, parent);
    MeasurePreview(parent);
    return 0;
}
