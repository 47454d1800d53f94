// SPDX-License-Identifier: MIT
#include "batch/batchcheck.h"

#include "base/briskoerror.h"
#include "base/translation.h"
#include "batch/batchmemory.h"
#include "engine/convert/folderart.h"
#include "engine/convert/statuses.h"
#include "engine/convert/workerpool.h"
#include "engine/files/localpath.h"
#include "engine/tags/taglibrary.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QScopeGuard>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace {

// False when no one reads the output any more.
bool Print(std::FILE *to, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to) == size_t(bytes.size()) && std::fflush(to) == 0;
}

QString TableLine(const QString &words, const QString &number)
{
    return words.leftJustified(40) + u' ' + number.rightJustified(8) + u'\n';
}

// The most files of a folder a worker takes at once.
constexpr int FilesAPiece = 32;

// The workers' checks, handed to the printing thread in the order of the
// files. A worker begins a file only while it is fewer than `ahead` files
// past the first one not printed: at most that many checks wait to be
// printed however long the list, and a slow file holds the others back
// only that far.
class CheckedInOrder
{
public:
    explicit CheckedInOrder(int ahead) : ahead_(ahead) {}

    // On a worker: waits until the file may be begun. False once the
    // checks are no longer printed.
    bool WaitForTurn(int index)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        turn_.wait(lock, [&] { return ended_ || index < printed_ + ahead_; });
        return !ended_;
    }
    void Done(int index, ArtCheck check)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        waiting_.emplace(index, std::move(check));
        arrived_.notify_one();
    }
    // Every worker has returned.
    void Finished()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
        arrived_.notify_one();
    }
    // No more checks are printed: the workers waiting for their turn begin none.
    void End()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
        turn_.notify_all();
    }

    // On the printing thread: the next file's check, once it is done. None
    // when the workers have finished without it: after a stop, which ends
    // their waits and is looked at a few times a second.
    std::optional<ArtCheck> Next(const std::atomic<bool> &stop)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            if (const auto found = waiting_.find(printed_); found != waiting_.end()) {
                std::optional<ArtCheck> check = std::move(found->second);
                waiting_.erase(found);
                ++printed_;
                turn_.notify_all();
                return check;
            }
            if (finished_)
                return std::nullopt;
            if (stop && !ended_) {
                ended_ = true;
                turn_.notify_all();
            }
            arrived_.wait_for(lock, std::chrono::milliseconds(100));
        }
    }

private:
    const int ahead_;
    std::mutex mutex_;
    std::condition_variable turn_;    // a file printed, or the end
    std::condition_variable arrived_; // a check done, or every worker returned
    std::map<int, ArtCheck> waiting_; // done, not printed, by file
    int printed_ = 0;
    bool finished_ = false;
    bool ended_ = false;
};

} // namespace

QByteArray CheckJsonLine(const QString &path, const ArtCheck &check)
{
    const bool exact = !HasEscapedBytes(path);
    QJsonArray types;
    for (const short type : check.types)
        types.append(type);
    QJsonObject object{{QStringLiteral("file"), exact ? path : ReadablePath(path)},
                       {QStringLiteral("ready"), check.reasons.isEmpty()},
                       {QStringLiteral("reasons"), QJsonArray::fromStringList(check.reasons)},
                       {QStringLiteral("pictures"), check.pictures},
                       {QStringLiteral("picture_types"), types},
                       {QStringLiteral("tag_bytes"), double(check.tagBytes)}};
    if (check.pictures > 0) {
        object.insert(QStringLiteral("picture_bytes"), double(check.pictureBytes));
        object.insert(QStringLiteral("format"), check.format);
    }
    if (check.size.isValid()) {
        object.insert(QStringLiteral("pixel_size"), SizeText(check.size.width(), check.size.height()));
        object.insert(QStringLiteral("progressive"), check.progressive);
    }
    if (!check.colours.isEmpty())
        object.insert(QStringLiteral("colour_space"), check.colours);
    if (!check.problem.isEmpty())
        object.insert(QStringLiteral("error"), check.problem);
    if (!exact)
        object.insert(QStringLiteral("file_bytes"), QString::fromLatin1(BytesFromPath(path).toBase64()));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

int RunCheck(const QList<BatchFile> &files, const BatchOptions &options, const std::atomic<bool> &stop,
             std::FILE *human, std::FILE *json)
{
    // Shared by the workers: it reads each folder's picture once, under its own lock.
    FolderArt folderArt;
    const CheckRules rules{options.size, options.maxBytes, &folderArt};
    // Each worker holds about one piece of files in hand; the others may run
    // a few pieces past the slowest before they wait for it.
    CheckedInOrder checked(4 * FilesAPiece * qMax(1, options.jobs));

    WorkerPool pool(
        options.jobs, int(files.size()),
        [&] {
            auto tags = std::make_shared<TagLibrary>();
            tags->HoldMemoryWith(BatchTagMemory(stop));
            return [&, tags](int index) {
                if (!checked.WaitForTurn(index) || stop)
                    return false;
                ArtCheck check;
                try {
                    check = CheckArt(*tags, files.at(index).path, rules);
                } catch (const std::bad_alloc &) {
                    check = UnreadableArt(ErrorText(ErrorNumber::OutOfMemory));
                }
                // A stop may have cut its reading short: left out, as the
                // files not begun, so what is printed is all true.
                if (stop)
                    return false;
                checked.Done(index, std::move(check));
                return true;
            };
        },
        [&](int index, const QString &why) { checked.Done(index, UnreadableArt(why)); },
        [&] { checked.Finished(); },
        // A folder's files go to one worker in pieces: a long folder is
        // shared out, and no worker runs far ahead of the file printed.
        WorkerPool::RunEnds(int(files.size()), [&files](int before, int after) {
            return after % FilesAPiece != 0 && FolderOf(files.at(before).path) == FolderOf(files.at(after).path);
        }));
    // Before the pool waits for its workers: none waits for its turn then.
    const auto endTurns = qScopeGuard([&checked] { checked.End(); });

    QMap<QString, int> counts;
    int done = 0;
    int notReady = 0;
    while (const std::optional<ArtCheck> check = checked.Next(stop)) {
        const QString &path = files.at(done++).path;
        for (const QString &reason : check->reasons)
            ++counts[reason];
        if (!check->reasons.isEmpty()) {
            ++notReady;
            QStringList why;
            for (const QString &reason : check->reasons)
                why << ShownText(reason);
            if (!check->problem.isEmpty())
                why << ShownText(check->problem);
            if (!Print(human, QCoreApplication::translate("Batch", "%1: %2\n")
                                  .arg(ReadablePath(path), why.join(QStringLiteral("; ")))))
                return -1;
        }
        if (json && !Print(json, QString::fromUtf8(CheckJsonLine(path, *check)) + u'\n'))
            return -1;
    }

    QString table = TableLine(QCoreApplication::translate("Batch", "Why players may not show the art"),
                              QCoreApplication::translate("Batch", "Files"));
    // In the order the reasons are given.
    for (const QString &reason : CheckReasons()) {
        if (counts.contains(reason))
            table += TableLine(ShownText(reason), QString::number(counts.value(reason)));
    }
    table += TableLine(QCoreApplication::translate("Batch", "Ready"), QString::number(done - notReady));
    table += TableLine(QCoreApplication::translate("Batch", "Total"), QString::number(done));
    return Print(human, table) ? notReady : -1;
}
