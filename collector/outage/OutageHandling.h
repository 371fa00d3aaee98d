#pragma once

#include "collector/database/TDTM.h"
#include "collector/database/store/DatabaseReadingStore.h"
#include "collector/outage/KeptSettings.h"
#include "collector/outage/OutageCycleDatabase.h"
#include "collector/outage/PendingQueue.h"
#include "collector/outage/PendingReplay.h"
#include "collector/outage/QueueFile.h"
#include "collector/outage/QueueingReadingStore.h"

#include <QString>

namespace vorenta {

/// What a collector on a central server adds to outlive an outage, put together once in the
/// composition root: the queue's file in the program folder, the queue, the kept settings, the
/// replay, and the two wrappers the pass uses instead of the plain store and cycle database.
/// The embedded database is on this machine and needs none of it.
///
/// Everything here lives on the thread that owns the central connection (the main thread).
class OutageHandling {
public:
    OutageHandling(const QString& programFolder, TDTM& server, DatabaseReadingStore& store,
                   const CollectorSettings& settings, LogSink& log, const StopSignal& stop);

    ReadingStore& store() { return m_store; }
    CycleDatabase& database() { return m_database; }

private:
    QueueFile m_file;
    PendingQueue m_queue;
    KeptSettings m_kept;
    QueueingReadingStore m_store;
    PendingReplay m_replay;
    OutageCycleDatabase m_database;
};

} // namespace vorenta
