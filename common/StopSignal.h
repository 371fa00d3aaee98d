#pragma once

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>

namespace vorenta {

/// A stop request that every long wait of the collector honours: the rest between cycles, the
/// pause between passes, the range walk and the SNMP waits in flight. Requested from the thread
/// that receives the signals, looked at by the service thread and the probing threads.
class StopSignal {
public:
    StopSignal() : m_descriptor(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~StopSignal()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void request()
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_requested)
                return;
            m_requested = true;
        }
        m_changed.notify_all();
        if (m_descriptor >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = ::write(m_descriptor, &one, sizeof(one));
        }
    }

    bool requested() const
    {
        std::lock_guard lock(m_mutex);
        return m_requested;
    }

    /// Waits `duration` or until a stop is requested; true when it was requested. With a
    /// heartbeat set, calls it every heartbeat interval while the wait lasts.
    template <class Rep, class Period> bool waitFor(std::chrono::duration<Rep, Period> duration) const
    {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(duration);
        std::unique_lock lock(m_mutex);
        if (!m_heartbeat)
            return m_changed.wait_until(lock, end, [this] { return m_requested; });
        for (;;) {
            const Clock::time_point beat = std::min(end, Clock::now() + m_heartbeatEvery);
            if (m_changed.wait_until(lock, beat, [this] { return m_requested; }))
                return true;
            if (Clock::now() >= end)
                return false;
            lock.unlock();
            m_heartbeat();
            lock.lock();
        }
    }

    /// A wait of waitFor is a service that is alive: `beat` (the watchdog's feed) is called every
    /// `every` while one lasts. Set before any thread waits; `heartbeat()` calls it outside waits.
    void setHeartbeat(std::function<void()> beat, std::chrono::milliseconds every)
    {
        m_heartbeat = std::move(beat);
        m_heartbeatEvery = every < std::chrono::milliseconds(1) ? std::chrono::milliseconds(1) : every;
    }
    void heartbeat() const
    {
        if (m_heartbeat)
            m_heartbeat();
    }
    std::chrono::milliseconds heartbeatEvery() const { return m_heartbeatEvery; }

    /// A descriptor that polls readable from the stop on, for waits on sockets (the SNMP client's
    /// cancel descriptor); -1 when the system gave none, and such waits then run their course.
    int descriptor() const { return m_descriptor; }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_requested = false;
    const int m_descriptor;
    std::function<void()> m_heartbeat;
    std::chrono::milliseconds m_heartbeatEvery{1000};
};

} // namespace vorenta
