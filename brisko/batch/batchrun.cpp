// SPDX-License-Identifier: MIT
#include "batch/batchrun.h"

#include "base/briskoerror.h"
#include "base/translation.h"
#include "batch/batchmemory.h"
#include "engine/pictures/artcache.h"
#include "engine/convert/artconversion.h"
#include "engine/convert/folderart.h"
#include "engine/files/atomicsave.h"
#include "engine/files/heldresults.h"
#include "engine/files/localpath.h"
#include "engine/files/replacegroup.h"
#include "engine/pictures/pictureencoder.h"
#include "engine/convert/statuses.h"
#include "engine/tags/taglibrary.h"
#include "engine/convert/workerpool.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include <sys/stat.h>

namespace {

// What a dry run says of a file a real run would convert, or give its
// folder's picture.
QString WouldResize()
{
    return EnglishText("Status", "Would Resize");
}

QString WouldAddPicture()
{
    return EnglishText("Status", "Would Add Picture");
}

// The length of what stands at path now: for a file never opened, one
// another program changed while it was converted, and one that failed where
// nothing foresaw.
qint64 SizeOf(const QString &path)
{
    struct stat info {};
    return ::stat(BytesFromPath(path).constData(), &info) == 0 ? qint64(info.st_size) : 0;
}

// After a conversion: the file's other names in the run lead to the new
// file, and the note tells of the names that keep the old picture.
void PointOtherNames(const BatchFile &file, const struct stat &original, BatchResult *result)
{
    QStringList &notes = result->notes;
    const int outside = int(original.st_nlink) - 1 - int(file.otherNames.size());
    if (outside == 1)
        notes << EnglishText("Batch", "1 other name outside this run keeps the old picture");
    else if (outside > 1)
        notes << EnglishText("Batch", "%1 other names outside this run keep the old picture").arg(outside);
    for (const QString &name : file.otherNames) {
        if (const Result<void> pointed = PointNameAt(name, file.path, original); !pointed)
            notes << EnglishText("Batch", "%1 keeps the old picture: %2").arg(ReadablePath(name), pointed.Why().reason);
    }
}

// What became of a file's art, as its result tells it.
void TakeConversion(const ArtConversion &conversion, const BatchOptions &options, BatchResult *result)
{
    result->oldSize = conversion.oldSize;
    result->newSize = conversion.newSize;
    result->quality = conversion.quality;
    result->notes = conversion.notes;
    // The lengths of the file as it was locked, and of its new copy when one
    // was made (or measured): a copy that waits to be put in place is settled
    // with its group.
    result->bytesBefore = conversion.bytesBefore;
    result->bytesAfter = conversion.bytesAfter >= 0 ? conversion.bytesAfter : conversion.bytesBefore;
    result->status = StatusText(StatusOfConversion(conversion));
    const bool unconvertible = conversion.outcome == ArtOutcome::NoPicture && !conversion.reason.isEmpty();
    if (options.dryRun && conversion.outcome == ArtOutcome::Resized)
        result->status = WouldResize();
    if (options.dryRun && conversion.outcome == ArtOutcome::PictureAdded)
        result->status = WouldAddPicture();
    result->stopped = conversion.outcome == ArtOutcome::Stopped;
    result->failed = unconvertible || conversion.outcome == ArtOutcome::SaveFailed
                     || conversion.outcome == ArtOutcome::TooLarge
                     || conversion.outcome == ArtOutcome::LowDriveSpace
                     || conversion.outcome == ArtOutcome::FileMissing;
    if (result->failed) {
        result->notes.clear(); // nothing was done to the file
        result->error = conversion.failureCode == TagLibraryError::ChangedSinceOpen
                            ? EnglishText("Batch", "changed by another program while being converted")
                            : conversion.reason;
    }
}

// A file that could not be converted for a reason the conversion did not
// foresee; the file is as it was.
void Failed(const QString &why, BatchResult *result)
{
    result->status = StatusText(RowStatus::ResizeFailed);
    result->failed = true;
    result->error = why;
}

// A file's result; one whose save waits in the worker's group is settled
// when the group is on disk.
BatchResult Convert(TagLibrary &tags, PictureEncoder &encoder, const BatchFile &file, const BatchOptions &options,
                    FolderArt *folderArt, const std::atomic<bool> &stop)
{
    const QString &path = file.path;
    BatchResult result;
    result.path = path;
    result.bytesBefore = -1; // until the file is opened
    ArtRequest request;
    request.target = options.size;
    request.quality = options.quality;
    request.skipSmaller = options.skipSmaller;
    request.leaveFitting = !options.force;
    request.neverEnlarge = !options.enlarge;
    request.allPictures = options.allPictures;
    request.dryRun = options.dryRun;
    request.maxBytes = options.maxBytes;
    request.frontCoverFirst = options.frontCoverFirst;
    request.folderArt = options.folderArt ? folderArt : nullptr;
    request.stopRequested = [&stop] { return stop.load(); };
    try {
        const Result<ArtConversion> converted = ConvertArt(tags, encoder, path, request);
        if (converted)
            TakeConversion(*converted, options, &result);
        else
            Failed(converted.Why().reason, &result);
    } catch (const std::bad_alloc &) {
        Failed(ErrorText(ErrorNumber::OutOfMemory), &result);
    }
    if (result.bytesBefore < 0)
        result.bytesBefore = result.bytesAfter = SizeOf(path);
    return result;
}

// Once a saved file's new copy is in place, or could not be put there.
void SettleSaved(BatchResult &result, const BatchFile &file, const struct stat &original, const Result<int> &replaced)
{
    if (replaced) {
        PointOtherNames(file, original, &result);
    } else {
        result.status = StatusText(RowStatus::ResizeFailed);
        result.failed = true;
        result.notes.clear();
        const bool changed = replaced.Why().code == TagLibraryError::ChangedSinceOpen;
        result.error = changed ? EnglishText("Batch", "changed by another program while being converted")
                               : replaced.Why().reason;
        // The original stays at its name as it was read, unless another
        // program put something else there.
        result.bytesAfter = changed ? SizeOf(result.path) : qint64(original.st_size);
    }
}

// One worker's results, told in the order it converted the files. Its saves
// wait in a group to reach the disk together, and a saved file's result is
// known only when its copy is in place: the results after it wait with it.
// A full group goes to the disk behind the worker's back while it converts
// the next files.
class WorkerResults
{
public:
    explicit WorkerResults(std::function<void(BatchResult)> tell) : tell_(std::move(tell)) {}
    ~WorkerResults()
    {
        try {
            Release(group.Finish());
        } catch (const std::exception &) {
            // Out of memory for the outcomes: the copies not in place are
            // thrown away with the group, their originals as they were.
        }
    }

    ReplaceGroup group;

    // saved: the file's save waits in the group, from original as it was read.
    void Add(BatchResult result, const BatchFile &file, std::optional<struct stat> saved)
    {
        if (held_.Empty() && !saved) {
            tell_(std::move(result));
            return;
        }
        held_.Add(Held{std::move(result), &file, saved}, saved.has_value());
        if (group.Full())
            Release(group.FinishBehind());
    }

private:
    struct Held
    {
        BatchResult result;
        const BatchFile *file;
        std::optional<struct stat> saved;
    };

    void Release(const std::vector<Result<int>> &replaced)
    {
        held_.Release(
            replaced,
            [](Held &held, const Result<int> &outcome) {
                SettleSaved(held.result, *held.file, *held.saved, outcome);
            },
            [this](Held &held) { tell_(std::move(held.result)); });
    }

    std::function<void(BatchResult)> tell_;
    HeldResults<Held> held_;
};

} // namespace

void RunBatch(const QList<BatchFile> &files, const BatchOptions &options, const std::atomic<bool> &stop,
              const std::function<void(const BatchResult &)> &report, const std::function<void()> &tick)
{
    // The tracks of an album carry the same art: whichever worker gets to it
    // first makes the new picture, the others take it.
    ArtCache shared = ArtCache::ForWorkers(options.jobs);
    FolderArt folderArt;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<BatchResult> done;
    bool finished = false;

    WorkerPool pool(
        options.jobs, int(files.size()),
        [&] {
            auto tags = std::make_shared<TagLibrary>();
            auto encoder = std::make_shared<PictureEncoder>(&shared);
            auto results = std::make_shared<WorkerResults>([&](BatchResult result) {
                const std::lock_guard<std::mutex> lock(mutex);
                done.push_back(std::move(result));
                changed.notify_one();
            });
            tags->SaveInto(&results->group);
            tags->HoldMemoryWith(BatchTagMemory(stop));
            return [&, tags, encoder, results](int index) {
                if (stop)
                    return false;
                const int waiting = results->group.Count();
                BatchResult result = Convert(*tags, *encoder, files.at(index), options, &folderArt, stop);
                if (result.stopped)
                    return false; // left as it was, as the files not begun
                const bool saved = results->group.Count() > waiting;
                results->Add(std::move(result), files.at(index),
                             saved ? std::optional<struct stat>(tags->SavedOriginal()) : std::nullopt);
                return true;
            };
        },
        // Whatever else went wrong with a file fails that file alone.
        [&](int index, const QString &why) {
            BatchResult result;
            result.path = files.at(index).path;
            result.status = StatusText(RowStatus::ResizeFailed);
            result.failed = true;
            result.error = why;
            result.bytesBefore = result.bytesAfter = SizeOf(result.path);
            const std::lock_guard<std::mutex> lock(mutex);
            done.push_back(std::move(result));
            changed.notify_one();
        },
        [&] {
            const std::lock_guard<std::mutex> lock(mutex);
            finished = true;
            changed.notify_one();
        },
        // An album's tracks share a folder: each worker takes a folder's
        // files, and decodes its art while the others are on other albums.
        WorkerPool::RunEnds(int(files.size()),
                            [&files](int before, int after) {
                                return FolderOf(files.at(before).path) == FolderOf(files.at(after).path);
                            }));

    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait_for(lock, std::chrono::milliseconds(200));
        std::deque<BatchResult> ready;
        ready.swap(done);
        const bool last = finished;
        lock.unlock();
        for (const BatchResult &result : ready)
            report(result);
        if (tick)
            tick();
        lock.lock();
        if (last && done.empty())
            break;
    }
}
