// SPDX-License-Identifier: MIT
#include "engine/pictures/decodebudget.h"

#include "base/translation.h"
#include "engine/pictures/picturefailure.h"
#include "engine/pictures/picturelimits.h"

#include <chrono>

DecodeBudget::DecodeBudget(qint64 capacity)
    : capacity_(capacity)
{
}

DecodeBudget &DecodeBudget::Pictures()
{
    static DecodeBudget budget(PictureLimits::DecodeBudget);
    return budget;
}

Result<DecodeBudget::Grant> DecodeBudget::Acquire(qint64 bytes, const StopCheck &stop)
{
    bytes = qMax<qint64>(bytes, 0);
    if (bytes > capacity_)
        return PictureRefused(
            EnglishText("Engine", "Picture too large: it needs %1 MB to decode, more than the %2 MB allowed")
                .arg((bytes + (1 << 20) - 1) >> 20)
                .arg(capacity_ >> 20));
    std::unique_lock<std::mutex> lock(mutex_);
    const quint64 ticket = nextTicket_++;
    line_.append(ticket);
    while (line_.first() != ticket || inUse_ + bytes > capacity_) {
        changed_.wait_for(lock, std::chrono::milliseconds(StopPoll::Interval));
        if (!stop)
            continue;
        // Asked without the lock: a stop check may take its time.
        lock.unlock();
        const bool stopped = stop();
        lock.lock();
        if (stopped) {
            line_.removeOne(ticket);
            changed_.notify_all();
            return PictureStopped();
        }
    }
    line_.removeFirst();
    inUse_ += bytes;
    changed_.notify_all(); // the next in line may fit as well
    return Grant(this, bytes);
}

qint64 DecodeBudget::InUse() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return inUse_;
}

int DecodeBudget::Waiting() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return int(line_.size());
}

void DecodeBudget::Release(qint64 bytes)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    inUse_ -= bytes;
    changed_.notify_all();
}

DecodeBudget::Grant::Grant(DecodeBudget *budget, qint64 bytes)
    : budget_(budget)
    , bytes_(bytes)
{
}

DecodeBudget::Grant::Grant(Grant &&other) noexcept
    : budget_(std::exchange(other.budget_, nullptr))
    , bytes_(std::exchange(other.bytes_, 0))
{
}

DecodeBudget::Grant &DecodeBudget::Grant::operator=(Grant &&other) noexcept
{
    if (this != &other) {
        Release();
        budget_ = std::exchange(other.budget_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

DecodeBudget::Grant::~Grant()
{
    Release();
}

void DecodeBudget::Grant::Release()
{
    if (budget_)
        budget_->Release(bytes_);
    budget_ = nullptr;
    bytes_ = 0;
}
