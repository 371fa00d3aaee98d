#pragma once

#include "common/ActivityLog.h"
#include "common/CollectorSettings.h"
#include "common/StopSignal.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace vorenta {

/// Requests the service host passes on to the thread that runs the service.
enum class ControlRequest { Stop, Pause, Continue, Shutdown, Interrogate };

/// The collector's service module: the start handler, the collection loop and the handlers of
/// control requests, all run on the thread that runs the service (the main thread, see
/// ServiceHost.h). Requests arrive from the thread that receives the signals and are handled at
/// the top of a pass; a stop or shutdown also wakes every wait at once, so the pass in progress
/// ends within seconds.
class TVorenta {
public:
    using Cycle = std::function<void()>;

    TVorenta(CollectorSettings& settings, LogSink& log, StopSignal& stop, Cycle cycle,
             std::chrono::milliseconds pauseBetweenPasses = std::chrono::milliseconds(5000));

    /// Thread-safe: queues a request for the thread that runs the service.
    void requestControl(ControlRequest request);

    void ServiceStart();
    /// The collection loop; returns when the service has been asked to stop.
    void ServiceExecute();
    /// One pass without the loop (--once): the pass's line and one cycle.
    void RunSinglePass();
    /// True when a pass ran out of memory: the loop ended there, with a line saying so, for the
    /// process to exit with an error (a restart under systemd) instead of passing over devices.
    bool endedOutOfMemory() const { return m_outOfMemory; }
    /// The last line of a collector that ran out of memory.
    static QString OutOfMemoryLine();

    void ServiceStop();
    void ServicePause();
    void ServiceShutdown();
    void ServiceBeforeInstall();
    void ServiceAfterInstall();
    void ServiceBeforeUninstall();

private:
    void handlePendingRequests();
    bool handle(ControlRequest request);
    ControlRequest waitForRequest();
    void runCycleGuarded();

    CollectorSettings& m_settings;
    LogSink& m_log;
    StopSignal& m_stop;
    Cycle m_cycle;
    std::chrono::milliseconds m_pauseBetweenPasses;

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<ControlRequest> m_requests;
    bool m_terminated = false;
    bool m_outOfMemory = false;
};

} // namespace vorenta
