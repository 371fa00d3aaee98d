#include "collector/service/walk/ProbeThreads.h"
#include "tests/support/Deadline.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace vorenta {
namespace {

/// Jobs that hold their thread until released, counting how many run at once.
struct HeldJobs {
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
    int mostAtOnce = 0;
    int finished = 0;
    bool released = false;
    std::size_t stackSize = 0;

    std::function<void()> job()
    {
        return [this] {
            pthread_attr_t attributes;
            pthread_getattr_np(pthread_self(), &attributes);
            std::size_t size = 0;
            pthread_attr_getstacksize(&attributes, &size);
            pthread_attr_destroy(&attributes);
            std::unique_lock lock(mutex);
            stackSize = size;
            mostAtOnce = std::max(mostAtOnce, ++running);
            changed.notify_all();
            // Held until the test has counted; a test that failed before that releases them too.
            static_cast<void>(test::WaitUntil(changed, lock, [this] { return released; }));
            --running;
            ++finished;
            changed.notify_all();
        };
    }

    /// True when `count` jobs are running at once within the limit.
    bool waitUntilRunning(int count)
    {
        std::unique_lock lock(mutex);
        return test::WaitUntil(changed, lock, [&] { return running >= count; });
    }

    void release()
    {
        std::lock_guard lock(mutex);
        released = true;
        changed.notify_all();
    }
};

TEST(ProbeThreads, RunsEveryJobWithAtMostTheLimitAtOnceOnSmallStacks)
{
    HeldJobs jobs;
    {
        ProbeThreads threads(8);
        for (int i = 0; i < 40; ++i)
            threads.post(jobs.job());
        EXPECT_TRUE(jobs.waitUntilRunning(8))
            << "8 jobs never ran at once"; // the other 32 wait for a free thread
        EXPECT_EQ(threads.threadCount(), 8);
        EXPECT_EQ(threads.startError(), 0);
        jobs.release();
    } // joins after the jobs in hand
    EXPECT_EQ(jobs.finished, 40);
    EXPECT_EQ(jobs.mostAtOnce, 8);
    EXPECT_EQ(jobs.stackSize, ProbeThreads::kStackSize);
}

TEST(ProbeThreads, StartsThreadsOnlyAsJobsNeedThem)
{
    HeldJobs jobs;
    ProbeThreads threads(1024);
    for (int i = 0; i < 3; ++i)
        threads.post(jobs.job());
    EXPECT_TRUE(jobs.waitUntilRunning(3)) << "3 jobs never ran at once";
    EXPECT_EQ(threads.threadCount(), 3);
    jobs.release();
}

// A stack no system can map: not one thread starts, and each job runs on the caller's thread
// before post returns, rather than waiting for a thread that never comes.
TEST(ProbeThreads, WithoutAThreadTheCallerRunsTheJob)
{
    ProbeThreads threads(8, std::size_t{1} << 50);
    std::thread::id ranOn;
    threads.post([&] { ranOn = std::this_thread::get_id(); });
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(threads.threadCount(), 0);
    EXPECT_NE(threads.startError(), 0) << "the refusal is told, for the walk to lower its number";
}

} // namespace
} // namespace vorenta
