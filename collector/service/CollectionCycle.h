#pragma once

#include "collector/database/CycleDatabase.h"
#include "collector/database/PendingQueue.h"
#include "collector/database/RangeTable.h"
#include "collector/service/AddressWalk.h"
#include "common/ActivityLog.h"
#include "common/CollectorIdentity.h"
#include "common/StopSignal.h"

#include <QString>

#include <chrono>
#include <functional>

namespace vorenta {

/// One collection cycle: connect, load the collector's ranges, walk each configured range (or
/// the local network when none is configured), then rest. The range table and the local address
/// live as long as the service.
///
/// With a central server (a local queue given), the cycle also keeps working while the server is
/// out of reach: it sends the queued readings after "Teste de Conexão OK", keeps the ranges and
/// the rest it loads in the queue's file, and when the server cannot be reached it walks the
/// kept ranges (never the local network) and rests the kept minutes; the store queues what it
/// reads.
class CollectionCycle {
public:
    using LocalAddressLookup = std::function<QString()>;
    /// Sends the queued readings; called on a working connection.
    using ReplayPending = std::function<void()>;

    /// The rest after a cycle that found no Chave and IDServ (a stop ends it at once).
    static constexpr std::chrono::minutes kRestWithoutIdentity{1};
    /// The rest while the server cannot be reached and no rest was ever read from it.
    static constexpr int kRestMinutesWithoutServer = 1;

    CollectionCycle(const CollectorIdentity& identity, CycleDatabase& database, AddressWalk& walk,
                    LocalAddressLookup localAddress, LogSink& log, const StopSignal& stop,
                    PendingQueue* pending = nullptr, ReplayPending replayPending = {});

    /// Runs one cycle. `restAfterCycle` false skips the rest at its end (--once).
    /// Exceptions from the rest's database query leave this function; the loop drops them.
    void RunCycle(bool restAfterCycle = true);

    const QString& LocalIp() const { return m_localIp; }
    const RangeTable& ranges() const { return m_ranges; }

private:
    void walkRanges();
    void rest(bool restAfterCycle);
    void takeKeptRanges();
    void walkWithoutServer(bool restAfterCycle);
    void restKeptMinutes(bool restAfterCycle);

    const CollectorIdentity& m_identity;
    CycleDatabase& m_database;
    AddressWalk& m_walk;
    LocalAddressLookup m_localAddress;
    LogSink& m_log;
    const StopSignal& m_stop;
    PendingQueue* m_pending;
    ReplayPending m_replayPending;
    QString m_localIp;
    RangeTable m_ranges;
};

} // namespace vorenta
