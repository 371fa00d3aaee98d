#pragma once

#include "collector/probing/DeviceReading.h"

namespace vorenta {

/// How the store of one reading ended. A caller that keeps readings for later (the central
/// server out of reach) needs to tell a server it could not reach from one that said no.
enum class StoreOutcome {
    Stored,      ///< its DadosOid row is committed in the database
    Refused,     ///< the database decided against it (exclusion list, a statement it refused); logged
    Failed,      ///< a failure before the reading could be judged (Parametros unreadable, ...); logged
    Unreachable, ///< the database could not be reached, or the connection broke: nothing stored; logged
    Queued,      ///< kept in the local queue, to be sent later (a collector on a central server)
};

/// Where the walk hands every device that has a serial number. Logs its own outcome and never
/// throws towards the walk.
class ReadingStore {
public:
    virtual ~ReadingStore() = default;
    virtual StoreOutcome StoreReading(const DeviceReading& reading) = 0;
};

} // namespace vorenta
