#include "StatementCancel.h"

#include "common/database/NativeHandle.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <thread>

namespace vorenta {

void StatementCancel::arm(const QSqlDatabase& database, std::chrono::milliseconds lockWait)
{
    std::shared_ptr<pg_cancel> postgres;
    if (PGconn* connection = NativeHandle<PGconn>(database, "pg_conn*"))
        postgres.reset(PQgetCancel(connection), &PQfreeCancel);
    sqlite3* sqlite = NativeHandle<sqlite3>(database, "sqlite3*");
    if (sqlite != nullptr) {
        m_lockWait = lockWait;
        sqlite3_busy_handler(sqlite, &StatementCancel::sqliteBusy, this); // replaces the busy time-out
    }

    std::lock_guard lock(m_mutex);
    m_postgres = std::move(postgres);
    m_sqlite = sqlite;
}

void StatementCancel::disarm()
{
    std::lock_guard lock(m_mutex);
    m_postgres.reset();
    m_sqlite = nullptr;
}

int StatementCancel::sqliteBusy(void* self, int count)
{
    auto& cancel = *static_cast<StatementCancel*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (count == 0) {
        cancel.m_waitStarted = now;
        cancel.m_cancelsAtWaitStart = cancel.m_cancels;
    }
    if (cancel.m_cancels != cancel.m_cancelsAtWaitStart || now - cancel.m_waitStarted >= cancel.m_lockWait)
        return 0; // the statement fails with "database is locked"
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return 1;
}

void StatementCancel::cancel()
{
    ++m_cancels;
    std::shared_ptr<pg_cancel> postgres;
    {
        std::lock_guard lock(m_mutex);
        if (m_sqlite != nullptr)
            sqlite3_interrupt(m_sqlite);
        postgres = m_postgres;
    }
    if (postgres) {
        char error[256];
        PQcancel(postgres.get(), error, sizeof error); // nothing running: the server ignores it
    }
}

} // namespace vorenta
