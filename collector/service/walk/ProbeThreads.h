#pragma once

#include <pthread.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace vorenta {

/// The probing threads of a pass: each runs one job (one address) at a time. They spend their
/// life waiting on sockets, so a thousand of them cost little, with stacks much smaller than the
/// system's 8 MiB default. Threads start as jobs need them, up to `maxThreads`; the destructor
/// lets the jobs in hand end and joins every thread. Threads inherit the signal mask of the
/// thread that makes the pool (the service host blocks the control signals there).
class ProbeThreads {
public:
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    static constexpr std::size_t kStackSize = 2 * 1024 * 1024; // the sanitizers' frames are larger
#else
    static constexpr std::size_t kStackSize = 256 * 1024;
#endif
    /// The most a walk starts: the visits of devices that answered, and the asks of sources that
    /// wait. More of them queue for a thread.
    static constexpr int kMaxThreads = 1024;

    /// `stackSize`: of each thread (a test gives one no system can map).
    explicit ProbeThreads(int maxThreads, std::size_t stackSize = kStackSize);
    ~ProbeThreads();
    ProbeThreads(const ProbeThreads&) = delete;
    ProbeThreads& operator=(const ProbeThreads&) = delete;

    /// Runs `job` on an idle thread, on a new one while the limit allows, or else on the first
    /// thread that becomes free. When not a single thread can be started, `job` runs here and now.
    void post(std::function<void()> job);

    /// Threads started so far.
    int threadCount() const;
    /// The error of the last thread the system refused to start (EAGAIN for the process limit
    /// or for memory a stack could not be mapped in), or 0 while every start worked.
    int startError() const;

private:
    static void* threadMain(void* pool);
    void serve();
    bool startThread(); // with m_mutex held

    const int m_maxThreads;
    const std::size_t m_stackSize;
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_jobs;
    std::vector<pthread_t> m_threads;
    int m_idle = 0;
    int m_startError = 0;
    bool m_closing = false;
};

} // namespace vorenta
