#pragma once

#include "common/ActivityLog.h"

#include <utility>

namespace vorenta {

/// The activity log as the thread that runs the cycle writes it.
///
/// A concurrent walk probes ahead of what it has committed. A line written on this thread while
/// probed addresses wait for their turn (the cycle's "Erro ao capturar dados de : " for a range
/// it cannot walk, a lookup made for a probing thread) belongs where the serial walk would have
/// written it, not at the moment it is written: the walk routes such lines into walk order.
/// Without a route every line goes straight to the log. Used by that one thread only.
class WalkOrderLog final : public LogSink {
public:
    explicit WalkOrderLog(LogSink& log) : m_log(log) {}

    void WriteLog(const QString& message) override { (m_route ? *m_route : m_log).WriteLog(message); }
    void WriteLines(const QStringList& messages) override
    {
        (m_route ? *m_route : m_log).WriteLines(messages);
    }

    /// Sends the following lines to `route` (nullptr: straight to the log); returns the route
    /// that was set.
    LogSink* setRoute(LogSink* route) { return std::exchange(m_route, route); }

    /// The log itself, for lines written in their turn.
    LogSink& log() { return m_log; }

private:
    LogSink& m_log;
    LogSink* m_route = nullptr;
};

/// Routes a WalkOrderLog's lines to `route` for the scope, then back to where they went.
class ScopedLogRoute {
public:
    ScopedLogRoute(WalkOrderLog& log, LogSink* route) : m_log(log), m_previous(log.setRoute(route)) {}
    ~ScopedLogRoute() { m_log.setRoute(m_previous); }
    ScopedLogRoute(const ScopedLogRoute&) = delete;
    ScopedLogRoute& operator=(const ScopedLogRoute&) = delete;

private:
    WalkOrderLog& m_log;
    LogSink* m_previous;
};

} // namespace vorenta
