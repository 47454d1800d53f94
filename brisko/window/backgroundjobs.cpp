// SPDX-License-Identifier: MIT
#include "window/backgroundjobs.h"

#include "base/briskoerror.h"
#include "engine/convert/workerpool.h"
#include "window/widgets/unexpectederror.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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
    gather_.setSingleShot(true);
    connect(&gather_, &QTimer::timeout, this, &BackgroundJobs::ShowResults);
}

BackgroundJobs::~BackgroundJobs()
{
    Abandon();
}

void BackgroundJobs::Start(int threads, int count, std::function<Job()> makeJob, std::function<void()> finished,
                           std::vector<int> runEnds)
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
                    PostUnexpected(ErrorDescription(error));
                    return false;
                }
                return true;
            };
        },
        // A thread that could not set up its job: that file is not read.
        [this](int, const QString &why) { PostUnexpected(why); },
        // Posted after every result of every thread, so it is seen last.
        [this] { Post([this] { Finish(); }); }, std::move(runEnds));
}

void BackgroundJobs::PostUnexpected(const QString &description)
{
    Post([this, description] {
        ReportUnexpected(QStringLiteral("BackgroundJobs"), description, qobject_cast<QWidget *>(parent()));
    });
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
        QMetaObject::invokeMethod(this, "ShowResults", Qt::QueuedConnection);
}

void BackgroundJobs::ShowResults()
{
    // A message box shown by one result runs its own event loop: the
    // results after it wait until it is answered, and keep their order.
    if (showing_)
        return;
    if (lastShown_.isValid() && lastShown_.elapsed() < GapMilliseconds) {
        if (!gather_.isActive())
            gather_.start(int(GapMilliseconds - lastShown_.elapsed()));
        return;
    }
    showing_ = true;
    // Results are shown a batch at a time: the list lays out its rows once
    // an event loop pass, not once a row. Each batch ends in time for the
    // window to repaint and hear "Stop".
    QElapsedTimer batch;
    batch.start();
    for (;;) {
        OnWindow next;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (results_.empty())
                break;
            next = std::move(results_.front());
            results_.pop_front();
        }
        next();
        if (batch.elapsed() >= BatchMilliseconds) {
            QMetaObject::invokeMethod(this, "ShowResults", Qt::QueuedConnection);
            break;
        }
    }
    lastShown_.start();
    showing_ = false;
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
    gather_.stop();
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
