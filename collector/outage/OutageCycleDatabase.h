#pragma once

#include "collector/database/CycleDatabase.h"
#include "collector/outage/KeptSettings.h"
#include "common/ActivityLog.h"
#include "common/CollectorIdentity.h"
#include "common/StopSignal.h"

#include <functional>

namespace vorenta {

/// The cycle's database for a collector on a central server, which may be out of reach for
/// hours: the server's, plus
///  - after "Teste de Conexão OK", the queued readings are sent (PendingReplay);
///  - the ranges and the rest it loads are kept in the queue's file;
///  - when the server cannot be reached, or its ranges cannot be read, the cycle walks the kept
///    ranges (never the local network, which only "no range configured" read from the server may
///    send the collector to) and rests the kept minutes.
class OutageCycleDatabase final : public CycleDatabase {
public:
    /// The rest while the server cannot be reached and no rest was ever read from it.
    static constexpr int kRestMinutesWithoutServer = 1;

    /// What the pass asks of the queue: the replay (PendingReplay::ReplayPending) and the
    /// pass's end (the queue's lines; QueueingReadingStore::newPass).
    struct QueueHooks {
        std::function<void()> replay;
        std::function<void()> passEnded;
    };

    OutageCycleDatabase(CycleDatabase& server, KeptSettings& kept, QueueHooks queue,
                        const CollectorIdentity& identity, LogSink& log);

    bool ConnectDatabase() override;
    bool LoadRanges(RangeTable& table) override;
    int WaitBetweenCycles(const StopSignal& stop) override;
    bool WalksWithoutConnection() const override { return true; }
    void ConnectionTested() override;
    void PassEnded() override;

private:
    void takeKeptRanges(RangeTable& table);
    int restKeptMinutes(const StopSignal& stop);

    CycleDatabase& m_server;
    KeptSettings& m_kept;
    QueueHooks m_queue;
    const CollectorIdentity& m_identity;
    LogSink& m_log;
    bool m_connected = false;
};

} // namespace vorenta
