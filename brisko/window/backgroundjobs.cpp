// SPDX-License-Identifier: MIT
#include "window/backgroundjobs.h"

#include "base/briskoerror.h"
#include "engine/workerpool.h"
#include "window/widgets/unexpectederror.h"

#include <QCoreApplication>
#include <QWidget>

namespace {

std::function<void(int)> &BeforeJobHook()
{
    static std::function<void(int)> hook;
    return hook;
}

} // namespace

void BackgroundJobs::SetBeforeJobHook(std::function<void(int index)> hook)
{
    BeforeJobHook() = std::move(hook);
}

BackgroundJobs::BackgroundJobs(QObject *parent)
    : QObject(parent)
{
}

BackgroundJobs::~BackgroundJobs()
{
    Abandon();
}

void BackgroundJobs::Start(int threads, int count, std::function<Job()> makeJob, std::function<void()> finished)
{
    Abandon(); // one run at a time; the window never starts a second one
    finished_ = std::move(finished);
    pool_ = std::make_unique<WorkerPool>(
        threads, count,
        [this, makeJob = std::move(makeJob)] {
            const Job job = makeJob();
            return [this, job](int index) {
                if (BeforeJobHook())
                    BeforeJobHook()(index);
                // A job tells its own errors; one that escapes it ends the
                // run rather than the program.
                try {
                    if (OnWindow onWindow = job(index))
                        Post(std::move(onWindow));
                } catch (const std::exception &error) {
                    Post([this, description = ErrorDescription(error)] {
                        ReportUnexpected(QStringLiteral("BackgroundJobs"), description,
                                         qobject_cast<QWidget *>(parent()));
                    });
                    return false;
                }
                return true;
            };
        },
        // Posted after every result of every thread, so it is seen last.
        [this] { Post([this] { Finish(); }); });
}

void BackgroundJobs::Post(OnWindow onWindow)
{
    bool wake = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        wake = results_.empty();
        results_.push_back(std::move(onWindow));
    }
    if (wake)
        QMetaObject::invokeMethod(this, "ShowNext", Qt::QueuedConnection);
}

void BackgroundJobs::ShowNext()
{
    OnWindow next;
    bool more = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (results_.empty())
            return;
        next = std::move(results_.front());
        results_.pop_front();
        more = !results_.empty();
    }
    // One result an event, in the order posted, even when one of them opens
    // a message box whose own event loop shows the next.
    if (more)
        QMetaObject::invokeMethod(this, "ShowNext", Qt::QueuedConnection);
    next();
}

void BackgroundJobs::Stop()
{
    if (pool_)
        pool_->Stop();
}

void BackgroundJobs::Abandon()
{
    pool_.reset();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        results_.clear();
    }
    QCoreApplication::removePostedEvents(this);
    finished_ = nullptr;
}

void BackgroundJobs::Finish()
{
    pool_.reset(); // its threads are leaving: only the joins are left
    // The finishing step may start the next run (a folder's files after the
    // folder was read), so it is taken out first.
    const std::function<void()> finished = std::move(finished_);
    finished_ = nullptr;
    if (finished)
        finished();
}
