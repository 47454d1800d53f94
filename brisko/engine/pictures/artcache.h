// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QSize>

#include <functional>
#include <future>
#include <list>
#include <mutex>

// New pictures made lately. The tracks of an album carry the same art byte
// for byte, and the same art at the same size and quality always gives the
// same JPEG, so it is made once. It may be shared between threads: a picture
// one thread is making is waited for by the others that need it. Art is
// compared byte for byte, so it is kept with its picture, and what is kept
// is bounded in bytes, counting the whole buffer that art read as a piece of
// a file's tags keeps alive: art holding more than the bound is made, never
// kept.
class ArtCache
{
public:
    ArtCache(int maxEntries, qint64 maxBytes);
    // Shared by workers that each work on an album of their own: room for
    // the art of every one's album, and of the albums just done.
    static ArtCache ForWorkers(int workers);
    ArtCache(const ArtCache &) = delete;
    ArtCache &operator=(const ArtCache &) = delete;

    // The picture for art at size and quality: a kept one, or what make
    // gives. A failure is passed on to whoever waited for it, and not kept.
    Result<QByteArray> Get(const QByteArray &art, QSize size, int quality,
                           const std::function<Result<QByteArray>()> &make);

    int Count() const;
    // The art and pictures kept, and the art of pictures being made.
    qint64 Bytes() const;

private:
    struct Entry
    {
        quint64 id;
        QByteArray art;
        QSize size;
        int quality;
        std::shared_future<Result<QByteArray>> jpeg;
        bool made; // false while it is being made
        qint64 bytes;
    };

    std::list<Entry>::iterator Find(quint64 id);
    void Finished(quint64 id, const QByteArray *jpeg);
    void Trim();

    const int maxEntries_;
    const qint64 maxBytes_;
    mutable std::mutex mutex_;
    std::list<Entry> entries_; // the most recently used first
    qint64 bytes_ = 0;
    quint64 nextId_ = 0;
};
