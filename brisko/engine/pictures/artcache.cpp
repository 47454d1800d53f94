// SPDX-License-Identifier: MIT
#include "engine/pictures/artcache.h"

#include "engine/pictures/picturelimits.h"

#include <algorithm>

namespace {

constexpr qint64 LargeCoverBytes = 4LL << 20; // a cover of 3000 pixels a side and its new picture

// Art read from a file is often a piece of the buffer holding all of the
// file's tags, and keeps that whole buffer alive: count what it holds.
qint64 HeldBytes(const QByteArray &art)
{
    return std::max<qint64>(art.size(), art.capacity());
}

// Art to keep, holding no more than it must. A cover, up to a large one, is
// copied out of a larger buffer, so that the file's buffer is freed when the
// file is done; larger art is not copied, as the copy would come on top of
// the file's buffers while they are at their largest.
QByteArray ArtToKeep(const QByteArray &art)
{
    if (HeldBytes(art) > art.size() && art.size() <= LargeCoverBytes)
        return QByteArray(art.constData(), art.size());
    return art;
}

} // namespace

ArtCache::ArtCache(int maxEntries, qint64 maxBytes)
    : maxEntries_(maxEntries)
    , maxBytes_(maxBytes)
{
}

ArtCache ArtCache::ForWorkers(int workers)
{
    return ArtCache(std::max(16, 2 * workers), std::max(PictureLimits::ArtCacheBytes, workers * LargeCoverBytes));
}

Result<QByteArray> ArtCache::Get(const QByteArray &art, QSize size, int quality,
                                 const std::function<Result<QByteArray>()> &make)
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
        if (entry->size == size && entry->quality == quality && entry->art == art) {
            entries_.splice(entries_.begin(), entries_, entry);
            const std::shared_future<Result<QByteArray>> made = entry->jpeg;
            lock.unlock();
            return made.get();
        }
    }
    const QByteArray kept = art.size() <= maxBytes_ ? ArtToKeep(art) : art;
    const qint64 held = HeldBytes(kept);
    if (held > maxBytes_ || maxEntries_ <= 0) {
        lock.unlock();
        return make(); // never kept, so not shared either
    }
    std::promise<Result<QByteArray>> promise;
    const quint64 id = nextId_++;
    entries_.push_front({id, kept, size, quality, promise.get_future().share(), false, held});
    bytes_ += held;
    lock.unlock();

    // Memory may run out while it is made: the waiting hear of it too, and
    // the place is given up.
    Result<QByteArray> jpeg = Failure();
    try {
        jpeg = make();
    } catch (...) {
        promise.set_exception(std::current_exception());
        Finished(id, nullptr);
        throw;
    }
    promise.set_value(jpeg);
    Finished(id, jpeg ? &*jpeg : nullptr);
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
        bytes_ -= entry->bytes;
        entries_.erase(entry);
        return;
    }
    entry->made = true;
    entry->bytes += jpeg->size();
    bytes_ += jpeg->size();
    Trim();
}

// The oldest pictures made go first; ones still being made stay.
void ArtCache::Trim()
{
    auto last = entries_.end();
    while (last != entries_.begin() && (int(entries_.size()) > maxEntries_ || bytes_ > maxBytes_)) {
        --last;
        if (!last->made)
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
