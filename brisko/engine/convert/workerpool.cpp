// SPDX-License-Identifier: MIT
#include "engine/convert/workerpool.h"

#include <QtGlobal>

#include <malloc.h>

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

WorkerPool::WorkerPool(int threads, int count, MakeWorker makeWorker, Failed failed, std::function<void()> allDone)
    : count_(count)
    , makeWorker_(std::move(makeWorker))
    , failed_(std::move(failed))
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
    Worker work;
    for (int index = next_++; index < count_ && !stopped_; index = next_++) {
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
