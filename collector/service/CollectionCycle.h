#pragma once

#include "collector/database/CycleDatabase.h"
#include "collector/database/RangeTable.h"
#include "collector/service/walk/AddressWalk.h"
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
/// What a central server out of reach changes (the kept ranges and rest, the replay of the
/// local queue) is the database's business: see collector/outage/OutageCycleDatabase.h.
class CollectionCycle {
public:
    using LocalAddressLookup = std::function<QString()>;
    /// Told at the end of every cycle how it went: the pass's line, or why nothing was walked.
    using PassEnded = std::function<void(const QString& status)>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    /// The rest after a cycle that found no Chave and IDServ (a stop ends it at once).
    static constexpr std::chrono::minutes kRestWithoutIdentity{1};

    CollectionCycle(const CollectorIdentity& identity, CycleDatabase& database, AddressWalk& walk,
                    LocalAddressLookup localAddress, LogSink& log, const StopSignal& stop);

    /// Runs one cycle. `restAfterCycle` false skips the rest at its end (--once).
    /// Exceptions from the rest's database query leave this function; the loop drops them.
    void RunCycle(bool restAfterCycle = true);

    void setPassEnded(PassEnded passEnded) { m_passEnded = std::move(passEnded); }
    /// The clock the pass's wall time is taken from (tests).
    void setClock(Clock clock) { m_clock = std::move(clock); }

    const QString& LocalIp() const { return m_localIp; }
    const RangeTable& ranges() const { return m_ranges; }

private:
    void walkRanges();
    void rest(bool restAfterCycle);
    void passWalked(std::chrono::steady_clock::time_point started);
    void passEnded(const QString& status);

    const CollectorIdentity& m_identity;
    CycleDatabase& m_database;
    AddressWalk& m_walk;
    LocalAddressLookup m_localAddress;
    LogSink& m_log;
    const StopSignal& m_stop;
    QString m_localIp;
    RangeTable m_ranges;
    PassEnded m_passEnded;
    Clock m_clock = &std::chrono::steady_clock::now;
};

} // namespace vorenta
