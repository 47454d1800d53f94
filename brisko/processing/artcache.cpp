#include "processing/artcache.h"

#include <QCryptographicHash>

ArtCache::ArtCache(int maxEntries, qint64 maxBytes)
    : maxEntries_(maxEntries)
    , maxBytes_(maxBytes)
{
}

QByteArray ArtCache::Get(const QByteArray &art, QSize size, int quality,
                         const std::function<QByteArray()> &make)
{
    // A collision-resistant digest: two pictures that differ never share a result.
    const QByteArray digest = QCryptographicHash::hash(art, QCryptographicHash::Blake2b_256);
    std::unique_lock<std::mutex> lock(mutex_);
    for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
        if (entry->size == size && entry->quality == quality && entry->digest == digest) {
            entries_.splice(entries_.begin(), entries_, entry);
            const std::shared_future<QByteArray> made = entry->jpeg;
            lock.unlock();
            return made.get();
        }
    }
    std::promise<QByteArray> promise;
    const quint64 id = nextId_++;
    entries_.push_front({id, digest, size, quality, promise.get_future().share(), 0});
    lock.unlock();

    QByteArray jpeg;
    try {
        jpeg = make();
    } catch (...) {
        promise.set_exception(std::current_exception());
        Finished(id, nullptr);
        throw;
    }
    promise.set_value(jpeg);
    Finished(id, &jpeg);
    return jpeg;
}

std::list<ArtCache::Entry>::iterator ArtCache::Find(quint64 id)
{
    auto entry = entries_.begin();
    while (entry != entries_.end() && entry->id != id)
        ++entry;
    return entry;
}

void ArtCache::Finished(quint64 id, const QByteArray *jpeg)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto entry = Find(id);
    if (entry == entries_.end())
        return;
    // A failure may be the moment's (a stop, memory): the next try makes it anew.
    if (!jpeg) {
        entries_.erase(entry);
        return;
    }
    entry->bytes = jpeg->size();
    bytes_ += entry->bytes;
    // The oldest finished pictures go first; ones still being made stay.
    for (auto last = entries_.end(); last != entries_.begin()
         && (int(entries_.size()) > maxEntries_ || bytes_ > maxBytes_);) {
        --last;
        if (last->bytes == 0 && last->jpeg.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            continue;
        bytes_ -= last->bytes;
        last = entries_.erase(last);
    }
}

int ArtCache::Count() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return int(entries_.size());
}

qint64 ArtCache::Bytes() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return bytes_;
}
