#pragma once

#include <QByteArray>
#include <QSize>

#include <functional>
#include <future>
#include <list>
#include <mutex>

// New pictures made lately. The tracks of an album carry the same art byte
// for byte, and the same art at the same size and quality always gives the
// same JPEG, so it is made once. It may be shared between threads: a picture
// one thread is making is waited for by the others that need it. The art is
// known by a digest, never kept, and the pictures kept are bounded in number
// and in bytes, so the cache costs little however large the art.
class ArtCache
{
public:
    ArtCache(int maxEntries, qint64 maxBytes);
    ArtCache(const ArtCache &) = delete;
    ArtCache &operator=(const ArtCache &) = delete;

    // The picture for art at size and quality: a kept one, or what make
    // gives. A failure is passed on to whoever waited for it, and not kept.
    QByteArray Get(const QByteArray &art, QSize size, int quality, const std::function<QByteArray()> &make);

    int Count() const;
    qint64 Bytes() const;

private:
    struct Entry
    {
        quint64 id;
        QByteArray digest;
        QSize size;
        int quality;
        std::shared_future<QByteArray> jpeg;
        qint64 bytes; // 0 while it is being made
    };

    std::list<Entry>::iterator Find(quint64 id);
    void Finished(quint64 id, const QByteArray *jpeg);

    const int maxEntries_;
    const qint64 maxBytes_;
    mutable std::mutex mutex_;
    std::list<Entry> entries_; // the most recently used first
    qint64 bytes_ = 0;
    quint64 nextId_ = 0;
};
