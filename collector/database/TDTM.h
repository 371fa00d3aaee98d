#pragma once

#include "collector/database/CycleDatabase.h"
#include "common/ActivityLog.h"
#include "common/CollectorIdentity.h"
#include "common/database/DatabaseConnection.h"
#include "common/database/DatabaseError.h"
#include "common/database/SqlQuery.h"

namespace vorenta {

/// The collector's data module: its one connection to the central database and the query
/// objects each part of the cycle uses, plus the parameter and range reads of a cycle.
///
/// Created, used and destroyed on the thread that runs the service and commits the readings in
/// walk order (see ServiceHost.h): that thread owns the connection, which lasts from pass to pass
/// while it works. Queries are members so that each role keeps its own result (the reading store
/// walks one query's rows while it issues statements on another) and its prepared statements.
class TDTM final : public CycleDatabase {
public:
    /// The longest rest between cycles, in minutes: what a 32-bit count of milliseconds holds.
    static constexpr int kMaxPauseMinutes = 71582;

    TDTM(DatabaseSettings settings, CollectorIdentity identity, LogSink& log);

    /// A working connection: the open one when the check before use finds it sound (no round
    /// trip), else a new one. Logs "Erro de conexão. : " with the driver's text and returns false
    /// when it cannot be opened.
    bool ConnectDatabase() override;
    /// Opens the connection afresh, whatever state it is in; logs and returns false like
    /// ConnectDatabase.
    bool ReconnectDatabase();

    /// Runs `read`, statements that change nothing, on the connection. A connection can break
    /// while idle in ways the check before use cannot see (a firewall that dropped it during the
    /// rest between cycles): when `read` finds it broken, the connection is opened again once
    /// and `read` runs again. False, with the connection error logged, when it cannot be
    /// reopened; every other failure leaves as thrown.
    template <typename Read> bool ReadOnWorkingConnection(Read&& read)
    {
        try {
            read();
            return true;
        } catch (const ConnectionError& error) {
            if (error.cancelled())
                throw; // stopping: nothing more to do here
        }
        if (!ReconnectDatabase())
            return false;
        read();
        return true;
    }

    bool LoadRanges(RangeTable& table) override;
    int WaitBetweenCycles(const StopSignal& stop) override;

    /// Minutes to rest for an Ed7 text: 1 when it is not a whole number, clamped to
    /// 0..kMaxPauseMinutes otherwise.
    static int PauseMinutes(const QString& ed7);

    const CollectorIdentity& identity() const { return m_identity; }
    LogSink& log() const { return m_log; }
    const Dialect& dialect() const { return ConexaoWeb.dialect(); }

    DatabaseConnection ConexaoWeb;
    SqlQuery QryDadosOid{ConexaoWeb};      ///< reading store: DadosOid, ListaEquipCli, UltLog
    SqlQuery QryBuscaOid{ConexaoWeb};      ///< model OID table lookups
    SqlQuery QryBuscaRange{ConexaoWeb};    ///< RangeIP read
    SqlQuery QryParametros{ConexaoWeb};    ///< Parametros reads
    SqlQuery QryPadrao{ConexaoWeb};        ///< server time, exclusions, failure rows, Notificado
    SqlQuery QryAlimentaFalha{ConexaoWeb}; ///< failure count
    SqlQuery QryAux{ConexaoWeb};           ///< alerta reads and writes, inoperative updates

private:
    CollectorIdentity m_identity;
    LogSink& m_log;
};

} // namespace vorenta
