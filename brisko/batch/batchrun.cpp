#include "batch/batchrun.h"

#include "processing/artconversion.h"
#include "processing/pictureencoder.h"
#include "processing/taglibrary.h"
#include "processing/trackrow.h"
#include "shell/briskoerror.h"

#include <QFileInfo>
#include <QHash>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// The files in folders, in the order the folders first appear.
QVector<QStringList> ByFolder(const QStringList &files)
{
    QVector<QStringList> groups;
    QHash<QString, int> groupOf;
    for (const QString &file : files) {
        const QString folder = QFileInfo(file).path();
        auto found = groupOf.find(folder);
        if (found == groupOf.end()) {
            found = groupOf.insert(folder, int(groups.size()));
            groups.append(QStringList());
        }
        groups[found.value()] << file;
    }
    return groups;
}

BatchResult Convert(TagLibrary &tags, PictureEncoder &encoder, const QString &path,
                    const BatchOptions &options)
{
    BatchResult result;
    result.path = path;
    result.bytesBefore = QFileInfo(path).size();
    ArtRequest request;
    request.target = options.size;
    request.quality = options.quality;
    request.skipSmaller = options.skipSmaller;
    request.dryRun = options.dryRun;
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
    const QVector<QStringList> groups = ByFolder(files);
    std::atomic<int> nextGroup{0};
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<BatchResult> done;
    int running = qBound(1, options.jobs, int(qMax<qsizetype>(1, groups.size())));

    const auto work = [&] {
        TagLibrary tags;
        PictureEncoder encoder;
        for (int group = nextGroup++; group < groups.size() && !stop; group = nextGroup++) {
            for (const QString &path : groups.at(group)) {
                if (stop)
                    break;
                BatchResult result = Convert(tags, encoder, path, options);
                const std::lock_guard<std::mutex> lock(mutex);
                done.push_back(std::move(result));
                changed.notify_one();
            }
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
