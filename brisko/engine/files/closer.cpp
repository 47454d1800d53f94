// SPDX-License-Identifier: MIT
#include "engine/files/closer.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

class Closer
{
public:
    ~Closer()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ending_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable())
            thread_.join();
    }

    bool WaitUntilClosed()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (waiting_.empty() && !closing_)
            return false;
        closed_.wait(lock, [this] { return waiting_.empty() && !closing_; });
        return true;
    }

    void Add(int fd)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            waiting_.push_back(fd);
            if (!thread_.joinable())
                thread_ = std::thread([this] { Run(); });
        }
        wake_.notify_one();
    }

private:
    void Run()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return ending_ || !waiting_.empty(); });
            if (waiting_.empty())
                return;
            std::vector<int> now;
            now.swap(waiting_);
            closing_ = true;
            lock.unlock();
            for (const int fd : now)
                ::close(fd);
            lock.lock();
            closing_ = false;
            closed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable closed_;
    std::vector<int> waiting_;
    bool closing_ = false;
    bool ending_ = false;
    std::thread thread_;
};

Closer &TheCloser()
{
    static Closer closer;
    return closer;
}

} // namespace

void CloseLater(int fd)
{
    TheCloser().Add(fd);
}

bool WaitUntilClosed()
{
    return TheCloser().WaitUntilClosed();
}
