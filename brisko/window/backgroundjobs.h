// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class WorkerPool;

// The window's long work on the engine's worker threads. A job never touches
// a widget: it hands back what it found as a function that runs on the
// window's thread, so the window repaints and answers "Stop" while files are
// read and converted. Results come as jobs complete, not in job order.
class BackgroundJobs : public QObject
{
    Q_OBJECT

public:
    // Runs on the window's thread with a job's outcome; may be empty.
    using OnWindow = std::function<void()>;
    // Runs on a worker thread for the job at index.
    using Job = std::function<OnWindow(int index)>;

    explicit BackgroundJobs(QObject *parent = nullptr);
    ~BackgroundJobs() override;

    // Runs count jobs on up to threads threads, which take them in the runs
    // that end at runEnds (see WorkerPool). makeJob runs once on each
    // thread and gives it its own state (a tag library is not shared between
    // threads). finished runs on the window's thread after every result, also
    // when nothing was to be done or the run was stopped.
    void Start(int threads, int count, std::function<Job()> makeJob, std::function<void()> finished,
               std::vector<int> runEnds = {});
    // From any thread: runs onWindow on the window's thread.
    void Post(OnWindow onWindow);
    // No job begins after this; the jobs in hand finish.
    void Stop();
    bool Running() const { return pool_ != nullptr; }
    // Stops, waits for the jobs in hand and drops their results unseen, for a
    // window that is going away.
    void Abandon();

    // Called on the worker before each job begins; tests hold a job there to
    // press "Stop" at a known moment. nullptr removes it.
    static void SetBeforeJobHook(std::function<void(int index)> hook);

private:
    // Woken by name: the wake-up is then made and read inside Qt alone, and
    // the results themselves pass through mutex_.
    Q_INVOKABLE void ShowResults();
    void Finish();
    // Shows an error no job expected, on the window's thread.
    void PostUnexpected(const QString &description);

    std::unique_ptr<WorkerPool> pool_;
    // Results wait here for the window's thread; the lock is the hand-over.
    std::mutex mutex_;
    std::deque<OnWindow> results_;
    bool showing_ = false;
    static constexpr qint64 BatchMilliseconds = 10;
    // Results that come one at a time are gathered for a moment: the window
    // repaints after each pass that shows some, some forty times a second
    // at most, not once a file.
    static constexpr qint64 GapMilliseconds = 25;
    QElapsedTimer lastShown_;
    QTimer gather_;
    std::function<void()> finished_;
};
