#pragma once

#include "collector/database/ReadingStore.h"
#include "collector/database/store/DatabaseReadingStore.h"
#include "collector/outage/PendingQueue.h"
#include "collector/outage/PendingReplay.h"
#include "common/ActivityLog.h"

namespace vorenta {

/// The store of a collector on a central server: the reading store, with the local queue for
/// what cannot reach the server now.
///  - While readings wait in the queue, a new one joins them, so that the server gets the
///    readings in the order they were read (the newest by Cod is what alerts and the sweep look at).
///  - A reading the server cannot be reached for is queued.
///  - When the queue cannot take a reading (a full disk, a file of another user), the server is
///    tried directly: order matters less than loss. Said once per pass.
///  - Only a reading neither the server nor the queue could take is lost, and named in the log.
/// The replay stores queued readings through the same reading store (PendingStore).
class QueueingReadingStore final : public ReadingStore, public PendingStore {
public:
    QueueingReadingStore(DatabaseReadingStore& store, PendingQueue& queue, const CollectorIdentity& identity,
                         const CollectorSettings& settings, LogSink& log);

    StoreOutcome StoreReading(const DeviceReading& reading) override;
    StoreOutcome StorePending(const PendingReading& pending, const QDateTime& DataLog) override;

    /// A new pass: the line for readings that went past the queue is said again, once.
    void newPass() { m_saidDirect = false; }

private:
    bool keepForLater(const DeviceReading& reading, const QDateTime& sentWith);

    DatabaseReadingStore& m_store;
    PendingQueue& m_queue;
    const CollectorIdentity& m_identity;
    const CollectorSettings& m_settings;
    LogSink& m_log;
    bool m_saidDirect = false;
};

} // namespace vorenta
