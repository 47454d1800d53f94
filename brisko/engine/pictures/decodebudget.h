// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "base/stopcheck.h"

#include <QList>
#include <QtGlobal>

#include <condition_variable>
#include <mutex>

// The memory that decoding pictures may take, shared by every thread that
// decodes: a decode asks for what the picture's header says it will need,
// waits in line while others hold too much, and gives it back when done. So
// brisko-batch's peak stays the same with one job or eight, and a picture
// that could never fit is refused instead of tried.
class DecodeBudget
{
public:
    explicit DecodeBudget(qint64 capacity);
    DecodeBudget(const DecodeBudget &) = delete;
    DecodeBudget &operator=(const DecodeBudget &) = delete;

    // The one budget of the process, PictureLimits::DecodeBudget bytes.
    static DecodeBudget &Pictures();

    // Bytes held for one decode, given back when it ends.
    class Grant
    {
    public:
        Grant() = default;
        Grant(Grant &&other) noexcept;
        Grant &operator=(Grant &&other) noexcept;
        ~Grant();
        qint64 Bytes() const { return bytes_; }

    private:
        friend class DecodeBudget;
        Grant(DecodeBudget *budget, qint64 bytes);
        void Release();
        DecodeBudget *budget_ = nullptr;
        qint64 bytes_ = 0;
    };

    // Waits in line until bytes are free. Fails with 481 when bytes exceed
    // the whole budget, 18 when stop says so while waiting. A thread holds
    // one grant at a time: a second would wait for its own.
    Result<Grant> Acquire(qint64 bytes, const StopCheck &stop = {});

    qint64 Capacity() const { return capacity_; }
    qint64 InUse() const;
    // How many decodes wait in line.
    int Waiting() const;

private:
    void Release(qint64 bytes);

    const qint64 capacity_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    qint64 inUse_ = 0;
    QList<quint64> line_;   // tickets of the waiting, first come first served
    quint64 nextTicket_ = 0;
};
