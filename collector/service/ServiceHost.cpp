#include "ServiceHost.h"

#include <pthread.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <thread>

namespace vorenta {

namespace {

// Wakes the signal thread when the service has ended; nobody outside sends it.
int wakeSignal()
{
    return SIGRTMIN;
}

sigset_t watchedSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPWR, SIGUSR1, SIGUSR2, wakeSignal()})
        sigaddset(&set, signal);
    return set;
}

ControlRequest requestFor(int signal)
{
    switch (signal) {
    case SIGPWR:
        return ControlRequest::Shutdown;
    case SIGUSR1:
        return ControlRequest::Pause;
    case SIGUSR2:
        return ControlRequest::Continue;
    default: // SIGTERM, SIGINT, SIGHUP
        return ControlRequest::Stop;
    }
}

bool endsTheService(ControlRequest request)
{
    return request == ControlRequest::Stop || request == ControlRequest::Shutdown;
}

/// The thread that turns signals into control requests while the service runs on the thread
/// that made it. It touches the service only through requestControl and the cancel function.
class SignalThread {
public:
    SignalThread(TVorenta& service, std::function<void()> cancelStatement)
        : m_service(service), m_cancelStatement(std::move(cancelStatement)), m_thread([this] { run(); })
    {
    }

    ~SignalThread()
    {
        m_finished = true;
        pthread_kill(m_thread.native_handle(), wakeSignal());
        m_thread.join();
    }

    SignalThread(const SignalThread&) = delete;
    SignalThread& operator=(const SignalThread&) = delete;

private:
    void run()
    {
        const sigset_t watched = watchedSignals();
        const timespec oneSecond{1, 0};
        bool stopping = false;
        while (!m_finished) {
            const int signal =
                stopping ? sigtimedwait(&watched, nullptr, &oneSecond) : sigwaitinfo(&watched, nullptr);
            if (m_finished)
                return;
            if (signal > 0 && signal != wakeSignal()) {
                const ControlRequest request = requestFor(signal);
                m_service.requestControl(request);
                stopping = stopping || endsTheService(request);
            }
            // A statement that started just as the cancel went out would not see it, and the
            // store may start one more before it notices the stop: while the service is ending,
            // cancel again every second.
            if (stopping && m_cancelStatement)
                m_cancelStatement();
        }
    }

    TVorenta& m_service;
    std::function<void()> m_cancelStatement;
    std::atomic<bool> m_finished = false;
    std::thread m_thread; // last: it starts running in the constructor
};

} // namespace

void BlockControlSignals()
{
    const sigset_t watched = watchedSignals();
    pthread_sigmask(SIG_BLOCK, &watched, nullptr);
}

int RunServiceHost(TVorenta& service, bool once, std::function<void()> cancelStatement,
                   const std::function<void()>& started)
{
    BlockControlSignals(); // already done by the caller at start; the wake signal must never kill
    SignalThread signalThread(service, std::move(cancelStatement));
    try {
        service.ServiceStart();
    } catch (const std::exception& error) {
        // The service cannot start; systemd records this line in the journal.
        std::fprintf(stderr, "VorentaServer: não foi possível iniciar o serviço: %s\n", error.what());
        return 1;
    }
    if (started)
        started();
    if (once)
        service.RunSinglePass();
    else
        service.ServiceExecute();
    return service.endedOutOfMemory() ? kExitOutOfMemory : 0;
}

} // namespace vorenta
