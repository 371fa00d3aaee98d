#include "collector/outage/QueueClock.h"
#include "tests/outage/QueueTestSupport.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

TEST(QueueClock, AgeGoesByTheClockSinceBootWithinOneBootAndByTheWallClockAcrossBoots)
{
    const QDateTime wall(QDate(2025, 3, 10), QTime(14, 0, 0));
    const struct {
        const char* name;
        QueueTime then;
        QueueTime now;
        qint64 seconds;
    } cases[] = {
        // Read with the clock 400 days behind; the clock set right, two hours later.
        {"clock set forward in one boot", {wall.addDays(-400), 1'000'000, "b1"}, {wall, 1'000'000 + 7'200'000, "b1"},
         7200},
        // Read with the clock a year ahead; set back, ten minutes later.
        {"clock set back in one boot", {wall.addYears(1), 50'000, "b1"}, {wall, 50'000 + 600'000, "b1"}, 600},
        {"another boot: the wall clock", {wall.addSecs(-90), 900'000'000, "b1"}, {wall, 5'000, "b2"}, 90},
        {"no clock since boot then", {wall.addSecs(-30), -1, {}}, {wall, 5'000, "b1"}, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ElapsedSeconds(c.then, c.now), c.seconds);
    }
}

TEST(QueueClock, TheSystemsClocksNameTheBoot)
{
    const QueueTime first = SystemQueueTime();
    const QueueTime second = SystemQueueTime();
    EXPECT_FALSE(first.bootId.isEmpty());
    EXPECT_GE(first.sinceBootMs, 0);
    EXPECT_EQ(first.bootId, second.bootId);
    EXPECT_GE(second.sinceBootMs, first.sinceBootMs);
}

// The age bound goes by the true age: a reading queued while the clock was 400 days behind is
// not dropped once the clock is set right, and one queued with the clock a year ahead still ages.
TEST(QueueClock, TheAgeBoundGoesByTheTrueAge)
{
    test::QueueUnderTest q(PendingQueueBounds{30, 100});
    const QDateTime right = q.now;
    PendingReading behind;
    behind.reading.NSerie = QStringLiteral("ATRASADO");
    q.now = right.addDays(-400);
    ASSERT_TRUE(q.queue.enqueue(behind));
    PendingReading ahead;
    ahead.reading.NSerie = QStringLiteral("ADIANTADO");
    q.now = right.addYears(1);
    ASSERT_TRUE(q.queue.enqueue(ahead));
    EXPECT_EQ(q.queue.count(), 2) << "the first is not 365 days older than the second";

    q.now = right; // set right, an hour later by the clock since boot
    q.sinceBootMs += 3'600'000;
    q.queue.dropExpired();
    EXPECT_EQ(q.queue.count(), 2) << "both are an hour old";
    const std::optional<PendingReading> oldest = q.queue.oldest();
    ASSERT_TRUE(oldest);
    EXPECT_EQ(q.queue.ageSeconds(*oldest), 3600);

    q.sinceBootMs += qint64{31} * 24 * 3'600'000; // a month on
    q.queue.dropExpired();
    EXPECT_EQ(q.queue.count(), 0) << "both past the bound by their true age";
}

// The same edges as by the wall clock: 30 days less a minute kept, 30 days and a minute dropped.
TEST(QueueClock, TheAgeBoundAtItsEdgesByTheClockSinceBoot)
{
    test::QueueUnderTest q(PendingQueueBounds{30, 100});
    const qint64 minuteMs = 60'000;
    const qint64 thirtyDaysMs = qint64{30} * 24 * 60 * minuteMs;
    PendingReading older;
    older.reading.NSerie = QStringLiteral("DROPPED");
    ASSERT_TRUE(q.queue.enqueue(older));
    q.sinceBootMs += 2 * minuteMs;
    PendingReading newer;
    newer.reading.NSerie = QStringLiteral("KEPT");
    ASSERT_TRUE(q.queue.enqueue(newer));
    q.sinceBootMs += thirtyDaysMs - minuteMs; // DROPPED 30 days and a minute old, KEPT a minute less
    q.queue.dropExpired();
    ASSERT_EQ(q.queue.count(), 1);
    EXPECT_EQ(q.queue.oldest()->reading.NSerie, "KEPT");
}

} // namespace
} // namespace vorenta
