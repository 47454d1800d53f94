// SPDX-License-Identifier: MIT
#include "engine/convert/workerpool.h"

#include <QtGlobal>

#include <malloc.h>

#include <algorithm>

void KeepFreedMemoryForWorkers()
{
    // Buffers of 16 MB and more (huge art and its tag) go back to the system
    // when freed. Left to itself the C library raises that threshold to the
    // largest buffer freed and keeps such buffers in each worker's arena, so
    // a run's peak grew with the number of workers. Smaller ones (a tag, a
    // decoded picture) stay for the next file: given back and taken again,
    // their pages cost more to fault in than the file takes to read.
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
    mallopt(M_TRIM_THRESHOLD, 16 << 20);
}

WorkerPool::WorkerPool(int threads, int count, MakeWorker makeWorker, Failed failed, std::function<void()> allDone,
                       std::vector<int> runEnds)
    : makeWorker_(std::move(makeWorker))
    , failed_(std::move(failed))
    , allDone_(std::move(allDone))
    , count_(count)
    , runEnds_(std::move(runEnds))
{
    // No more threads than jobs, and at least one, so allDone always runs.
    const int wanted = qBound(1, threads, qMax(1, count));
    running_ = wanted;
    inHand_.assign(std::size_t(wanted), Run{0, 0});
    threads_.reserve(std::size_t(wanted));
    for (std::size_t i = 0; i < std::size_t(wanted); ++i)
        threads_.emplace_back([this, i] { Work(i); });
}

std::vector<int> WorkerPool::RunEnds(int count, const std::function<bool(int before, int after)> &together)
{
    std::vector<int> ends;
    for (int after = 1; after <= count; ++after) {
        if (after == count || !together(after - 1, after))
            ends.push_back(after);
    }
    return ends;
}

WorkerPool::~WorkerPool()
{
    Stop();
    for (std::thread &thread : threads_)
        thread.join();
}

int WorkerPool::Take(std::size_t thread)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    Run &own = inHand_.at(thread);
    if (own.next == own.end && notBegun_ < count_) {
        // The next run: ends out of order are passed over, and none reaches
        // past the last number.
        int end = notBegun_ + 1;
        while (nextRun_ < int(runEnds_.size()) && runEnds_.at(std::size_t(nextRun_)) <= notBegun_)
            ++nextRun_;
        if (nextRun_ < int(runEnds_.size()))
            end = qMin(count_, runEnds_.at(std::size_t(nextRun_++)));
        own = Run{notBegun_, end};
        notBegun_ = end;
    } else if (own.next == own.end) {
        const auto left = [](const Run &run) { return run.end - run.next; };
        Run &largest = *std::max_element(inHand_.begin(), inHand_.end(),
                                         [&](const Run &a, const Run &b) { return left(a) < left(b); });
        if (left(largest) == 0)
            return -1;
        const int half = largest.next + left(largest) / 2;
        own = Run{half, largest.end};
        largest.end = half;
    }
    return own.next++;
}

void WorkerPool::Work(std::size_t thread)
{
    Worker work;
    for (int index = Take(thread); index >= 0 && !stopped_; index = Take(thread)) {
        try {
            if (!work)
                work = makeWorker_();
            if (!work(index))
                break;
        } catch (const std::exception &error) {
            if (failed_)
                failed_(index, QString::fromLocal8Bit(error.what()));
        }
    }
    // What the worker holds may still have work to finish (saves waiting to
    // reach the disk together): before the pool counts this thread done.
    work = nullptr;
    if (--running_ == 0 && allDone_)
        allDone_();
}

int WorkerPool::DefaultThreads()
{
    return qMax(1, int(std::thread::hardware_concurrency()));
}
