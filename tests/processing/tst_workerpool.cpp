// SPDX-License-Identifier: MIT
#include "engine/convert/workerpool.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <mutex>
#include <thread>

namespace {

// Which thread ran each number, and how many have run.
struct PoolRun
{
    std::mutex mutex;
    std::map<int, std::thread::id> ranBy;
    std::atomic<int> runs{0};
};

// Runs a pool to its end; job runs first for each number.
void RunToTheEnd(PoolRun &run, int threads, int count, const QList<int> &runEnds,
                 const std::function<void(int index)> &job)
{
    std::promise<void> allDone;
    std::future<void> done = allDone.get_future();
    WorkerPool pool(
        threads, count,
        [&] {
            return [&](int index) {
                job(index);
                const std::lock_guard<std::mutex> lock(run.mutex);
                run.ranBy[index] = std::this_thread::get_id();
                ++run.runs;
                return true;
            };
        },
        {}, [&allDone] { allDone.set_value(); }, std::vector<int>(runEnds.begin(), runEnds.end()));
    done.wait_for(std::chrono::seconds(30)); // the pool stops taking numbers when it goes
}

} // namespace

class TestWorkerPool : public QObject
{
    Q_OBJECT

private slots:
    void everyNumberOnceNeighboursTogether_data();
    void everyNumberOnceNeighboursTogether();
    void aSlowJobDoesNotHoldUpTheRest();
};

void TestWorkerPool::everyNumberOnceNeighboursTogether_data()
{
    QTest::addColumn<QList<int>>("runEnds");
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("mostChanges");
    QList<int> albums;
    for (int end = 12; end <= 300; end += 12)
        albums << end;
    QTest::newRow("no jobs") << QList<int>() << 2 << 0 << 0;
    QTest::newRow("in turn") << QList<int>() << 2 << 40 << 39;
    QTest::newRow("more threads than jobs") << QList<int>{3} << 8 << 3 << 2;
    QTest::newRow("albums") << albums << 4 << 300 << 25 + 8;
    QTest::newRow("one folder") << QList<int>{300} << 4 << 300 << 16;
    QTest::newRow("uneven") << QList<int>{100} << 3 << 100 << 12;
    QTest::newRow("ends out of order or past the last") << QList<int>{5, 3, 50} << 2 << 20 << 19;}

// Each thread keeps to a run of neighbours (an album's tracks): the thread
// changes from one number to the next at few places, where taking the next
// free number would change it at almost every one.
void TestWorkerPool::everyNumberOnceNeighboursTogether()
{
    QFETCH(QList<int>, runEnds);
    QFETCH(int, threads);
    QFETCH(int, count);
    QFETCH(int, mostChanges);
    PoolRun run;
    RunToTheEnd(run, threads, count, runEnds, [](int) { std::this_thread::sleep_for(std::chrono::microseconds(200)); });
    QCOMPARE(run.runs.load(), count);
    QCOMPARE(int(run.ranBy.size()), count);
    QVERIFY(count == 0 || (run.ranBy.begin()->first == 0 && run.ranBy.rbegin()->first == count - 1));
    int changes = 0;
    for (int index = 1; index < count; ++index)
        changes += run.ranBy.at(index) != run.ranBy.at(index - 1);
    QVERIFY2(changes <= mostChanges, qPrintable(QString::number(changes)));
}

// The first thread's first job waits until every other number is done: the
// other thread takes over the rest of its run.
void TestWorkerPool::aSlowJobDoesNotHoldUpTheRest()
{
    constexpr int Count = 40;
    PoolRun run;
    bool othersDone = false;
    RunToTheEnd(run, 2, Count, {Count}, [&](int index) {
        for (int waited = 0; index == 0 && !othersDone && waited < 20000; ++waited) {
            othersDone = run.runs == Count - 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    QVERIFY(othersDone);
    QCOMPARE(run.runs.load(), Count);
}

QTEST_GUILESS_MAIN(TestWorkerPool)
#include "tst_workerpool.moc"
