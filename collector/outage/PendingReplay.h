#pragma once

#include "collector/database/ReadingStore.h"
#include "collector/outage/PendingQueue.h"
#include "common/ActivityLog.h"
#include "common/StopSignal.h"
#include "common/database/SqlQuery.h"

#include <QDateTime>
#include <QSet>

#include <optional>

namespace vorenta {

class TDTM;

/// Where the replay stores a reading taken earlier: the reading store's own path.
class PendingStore {
public:
    virtual ~PendingStore() = default;
    /// Stores `pending` as it was read (with its identity, its settings and its IdLeitura), its
    /// date columns set to `DataLog` (the server's clock). Logs as a store does; never throws.
    virtual StoreOutcome StorePending(const PendingReading& pending, const QDateTime& DataLog) = 0;
};

/// Sends the local queue to the central database at the start of a cycle, oldest first, each
/// reading removed from the queue only after its store committed. The first reading that cannot
/// reach the server stops the replay; the rest waits for the next cycle.
///
/// Exactly once: every queued reading has its own identity, IdLeitura, written with it into
/// DadosOid. Before a batch is sent the central database is asked, in one statement, which of
/// the batch's identities it holds (a replay before was cut short between the central commit and
/// the removal from the queue, or the connection broke during the commit); those are removed
/// unsent. A reading whose live store broke during its commit went without an IdLeitura: it is
/// looked for by its collector, serial, address and DataLog second instead.
///
/// Dates: a reading keeps its true collection time, moved onto the server's clock: its DataLog
/// is the server's time when the replay begins less the reading's age (by the clock since boot
/// when it was read in this boot, so that a wall clock set right during the outage neither ages
/// nor dates it wrongly).
class PendingReplay {
public:
    /// Readings looked for in one statement, and removed in one transaction of the queue's file.
    static constexpr int kBatch = kHeldReadingsBatch; // one HeldReadings statement a batch

    PendingReplay(TDTM& dataModule, PendingStore& store, PendingQueue& queue, LogSink& log,
                  QueueClock clock = &SystemQueueTime);

    /// Drops what is past the age bound, then sends what waits; logs "Leituras pendentes
    /// enviadas: N" when readings waited, and why the replay stopped when some still wait. Call
    /// on a working connection ("Teste de Conexão OK"). Ends early at a stop request.
    void ReplayPending(const StopSignal& stop);

private:
    struct ServerClock {
        QDateTime serverNow;
        QueueTime localNow;
    };
    std::optional<ServerClock> serverClock();
    bool serverTakesIdentities();
    std::optional<QSet<QString>> heldByServer(const QList<PendingReading>& batch);
    bool storedWithoutId(const PendingReading& pending);
    bool sendBatch(const ServerClock& clock, const StopSignal& stop, qint64& sent);
    bool send(const PendingReading& pending, const QDateTime& DataLog, qint64& sent);

    TDTM& m_dm;
    PendingStore& m_store;
    PendingQueue& m_queue;
    LogSink& m_log;
    QueueClock m_clock;
    SqlQuery m_query;
};

} // namespace vorenta
