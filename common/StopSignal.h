#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vorenta {

/// A stop request that every long wait of the collector honours: the rest between cycles, the
/// pause between passes and the range walk. Requested from the thread that receives the signals,
/// looked at by the service thread.
class StopSignal {
public:
    void request()
    {
        {
            std::lock_guard lock(m_mutex);
            m_requested = true;
        }
        m_changed.notify_all();
    }

    bool requested() const
    {
        std::lock_guard lock(m_mutex);
        return m_requested;
    }

    /// Waits `duration` or until a stop is requested; true when it was requested.
    template <class Rep, class Period> bool waitFor(std::chrono::duration<Rep, Period> duration) const
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, duration, [this] { return m_requested; });
    }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_requested = false;
};

} // namespace vorenta
