// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs jobs numbered 0..count-1 on a few threads. The numbers come in runs
// of neighbours that belong together (an album's tracks, which share their
// art); each thread works through a run in order, then takes the next run
// not begun, so the threads work on different albums at once. With none
// left it takes the second half of the largest run still in hand: one slow
// file never holds the others up.
// Every thread first makes its own worker (its own tag library and encoder,
// which are not shared between threads) and then runs it for each number it
// takes. A worker answering false, or Stop(), ends the taking: the numbers
// not begun are never run. An exception from a job, or from making the
// worker, is that job's failure: failed gets its number and text, and the
// thread goes on with the next number. A worker is destroyed on its thread
// when the thread has no more numbers to take. allDone runs once, on the last
// thread to finish, after every job has returned and every worker is gone.
class WorkerPool
{
public:
    using Worker = std::function<bool(int index)>;
    using MakeWorker = std::function<Worker()>;
    using Failed = std::function<void(int index, const QString &why)>;

    // runEnds: where each run ends, ascending; none makes every number a run
    // of its own, and the numbers begin in ascending order, as a list is
    // worked through from its top.
    WorkerPool(int threads, int count, MakeWorker makeWorker, Failed failed, std::function<void()> allDone,
               std::vector<int> runEnds = {});
    // The ends of the runs of neighbours that belong together.
    static std::vector<int> RunEnds(int count, const std::function<bool(int before, int after)> &together);
    // Waits for the jobs in hand; the ones not begun are not begun.
    ~WorkerPool();
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    void Stop() { stopped_ = true; }
    // The number of threads a pool gets when the user has not chosen: one a core.
    static int DefaultThreads();

private:
    struct Run
    {
        int next;
        int end;
    };
    void Work(std::size_t thread);
    // The next number for thread, or -1 when none is left.
    int Take(std::size_t thread);

    const MakeWorker makeWorker_;
    const Failed failed_;
    const std::function<void()> allDone_;
    const int count_;
    const std::vector<int> runEnds_;
    std::mutex mutex_;
    // With mutex_ held: each thread's run in hand, and the next run to take.
    std::vector<Run> inHand_;
    int nextRun_ = 0;
    int notBegun_ = 0;
    std::atomic<int> running_{0};
    std::atomic<bool> stopped_{false};
    std::vector<std::thread> threads_;
};

// Sets how the C library keeps freed memory for workers that convert file
// after file: once, at the start of a program that runs them.
void KeepFreedMemoryForWorkers();
