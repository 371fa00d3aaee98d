#pragma once

#include "collector/database/RangeTable.h"

namespace vorenta {

class StopSignal;

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

    /// Reads Ed7 of the customer's Parametros row and rests that many minutes, or until `stop`
    /// is requested. Throws when the Parametros query cannot be opened (the cycle then ends).
    virtual void WaitBetweenCycles(const StopSignal& stop) = 0;
};

} // namespace vorenta
