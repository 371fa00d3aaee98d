#include "TVorenta.h"

#include "collector/service/StartupSettings.h"

#include <new>

namespace vorenta {

TVorenta::TVorenta(CollectorSettings& settings, LogSink& log, StopSignal& stop, Cycle cycle,
                   std::chrono::milliseconds pauseBetweenPasses)
    : m_settings(settings), m_log(log), m_stop(stop), m_cycle(std::move(cycle)),
      m_pauseBetweenPasses(pauseBetweenPasses)
{
}

void TVorenta::requestControl(ControlRequest request)
{
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
    }
    m_arrived.notify_all();
    if (request == ControlRequest::Stop || request == ControlRequest::Shutdown)
        m_stop.request();
}

void TVorenta::ServiceStart()
{
    vorenta::ServiceStart(m_settings, m_log);
}

void TVorenta::ServiceStop()
{
    m_log.WriteLog(QStringLiteral("Vorentor Pausado!"));
}

void TVorenta::ServicePause()
{
    m_log.WriteLog(QStringLiteral("Vorentor pausado!"));
}

void TVorenta::ServiceShutdown()
{
    m_log.WriteLog(QStringLiteral("Vorentor Finalizado"));
}

void TVorenta::ServiceBeforeInstall()
{
    m_log.WriteLog(QStringLiteral("Vorentor Instalado!"));
}

void TVorenta::ServiceAfterInstall()
{
    m_log.WriteLog(QStringLiteral("SRVVorentor Instalado"));
}

void TVorenta::ServiceBeforeUninstall()
{
    m_log.WriteLog(QStringLiteral("Vorentor desinstalado!"));
}

ControlRequest TVorenta::waitForRequest()
{
    std::unique_lock lock(m_mutex);
    // A paused service is alive: its watchdog is fed while it waits for the continue.
    while (!m_arrived.wait_for(lock, m_stop.heartbeatEvery(), [this] { return !m_requests.empty(); })) {
        lock.unlock();
        m_stop.heartbeat();
        lock.lock();
    }
    const ControlRequest request = m_requests.front();
    m_requests.pop_front();
    return request;
}

// Handles one request; true when the service is to end.
bool TVorenta::handle(ControlRequest request)
{
    switch (request) {
    case ControlRequest::Stop:
        ServiceStop();
        return true;
    case ControlRequest::Shutdown:
        ServiceShutdown();
        return true;
    case ControlRequest::Pause:
        ServicePause();
        // Suspended until a continue arrives; a stop or shutdown while paused ends the service.
        for (;;) {
            const ControlRequest next = waitForRequest();
            if (next == ControlRequest::Continue)
                return false;
            if (next == ControlRequest::Stop || next == ControlRequest::Shutdown)
                return handle(next);
        }
    case ControlRequest::Continue:
    case ControlRequest::Interrogate:
        return false;
    }
    return false;
}

void TVorenta::handlePendingRequests()
{
    for (;;) {
        ControlRequest request;
        {
            std::lock_guard lock(m_mutex);
            if (m_requests.empty())
                return;
            request = m_requests.front();
            m_requests.pop_front();
        }
        if (handle(request)) {
            m_terminated = true;
            return;
        }
    }
}

QString TVorenta::OutOfMemoryLine()
{
    return QStringLiteral("Coletor encerrado: memória insuficiente; reduza Simultaneos em Coletor.ini ou "
                          "aumente o limite de memória do serviço.");
}

void TVorenta::runCycleGuarded()
{
    try {
        m_cycle();
    } catch (const std::bad_alloc&) {
        // Another pass would fail the same way on the devices it passes over, silently.
        m_outOfMemory = true;
        m_terminated = true;
        try {
            m_log.WriteLog(OutOfMemoryLine());
        } catch (...) {
            // not even the line fits: the exit code still tells
        }
    } catch (...) {
        // A cycle that fails ends silently; the next pass tries again.
    }
}

void TVorenta::ServiceExecute()
{
    while (!m_terminated) {
        handlePendingRequests();
        if (m_terminated)
            break; // a stop has already cut this pass short: do not start another scan
        m_log.WriteLog(QStringLiteral("Serviço Em Atividade"));
        runCycleGuarded();
        m_stop.waitFor(m_pauseBetweenPasses);
    }
    m_log.WriteLog(QStringLiteral("Finalização do serviço Vorenta."));
}

void TVorenta::RunSinglePass()
{
    m_log.WriteLog(QStringLiteral("Serviço Em Atividade"));
    runCycleGuarded();
    m_log.WriteLog(QStringLiteral("Finalização do serviço Vorenta."));
}

} // namespace vorenta
