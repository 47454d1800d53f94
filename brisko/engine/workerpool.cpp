// SPDX-License-Identifier: MIT
#include "engine/workerpool.h"

#include <QtGlobal>

WorkerPool::WorkerPool(int threads, int count, MakeWorker makeWorker, std::function<void()> allDone)
    : count_(count)
    , makeWorker_(std::move(makeWorker))
    , allDone_(std::move(allDone))
{
    // No more threads than jobs, and at least one, so allDone always runs.
    const int wanted = qBound(1, threads, qMax(1, count));
    running_ = wanted;
    threads_.reserve(std::size_t(wanted));
    for (int i = 0; i < wanted; ++i)
        threads_.emplace_back([this] { Run(); });
}

WorkerPool::~WorkerPool()
{
    Stop();
    for (std::thread &thread : threads_)
        thread.join();
}

void WorkerPool::Run()
{
    if (!stopped_ && next_ < count_) {
        const Worker work = makeWorker_();
        for (int index = next_++; index < count_ && !stopped_; index = next_++) {
            if (!work(index))
                break;
        }
    }
    if (--running_ == 0 && allDone_)
        allDone_();
}

int WorkerPool::DefaultThreads()
{
    return qMax(1, int(std::thread::hardware_concurrency()));
}
