#pragma once

#include "collector/database/PendingQueue.h"
#include "collector/database/ReadingStore.h"
#include "common/ActivityLog.h"
#include "common/StopSignal.h"
#include "common/database/SqlQuery.h"

#include <QDateTime>

#include <functional>
#include <optional>

namespace vorenta {

class TDTM;

/// Where the replay stores a reading taken earlier: the reading store's own path.
class PendingStore {
public:
    virtual ~PendingStore() = default;
    /// Stores `pending` as it was read (with its identity and settings), its date columns set to
    /// `DataLog` (the server's clock). Logs as a store does; never throws.
    virtual StoreOutcome StorePending(const PendingReading& pending, const QDateTime& DataLog) = 0;
};

/// Sends the local queue to the central database at the start of a cycle, oldest first, each
/// reading removed from the queue only after its store committed. The first reading that cannot
/// reach the server stops the replay; the rest waits for the next cycle.
///
/// Exactly once: before a reading is sent, the DataLog it goes with is written to the queue
/// (synced; a batch of readings at a time). A reading found with a DataLog was perhaps stored already (the
/// program was killed between the central commit and the removal, or the connection broke during the commit):
/// the central database is asked for its row (IDServ, Chave, NSerie, DataLog) first, and it is sent only when
/// that row is not there.
///
/// Dates: a reading keeps its collection time, moved onto the server's clock by the
/// server-minus-local offset measured when the replay begins, so that it sorts with the readings
/// stored live (whose DataLog is the server's time).
class PendingReplay {
public:
    using Clock = std::function<QDateTime()>;

    /// Readings marked, and removed, in one transaction of the queue's file.
    static constexpr int kBatch = 50;

    PendingReplay(TDTM& dataModule, PendingStore& store, PendingQueue& queue, LogSink& log,
                  Clock clock = &QDateTime::currentDateTime);

    /// Drops what is past the age bound, then sends what waits; logs "Leituras pendentes
    /// enviadas: N" when readings waited. Call on a working connection ("Teste de Conexão OK").
    /// Ends early at a stop request.
    void ReplayPending(const StopSignal& stop);

private:
    std::optional<qint64> serverOffsetSeconds();
    std::optional<bool> isStored(const PendingReading& pending);
    bool sendBatch(qint64 offsetSeconds, const StopSignal& stop, qint64& sent);
    bool send(const PendingReading& pending, bool markedBefore, qint64& sent);

    TDTM& m_dm;
    PendingStore& m_store;
    PendingQueue& m_queue;
    LogSink& m_log;
    Clock m_clock;
    SqlQuery m_query;
};

} // namespace vorenta
