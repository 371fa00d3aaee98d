#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace vorenta::test {

/// How long a test waits for another thread, a process or a socket to do something it should do
/// at once: long enough for a loaded two-core machine, short beside CTest's limit.
inline constexpr std::chrono::seconds kWaitLimit{30};

/// A scope that must close within `limit`. When it is still open then, the program prints the
/// running test's name and "`what` did not happen within N s" and exits with status 3: a call
/// into the code under test that never returns (a walk that waits for itself, a join of a thread
/// that never ends) fails in seconds and by name, instead of reaching CTest's time-out with none.
///
///     test::Deadline deadline("the walk of 10.9.8.1 - 10.9.8.40 to end", std::chrono::seconds(60));
///     walk.WalkRange("10.9.8.1", "10.9.8.40");
///     walk.FinishWalk();
class Deadline {
public:
    Deadline(std::string what, std::chrono::milliseconds limit);
    ~Deadline();
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    struct Watch;
    std::shared_ptr<Watch> m_watch;
    std::thread m_thread;
};

/// Puts every test of this program under a Deadline of `limit` ("the test to end"), from its start
/// to its end. Call it from a namespace-scope initializer of a test file; calling it again, from
/// another file of the same program, changes nothing.
bool DeadlineForEveryTest(std::chrono::seconds limit);

/// Waits on `changed` until `done` holds, at most `limit`; true when it holds. No test waits on a
/// condition variable without a limit: a property that breaks shows as a failure, not a hang.
template <class Predicate>
[[nodiscard]] bool WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                             Predicate done, std::chrono::milliseconds limit = kWaitLimit)
{
    return changed.wait_for(lock, limit, std::move(done));
}

} // namespace vorenta::test
