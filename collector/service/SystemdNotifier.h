#pragma once

#include "common/ActivityLog.h"

#include <QString>

#include <atomic>
#include <chrono>

namespace vorenta {

/// What the collector tells systemd when it runs as a unit of Type=notify (NOTIFY_SOCKET set):
/// READY=1 once the start handler has run, STATUS= the last pass's line (what `systemctl status
/// vorenta` shows), WATCHDOG=1 while the service makes progress, STOPPING=1 at its end. Outside
/// systemd every call does nothing. All calls are safe from any thread.
class SystemdNotifier {
public:
    /// Reads the watchdog interval systemd asked for (WATCHDOG_USEC), if any.
    SystemdNotifier();

    void ready();
    void status(const QString& line);
    void stopping();

    /// Feeds the watchdog: at most once a quarter of its interval, so that the walk may call it
    /// for every address.
    void alive();

    /// The watchdog interval; zero when systemd asked for none.
    std::chrono::microseconds watchdogInterval() const { return m_interval; }

private:
    std::chrono::microseconds m_interval{0};
    std::atomic<std::chrono::steady_clock::rep> m_lastFeed{0};
};

/// True when standard error is the journal's stream: JOURNAL_STREAM names its device and inode,
/// and standard error is still that file (systemd's documented check; a child that inherited
/// the variable but not the stream gets false).
bool StandardErrorIsJournal();

/// Writes every line to the log it wraps and to standard error, where the journal dates and
/// keeps it; each message's lines in one write, at the journal's informational level.
class JournalCopy final : public LogSink {
public:
    explicit JournalCopy(LogSink& log) : m_log(log) {}
    void WriteLog(const QString& message) override;
    void WriteLines(const QStringList& messages) override;

private:
    LogSink& m_log;
};

} // namespace vorenta
