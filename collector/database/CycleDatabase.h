#pragma once

#include "collector/database/RangeTable.h"
#include "common/ActivityLog.h"
#include "common/StopSignal.h"

#include <chrono>

namespace vorenta {

/// What a collection cycle asks of the central database: the connection test, the collector's
/// ranges, and the rest between cycles.
class CycleDatabase {
public:
    virtual ~CycleDatabase() = default;

    /// Opens the connection, or checks the open one and reopens it when it is broken; logs
    /// "Erro de conexão. : " with the driver's text and returns false when it cannot be opened.
    virtual bool ConnectDatabase() = 0;

    /// Fills `table` from RangeIP for this collector's Chave and IDServ. Never throws. False when
    /// the ranges could not be read (logged with the driver's text): `table` then keeps what it
    /// held, and the cycle must not take the failure for "no range configured".
    virtual bool LoadRanges(RangeTable& table) = 0;

    /// Reads Ed7 of the customer's Parametros row and rests that many minutes (RestBetweenCycles),
    /// or until `stop` is requested; returns the minutes. Throws when the Parametros query cannot
    /// be opened (the cycle then ends).
    virtual int WaitBetweenCycles(const StopSignal& stop) = 0;

    /// Whether a cycle whose connection test failed goes on (with what LoadRanges then gives):
    /// false for the embedded database, where a failure is a fault of this machine.
    virtual bool WalksWithoutConnection() const { return false; }

    /// Right after "Teste de Conexão OK": what a working connection is for before the pass.
    virtual void ConnectionTested() {}

    /// The pass's walk is over (before the rest, also when there is none).
    virtual void PassEnded() {}
};

/// The rest itself: "Aguardando (N) minuto(s)  antes de continuar.", then `minutes` minutes or
/// until `stop` is requested.
inline void RestBetweenCycles(int minutes, LogSink& log, const StopSignal& stop)
{
    log.WriteLog(QStringLiteral("Aguardando (%1) minuto(s)  antes de continuar.").arg(minutes));
    if (minutes > 0)
        stop.waitFor(std::chrono::minutes(minutes));
}

} // namespace vorenta
