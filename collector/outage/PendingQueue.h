#pragma once

#include "collector/outage/QueueBounds.h"
#include "collector/outage/QueueClock.h"
#include "collector/outage/QueueFile.h"
#include "collector/probing/DeviceReading.h"
#include "common/ActivityLog.h"
#include "common/CollectorIdentity.h"
#include "common/CollectorSettings.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace vorenta {

/// A reading the central database could not take when it was read, with everything its store
/// needs later.
struct PendingReading {
    qint64 Id = 0; ///< given by the queue, grows with every reading: the replay order
    /// The reading's own identity, given by the queue and written with it into DadosOid
    /// (IdLeitura): what the replay looks for, whatever serials and dates other readings share.
    QString IdLeitura;
    QDateTime ColetadoEm;       ///< the collector's own clock when the reading was taken
    qint64 BootMs = -1;         ///< milliseconds since boot then (-1: unknown)
    QString BootId;             ///< the boot it was taken in
    CollectorIdentity identity; ///< the collector that read it
    CollectorSettings settings; ///< contacts, company code, computer name and version it carries
    DeviceReading reading;
    /// Valid for a reading whose live store broke during its commit: the DataLog (server clock)
    /// its row went with. The central database may hold it already, without an IdLeitura (live
    /// stores write none): the replay looks for it by its keys and this DataLog.
    QDateTime DataLog;
    bool SentWithoutId = false;

    QueueTime collected() const { return {ColetadoEm, BootMs, BootId}; }
};

/// The local queue of readings waiting for the central database, in the queue's file.
///
/// Every reading is added in a transaction synced to disk before the call returns, so a crash or
/// a power cut right after loses nothing. No failure of the file reaches the caller: the file
/// logs it, and the call says false.
class PendingQueue {
public:
    PendingQueue(QueueFile& file, PendingQueueBounds bounds, LogSink& log, QueueClock clock = &SystemQueueTime);

    const PendingQueueBounds& bounds() const { return m_bounds; }
    QueueFile& file() { return m_file; }

    /// Adds `pending`: its Id, its IdLeitura when it has none, and its collection time when it
    /// has none, are given here. Drops the oldest readings over a bound, and logs "Leitura
    /// guardada para envio posterior: IP NSerie". False when the file cannot take it (the file
    /// logged why; the caller says what becomes of the reading).
    bool enqueue(PendingReading pending);

    /// True when readings wait (known without a statement once the file is open).
    bool hasWaiting();
    qint64 count();

    /// The `limit` oldest waiting readings, oldest first; empty when none waits. A row that
    /// cannot be read back is dropped with a line.
    QList<PendingReading> oldest(int limit);
    /// The oldest waiting reading, nothing when none waits.
    std::optional<PendingReading> oldest();

    /// Removes the readings `ids` (stored, or refused by the central database), synced.
    bool remove(const QList<qint64>& ids);

    /// Drops the readings older than the age bound, oldest first (counted for reportPass).
    void dropExpired();

    /// How long ago `pending` was read, in seconds: by the clock since boot when it was read in
    /// this boot (a wall clock set right meanwhile moves nothing), else by the wall clock.
    qint64 ageSeconds(const PendingReading& pending) const;

    /// The pass's lines: how many readings a bound dropped since the last report, and how many
    /// wait. A new pass for the file's failure lines too.
    void reportPass();

private:
    void dropOverBounds(DatabaseConnection& connection);
    void dropOverAge(DatabaseConnection& connection);
    void dropOverSize(DatabaseConnection& connection);
    qint64 countRows(DatabaseConnection& connection);

    QueueFile& m_file;
    PendingQueueBounds m_bounds;
    LogSink& m_log;
    QueueClock m_clock;
    bool m_waiting = false;
    quint64 m_waitingOpening = 0; ///< the file's opening m_waiting was learnt in; 0: not known
    qint64 m_droppedByAge = 0;
    qint64 m_droppedBySize = 0;
};

} // namespace vorenta
