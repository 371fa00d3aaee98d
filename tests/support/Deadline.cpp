#include "Deadline.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace vorenta::test {

namespace {

std::string runningTestName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info == nullptr)
        return "(no test running)";
    return std::string(info->test_suite_name()) + "." + info->name();
}

} // namespace

// Shared with the watching thread, so that the thread never reads a Deadline already gone.
struct Deadline::Watch {
    std::mutex mutex;
    std::condition_variable changed;
    bool closed = false;
};

Deadline::Deadline(std::string what, std::chrono::milliseconds limit) : m_watch(std::make_shared<Watch>())
{
    // The name is taken now: by the time the limit passes the test is still the one running.
    const std::string test = runningTestName();
    m_thread = std::thread([watch = m_watch, what = std::move(what), limit, test] {
        std::unique_lock lock(watch->mutex);
        if (watch->changed.wait_for(lock, limit, [&] { return watch->closed; }))
            return;
        std::fprintf(stderr, "\n%s: FAILED: %s did not happen within %lld s\n", test.c_str(), what.c_str(),
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(limit).count()));
        std::fflush(stderr);
        std::fflush(stdout);
        // Threads of the code under test may hold locks this process needs to unwind: leave now.
        std::_Exit(3);
    });
}

Deadline::~Deadline()
{
    {
        std::lock_guard lock(m_watch->mutex);
        m_watch->closed = true;
    }
    m_watch->changed.notify_all();
    m_thread.join();
}

namespace {

class EveryTest final : public ::testing::EmptyTestEventListener {
public:
    explicit EveryTest(std::chrono::seconds limit) : m_limit(limit) {}
    void OnTestStart(const ::testing::TestInfo&) override { m_deadline.emplace("the test to end", m_limit); }
    void OnTestEnd(const ::testing::TestInfo&) override { m_deadline.reset(); }

private:
    std::chrono::seconds m_limit;
    std::optional<Deadline> m_deadline;
};

} // namespace

bool DeadlineForEveryTest(std::chrono::seconds limit)
{
    static const bool installed = [limit] {
        ::testing::UnitTest::GetInstance()->listeners().Append(new EveryTest(limit));
        return true;
    }();
    return installed;
}

} // namespace vorenta::test
