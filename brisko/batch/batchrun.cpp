#include "batch/batchrun.h"

#include "processing/artcache.h"
#include "processing/artconversion.h"
#include "processing/pictureencoder.h"
#include "processing/picturelimits.h"
#include "processing/taglibrary.h"
#include "processing/trackrow.h"
#include "shell/briskoerror.h"

#include <QFileInfo>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

BatchResult Convert(TagLibrary &tags, PictureEncoder &encoder, const QString &path, const BatchOptions &options,
                    const std::atomic<bool> &stop)
{
    BatchResult result;
    result.path = path;
    result.bytesBefore = QFileInfo(path).size();
    ArtRequest request;
    request.target = options.size;
    request.quality = options.quality;
    request.skipSmaller = options.skipSmaller;
    request.dryRun = options.dryRun;
    request.stopRequested = [&stop] { return stop.load(); };
    try {
        const ArtConversion conversion = ConvertArt(tags, encoder, path, request);
        result.oldSize = conversion.oldSize;
        result.newSize = conversion.newSize;
        switch (conversion.outcome) {
        case ArtOutcome::Resized: result.status = Status::Resized; break;
        case ArtOutcome::Skipped: result.status = Status::Unchanged; break;
        case ArtOutcome::NoPicture: result.status = Status::NoPicture; break;
        case ArtOutcome::SaveFailed: result.status = Status::ResizeFailed; break;
        case ArtOutcome::LowDriveSpace: result.status = Status::LowDriveSpace; break;
        case ArtOutcome::FileMissing: result.status = Status::FileMissing; break;
        case ArtOutcome::Stopped: result.stopped = true; break;
        }
        result.failed = conversion.outcome == ArtOutcome::SaveFailed
                        || conversion.outcome == ArtOutcome::LowDriveSpace
                        || conversion.outcome == ArtOutcome::FileMissing;
        if (result.failed && conversion.outcome == ArtOutcome::SaveFailed)
            result.error = tags.LastErrorText();
    } catch (const BriskoError &error) {
        result.status = Status::ResizeFailed;
        result.failed = true;
        result.error = error.Description();
    } catch (const std::bad_alloc &) {
        result.status = Status::ResizeFailed;
        result.failed = true;
        result.error = ErrorText(ErrorNumber::OutOfMemory);
    }
    result.bytesAfter = options.dryRun ? result.bytesBefore : QFileInfo(path).size();
    return result;
}

} // namespace

void RunBatch(const QStringList &files, const BatchOptions &options, const std::atomic<bool> &stop,
              const std::function<void(const BatchResult &)> &report, const std::function<void()> &tick)
{
    std::atomic<int> next{0};
    // The tracks of an album carry the same art: whichever worker gets to it
    // first makes the new picture, the others take it.
    ArtCache shared(16, PictureLimits::ArtCacheBytes);
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<BatchResult> done;
    int running = qBound(1, options.jobs, int(qMax<qsizetype>(1, files.size())));

    // The files are taken in order, one at a time, by whichever worker is free.
    const auto work = [&] {
        TagLibrary tags;
        PictureEncoder encoder(&shared);
        for (int index = next++; index < files.size() && !stop; index = next++) {
            BatchResult result = Convert(tags, encoder, files.at(index), options, stop);
            if (result.stopped)
                break; // left as it was, as the files not begun
            const std::lock_guard<std::mutex> lock(mutex);
            done.push_back(std::move(result));
            changed.notify_one();
        }
        const std::lock_guard<std::mutex> lock(mutex);
        --running;
        changed.notify_one();
    };
    std::vector<std::thread> workers;
    const int count = running;
    for (int i = 0; i < count; ++i)
        workers.emplace_back(work);

    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait_for(lock, std::chrono::milliseconds(200));
        std::deque<BatchResult> ready;
        ready.swap(done);
        const bool finished = running == 0;
        lock.unlock();
        for (const BatchResult &result : ready)
            report(result);
        if (tick)
            tick();
        lock.lock();
        if (finished && done.empty())
            break;
    }
    lock.unlock();
    for (std::thread &worker : workers)
        worker.join();
}
