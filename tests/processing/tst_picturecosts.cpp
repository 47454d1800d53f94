// SPDX-License-Identifier: MIT
#include "base/briskoerror.h"
#include "base/sharedbytes.h"
#include "engine/pictures/artcache.h"
#include "engine/pictures/decodebudget.h"
#include "engine/pictures/picturefailure.h"
#include "support/errors.h"

#include <QtTest>

#include <atomic>
#include <thread>

// What pictures may cost: the decoding budget every thread shares, and the
// cache of new pictures that art shared between files goes through.
class TestPictureCosts : public QObject
{
    Q_OBJECT

private slots:
    void budgetRefusesWhatCouldNeverFit();
    void budgetServesInTurn();
    void budgetWaitEndsOnStop();
    void cacheMakesSharedArtOnce();
    void cacheStaysWithinItsBytes();
    void cacheKeepsNoFailure();
    void cacheWaitersShareTheMaking();
};

void TestPictureCosts::budgetRefusesWhatCouldNeverFit()
{
    DecodeBudget budget(100 << 20);
    {
        const Result<DecodeBudget::Grant> refused = budget.Acquire((100 << 20) + 1);
        QVERIFY2(!refused, "more than the whole budget was granted");
        QCOMPARE(refused.Why().code, 481);
        QVERIFY2(refused.Why().reason.contains(QLatin1String("101 MB")), qPrintable(refused.Why().reason));
        QVERIFY2(refused.Why().reason.contains(QLatin1String("100 MB")), qPrintable(refused.Why().reason));
    }
    QCOMPARE(budget.InUse(), 0);
    {
        const Result<DecodeBudget::Grant> all = budget.Acquire(100 << 20);
        QCOMPARE(budget.InUse(), 100 << 20);
    }
    QCOMPARE(budget.InUse(), 0);
}

void TestPictureCosts::budgetServesInTurn()
{
    // 60 held; 50 asks and must wait; 30 would fit now but comes after 50,
    // so it waits too (were it let past, the line would never be two long).
    DecodeBudget budget(100);
    DecodeBudget::Grant first = std::move(*budget.Acquire(60));
    std::atomic<bool> done{false};
    const auto take = [&](qint64 bytes) {
        const Result<DecodeBudget::Grant> grant = budget.Acquire(bytes);
        while (!done)
            std::this_thread::yield();
    };
    std::thread large(take, 50);
    QTRY_COMPARE(budget.Waiting(), 1);
    std::thread small(take, 30);
    QTRY_COMPARE(budget.Waiting(), 2);
    QCOMPARE(budget.InUse(), 60);
    first = DecodeBudget::Grant(); // gives the 60 back: both fit now
    QTRY_COMPARE(budget.Waiting(), 0);
    QCOMPARE(budget.InUse(), 80);
    done = true;
    large.join();
    small.join();
    QCOMPARE(budget.InUse(), 0);
}

void TestPictureCosts::budgetWaitEndsOnStop()
{
    DecodeBudget budget(100);
    const Result<DecodeBudget::Grant> held = budget.Acquire(90);
    std::atomic<bool> stop{false};
    std::atomic<int> error{-1};
    std::thread waiting([&] { error = ErrorOf(budget.Acquire(20, [&] { return stop.load(); })); });
    QTRY_COMPARE(budget.Waiting(), 1);
    stop = true;
    waiting.join();
    QCOMPARE(error.load(), 18);
    QCOMPARE(budget.Waiting(), 0);
    QCOMPARE(budget.InUse(), 90);
    // The line moves on without the one that gave up.
    QCOMPARE(budget.Acquire(10)->Bytes(), 10);
}

void TestPictureCosts::cacheMakesSharedArtOnce()
{
    ArtCache cache(4, 1 << 20);
    int made = 0;
    const auto make = [&made]() -> Result<QByteArray> {
        ++made;
        return QByteArray("jpeg ") + QByteArray::number(made);
    };
    const QByteArray art(1000, 'a');
    const QByteArray first = *cache.Get(art, QSize(250, 250), 80, make);
    QCOMPARE(*cache.Get(QByteArray(1000, 'a'), QSize(250, 250), 80, make), first);
    QCOMPARE(made, 1);
    // Other bytes, size or quality are other pictures.
    QByteArray other = art;
    other[999] = 'b';
    cache.Get(other, QSize(250, 250), 80, make);
    cache.Get(art, QSize(250, 249), 80, make);
    cache.Get(art, QSize(250, 250), 81, make);
    QCOMPARE(made, 4);
}

void TestPictureCosts::cacheStaysWithinItsBytes()
{
    // Sixteen pictures of 25 MB each: no more art is kept than the bound
    // allows, art and new pictures counted together.
    ArtCache cache(16, 64 << 20);
    for (int i = 0; i < 16; ++i) {
        cache.Get(QByteArray(25 << 20, char(i)), QSize(250, 250), 80, []() -> Result<QByteArray> { return QByteArray(30000, 'j'); });
        QVERIFY(cache.Bytes() <= 64 << 20);
    }
    QCOMPARE(cache.Count(), 2);
    QCOMPARE(cache.Bytes(), 2 * ((25 << 20) + 30000));

    // Art beyond the bound is made every time, and never kept.
    ArtCache small(16, 1 << 20);
    int made = 0;
    for (int i = 0; i < 2; ++i)
        small.Get(QByteArray(2 << 20, 'a'), QSize(9, 9), 80, [&made]() -> Result<QByteArray> {
            ++made;
            return QByteArray("j");
        });
    QCOMPARE(made, 2);
    QCOMPARE(small.Count(), 0);
    QCOMPARE(small.Bytes(), 0);

    // Art that is a piece of a file's tags: a cover is kept as a copy of its
    // own, larger art is not kept; neither keeps the file's buffer alive.
    ArtCache pieces(16, 16 << 20);
    QByteArray tags(40 << 20, 't');
    const auto keepsTags = [&tags](ArtCache &into, qsizetype artBytes) {
        into.Get(SharedSlice(tags, 1000, artBytes), QSize(9, 9), 80, []() -> Result<QByteArray> { return QByteArray("j"); });
        return !tags.isDetached();
    };
    QVERIFY(!keepsTags(pieces, 300'000));
    QCOMPARE(pieces.Count(), 1);
    QCOMPARE(pieces.Bytes(), 300'001);
    QVERIFY(!keepsTags(pieces, 12 << 20));

    ArtCache few(2, 1 << 20);
    for (int i = 0; i < 5; ++i)
        few.Get(QByteArray(10, char(i)), QSize(9, 9), 80, []() -> Result<QByteArray> { return QByteArray(10, 'j'); });
    QCOMPARE(few.Count(), 2);
    QCOMPARE(few.Bytes(), 40);
}

void TestPictureCosts::cacheKeepsNoFailure()
{
    // A failure may be the moment's (a stop, memory): the next file tries again.
    ArtCache cache(4, 1 << 20);
    const QByteArray art("art");
    QCOMPARE(ErrorOf(cache.Get(art, QSize(9, 9), 80,
                               []() -> Result<QByteArray> { return StandardFailure(ErrorNumber::UserInterrupt); })),
             18);
    QCOMPARE(cache.Count(), 0);
    QCOMPARE(cache.Bytes(), 0);
    QCOMPARE(*cache.Get(art, QSize(9, 9), 80, []() -> Result<QByteArray> { return QByteArray("made"); }),
             QByteArray("made"));
}

void TestPictureCosts::cacheWaitersShareTheMaking()
{
    // While one thread makes a picture, another that needs it waits for it
    // instead of making it again.
    ArtCache cache(4, 1 << 20);
    std::atomic<int> made{0};
    std::atomic<bool> finish{false};
    QByteArray firstResult, secondResult;
    std::thread maker([&] {
        firstResult = *cache.Get("art", QSize(9, 9), 80, [&]() -> Result<QByteArray> {
            ++made;
            while (!finish)
                std::this_thread::yield();
            return QByteArray("made once");
        });
    });
    QTRY_COMPARE(made.load(), 1);
    std::thread waiter([&] {
        secondResult = *cache.Get("art", QSize(9, 9), 80, [&]() -> Result<QByteArray> {
            ++made;
            return QByteArray("made twice");
        });
    });
    finish = true;
    maker.join();
    waiter.join();
    QCOMPARE(made.load(), 1);
    QCOMPARE(firstResult, QByteArray("made once"));
    QCOMPARE(secondResult, QByteArray("made once"));
}

QTEST_GUILESS_MAIN(TestPictureCosts)
#include "tst_picturecosts.moc"
