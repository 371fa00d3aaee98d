#pragma once

#include "collector/database/ReadingStore.h"

#include <QString>

#include <chrono>

namespace vorenta {

/// What one pass did, counted at the walk as addresses are committed in walk order.
struct PassTally {
    int addresses = 0; ///< addresses visited ("Coletando dados de")
    int devices = 0;   ///< of them printers: a serial number, a reading to store
    int stored = 0;    ///< readings committed in the database
    int queued = 0;    ///< kept in the local queue for a server out of reach
    int refused = 0;   ///< the database decided against them (exclusion list, a refused statement)
    int errors = 0;    ///< neither stored nor kept: a failure, a server out of reach with no queue

    void count(StoreOutcome outcome);
};

/// The pass's line: "Busca concluída: 253 endereços, 5 equipamentos, 5 gravados, 0 pendentes,
/// 0 recusados, 0 erros, 10,3 s" (the wall time in tenths of a second, with a decimal comma);
/// "Busca interrompida: ..." when a stop cut the pass short.
QString PassSummaryLine(const PassTally& tally, std::chrono::milliseconds wallTime, bool interrupted);

} // namespace vorenta
