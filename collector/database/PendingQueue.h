#pragma once

#include "collector/database/RangeTable.h"
#include "collector/probing/DeviceReading.h"
#include "common/ActivityLog.h"
#include "common/CollectorIdentity.h"
#include "common/CollectorSettings.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vorenta {

/// A reading the central database could not take when it was read, with everything its store
/// needs later.
struct PendingReading {
    qint64 Id = 0;              ///< given by the queue, grows with every reading: the replay order
    QDateTime ColetadoEm;       ///< the collector's own clock when the reading was taken
    CollectorIdentity identity; ///< the collector that read it
    CollectorSettings settings; ///< contacts, company code, computer name and version it carries
    DeviceReading reading;
    /// The DataLog (server clock) a send of this reading began with; invalid while none began.
    /// When valid, the central database may hold the reading already: look before sending again.
    QDateTime DataLog;
};

/// How much the queue keeps: Coletor.ini [COLETOR] PendentesDias and PendentesMB.
struct PendingQueueBounds {
    static constexpr int kDefaultDays = 30;
    static constexpr int kDefaultMegabytes = 100;
    static constexpr int kMaxDays = 3650;
    static constexpr int kMaxMegabytes = 100000;

    int maxAgeDays = kDefaultDays;
    int maxMegabytes = kDefaultMegabytes;

    qint64 maxBytes() const { return qint64{maxMegabytes} * 1024 * 1024; }
};

/// Reads PendentesDias and PendentesMB from `programFolder`/Coletor.ini. A missing key, or an
/// unreadable file, gives the default; a value that is not a whole number from 1 to the maximum
/// gives the default or the maximum, with a line for the log in `notices`.
PendingQueueBounds LoadPendingQueueBounds(const QString& programFolder, QStringList& notices);

/// The local queue of readings waiting for the central database, and the ranges and rest the
/// collector last loaded from it: one SQLite file, Pendentes.db in the program folder.
///
/// Every reading is added in a transaction synced to disk before the call returns, so a crash or
/// a power cut right after loses nothing. A file that cannot be read as a queue is renamed with
/// the date ("Pendentes.db.corrompido-yyyyMMdd-HHmmss"), logged, and a new one started; no
/// failure of the file reaches the caller (each is logged). The file is opened at first use.
///
/// Used by the thread that owns the central connection only (the main thread): one connection
/// of its own, no lock.
class PendingQueue {
public:
    using Clock = std::function<QDateTime()>;

    static constexpr const char* kFileName = "Pendentes.db";

    PendingQueue(QString file, PendingQueueBounds bounds, LogSink& log,
                 Clock clock = &QDateTime::currentDateTime);
    ~PendingQueue();
    PendingQueue(const PendingQueue&) = delete;
    PendingQueue& operator=(const PendingQueue&) = delete;

    const QString& file() const { return m_file; }
    const PendingQueueBounds& bounds() const { return m_bounds; }

    /// Adds `pending` (its Id is given here), drops the oldest readings over a bound, and logs
    /// "Leitura guardada para envio posterior: IP NSerie". False, with the loss logged, when the
    /// file cannot take it.
    bool enqueue(const PendingReading& pending);

    /// True when readings wait (known without a statement once the file is open).
    bool hasWaiting();
    qint64 count();

    /// The `limit` oldest waiting readings, oldest first; empty when none waits. A row that
    /// cannot be read back is dropped with a line.
    QList<PendingReading> oldest(int limit);
    /// The oldest waiting reading, nothing when none waits.
    std::optional<PendingReading> oldest();

    /// Records, in one synced transaction, the DataLog each send of `readings` begins with.
    bool markSending(const QList<PendingReading>& readings);

    /// Removes the readings `ids` (stored, or refused by the central database), synced.
    bool remove(const QList<qint64>& ids);

    /// Drops the readings older than the age bound, oldest first (counted for reportPass).
    void dropExpired();

    /// The pass's lines: how many readings a bound dropped since the last report, and how many
    /// wait.
    void reportPass();

    /// Keeps `table` as the ranges of `identity` (rewritten only when it changed).
    void keepRanges(const CollectorIdentity& identity, const RangeTable& table);
    /// The ranges kept for `identity`; nothing when none are kept.
    std::optional<RangeTable> keptRanges(const CollectorIdentity& identity);

    /// Keeps the rest between cycles, in minutes, read from the central database.
    void keepPauseMinutes(int minutes);
    std::optional<int> keptPauseMinutes();

private:
    template <typename Work> bool guarded(Work&& work);
    void ensureOpen();
    void openFile();
    void closeFile();
    void moveAside(const QString& why);
    void dropOverBounds();
    qint64 countRows();

    QString m_file;
    PendingQueueBounds m_bounds;
    LogSink& m_log;
    Clock m_clock;
    QString m_connectionName;
    bool m_open = false;
    bool m_waiting = false;
    qint64 m_droppedByAge = 0;
    qint64 m_droppedBySize = 0;
    QString m_keptRangesKey; ///< what keepRanges last wrote, to skip rewriting the same
    std::optional<int> m_keptPause;
};

} // namespace vorenta
