#include "ServiceHost.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <thread>

#include <atomic>
#include <pthread.h>

namespace vorenta {

namespace {

sigset_t controlSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGTERM, SIGINT, SIGPWR, SIGUSR1, SIGUSR2})
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
    default:
        return ControlRequest::Stop;
    }
}

} // namespace

int RunServiceHost(TVorenta& service)
{
    // Blocked here before the service thread starts, so only this thread ever receives them.
    const sigset_t watched = controlSignals();
    pthread_sigmask(SIG_BLOCK, &watched, nullptr);

    std::atomic<bool> finished = false;
    std::atomic<int> exitCode = 0;
    std::thread serviceThread([&] {
        try {
            service.ServiceStart();
        } catch (const std::exception& error) {
            // The service cannot start; systemd records this line in the journal.
            std::fprintf(stderr, "VorentaServer: não foi possível iniciar o serviço: %s\n", error.what());
            exitCode = 1;
            finished = true;
            return;
        }
        service.ServiceExecute();
        finished = true;
    });

    const timespec tick{0, 200 * 1000 * 1000};
    while (!finished) {
        const int signal = sigtimedwait(&watched, nullptr, &tick);
        if (signal > 0)
            service.requestControl(requestFor(signal));
    }
    serviceThread.join();
    return exitCode;
}

} // namespace vorenta
