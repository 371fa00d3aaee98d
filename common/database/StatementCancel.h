#pragma once

#include <QSqlDatabase>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

struct pg_cancel;
struct sqlite3;

namespace vorenta {

/// Cancels, from another thread, the statement a connection is running: how a stop ends a
/// statement that waits on a lock or a slow server instead of waiting up to the command
/// time-out.
///
/// The thread that owns the connection arms it right after opening and disarms it before
/// closing; cancel() may be called from any thread at any time and is harmless when the
/// connection is idle or closed. Each back end has its own way:
///  - PostgreSQL: libpq's cancel request (PQcancel), made for exactly this, on a cancel object
///    taken from the driver's handle on the owning thread;
///  - SQLite: sqlite3_interrupt for a running statement; a wait for another writer's lock is
///    our own busy handler (SQLite's does not look at interrupts), which gives up on a cancel;
///  - SQL Server (ODBC): nothing here; the statement ends at the command time-out.
class StatementCancel {
public:
    StatementCancel() = default;
    ~StatementCancel() { disarm(); }
    StatementCancel(const StatementCancel&) = delete;
    StatementCancel& operator=(const StatementCancel&) = delete;

    /// Owning thread, after `database` was opened. `lockWait`: how long an SQLite statement
    /// waits for another writer's lock.
    void arm(const QSqlDatabase& database, std::chrono::milliseconds lockWait);
    /// Owning thread, before the connection is closed.
    void disarm();

    /// Any thread: cancels the statement in flight, if any.
    void cancel();

    /// True once cancel() was called, on this connection or any earlier one of its owner.
    bool requested() const { return m_cancels != 0; }

private:
    static int sqliteBusy(void* self, int count);

    std::mutex m_mutex;
    // Shared so that a cancel request in progress keeps its object while the owner disarms;
    // the request itself runs outside the lock (it opens a connection to the server).
    std::shared_ptr<pg_cancel> m_postgres;
    // Interrupted under the lock: sqlite3_interrupt must not race with the connection's close.
    sqlite3* m_sqlite = nullptr;
    // Counts cancels; a lock wait gives up when it changes while the wait lasts.
    std::atomic<unsigned> m_cancels = 0;
    // The current lock wait, kept by the busy handler on the owning thread.
    std::chrono::milliseconds m_lockWait{0};
    std::chrono::steady_clock::time_point m_waitStarted;
    unsigned m_cancelsAtWaitStart = 0;
};

} // namespace vorenta
