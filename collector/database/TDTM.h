#pragma once

#include "collector/database/CycleDatabase.h"
#include "common/ActivityLog.h"
#include "common/CollectorIdentity.h"
#include "common/database/DatabaseConnection.h"
#include "common/database/SqlQuery.h"

namespace vorenta {

/// The collector's data module: its one connection to the central database and the query
/// objects each part of the cycle uses, plus the parameter and range reads of a cycle.
///
/// Created, used and destroyed on the thread that runs the service (see ServiceHost.h). Queries are members
/// so that each role keeps its own result (the reading store walks one query's rows while it issues
/// statements on another).
class TDTM final : public CycleDatabase {
public:
    /// The longest rest between cycles, in minutes: what a 32-bit count of milliseconds holds.
    static constexpr int kMaxPauseMinutes = 71582;

    TDTM(DatabaseSettings settings, CollectorIdentity identity, LogSink& log);

    bool ConnectDatabase() override;
    bool LoadRanges(RangeTable& table) override;
    void WaitBetweenCycles(const StopSignal& stop) override;

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
