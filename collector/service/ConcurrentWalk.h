#pragma once

#include "collector/service/AddressVisit.h"
#include "collector/service/AddressWalk.h"
#include "collector/service/ProbeThreads.h"
#include "collector/service/WalkOrderLog.h"

#include <QHash>
#include <QPair>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vorenta {

/// The range walk with many addresses probed at once, observably the serial walk (RangeWalk):
/// the same readings stored, the same log lines in the same order; only the time differs.
///
/// Threads. The thread that runs the cycle (the owner) hands each address, in walk order across
/// all ranges of the pass, to a probing thread (ProbeThreads). A probing thread identifies the
/// device and reads it, talking SNMP through its own sockets only; it keeps the address's log
/// lines and reading to itself. Everything on the database connection stays on the owner: the
/// store, and the model OID table, which a probing thread asks of the owner and waits for.
///
/// Order. Every address and every line the cycle writes meanwhile takes the next place in the
/// walk order. The owner commits place k (the address's lines, written now; then "Gravando
/// dados " and the store) only after place k-1, and starts no address more than `simultaneous`
/// places ahead of the next one to commit, so memory follows the addresses in flight, not the
/// size of the ranges. A failure while probing an address commits that address's lines and
/// abandons the rest of its range: later results of that range are dropped unlogged, the next
/// range goes on. A stop ends the pass: nothing more is committed, in-flight GETs end at once,
/// and the probing threads are joined before the walk returns.
///
/// Early silence. Each address is identified through a PrefetchingSnmpSource: where nothing
/// answers, it costs two waits instead of thirteen.
///
/// Limits. Memory and threads are the system's, not the walk's: when it refuses a probing thread
/// the walk goes on with the threads it has, and when probing an address runs out of memory the
/// address is probed again once it is next to commit. Either lowers the addresses in flight, for
/// the rest of the process, with one line "Simultaneos reduzido a N: ...". An address that runs
/// out of memory with no other address in flight is named in the log and the walk throws
/// std::bad_alloc: the service ends, and says why, instead of passing over devices unstored.
class ConcurrentWalk final : public AddressWalk {
public:
    /// `log`: the owner's log; the walk routes it while addresses wait for their turn.
    /// `simultaneous`: the most addresses in flight (Coletor.ini [COLETOR] Simultaneos).
    /// `threadStack`: of each probing thread (ProbeThreads).
    ConcurrentWalk(const WalkParts& parts, WalkOrderLog& log, const StopSignal& stop, int simultaneous,
                   std::size_t threadStack = ProbeThreads::kStackSize);
    ~ConcurrentWalk() override;

    void WalkRange(const QString& startText, const QString& endText) override;
    void SetCurrentPrefix(const QString& prefix) override { m_currentPrefix = prefix; }
    /// Hands the range's addresses over and returns; they are committed as they come due, the
    /// rest by FinishWalk.
    void CollectRange(int firstHost, int lastHost) override;
    void FinishWalk() override;

    const QString& CurrentPrefix() const override { return m_currentPrefix; }

private:
    struct Place;
    struct OwnerCall;
    class OwnerModelOids;
    class QueuedLines;

    bool handOver(const QString& address, int range);
    void probe(Place& place);
    void startProbe(const std::shared_ptr<Place>& place);
    void post(const std::shared_ptr<Place>& place);
    bool retryHead();
    void lowerLimit(int addresses, const QString& cause, bool beforeLastPlace);
    bool pump(const std::function<bool()>& enough);
    void commitReady();
    void commit(Place& place);
    void serveCalls();
    void callOwner(LogSink& lines, const std::function<void()>& work);
    bool headReady() const; // with m_mutex held
    std::optional<std::optional<QString>> knownOid(const QPair<QString, QString>& key);
    void openPass();
    void closePass();

    WalkParts m_parts;
    WalkOrderLog& m_log;
    const StopSignal& m_stop;
    int m_simultaneous; ///< the owner's; lowered when memory or threads run out
    const std::size_t m_threadStack;
    QString m_currentPrefix;
    std::thread::id m_owner; ///< the thread that runs the pass, set before any probing thread starts

    // The owner's: the places not yet committed, head first, and the pass's threads.
    std::deque<std::shared_ptr<Place>> m_order;
    int m_addressesInFlight = 0;
    int m_ranges = 0;
    bool m_passOpen = false;
    std::unique_ptr<QueuedLines> m_queuedLines;
    std::unique_ptr<ProbeThreads> m_threads;

    // Shared with the probing threads.
    mutable std::mutex m_mutex;
    std::condition_variable m_ownerWakes;   ///< a place is probed, or a call waits
    std::condition_variable m_callAnswered; ///< a call was made (or refused by a stop)
    std::deque<OwnerCall*> m_calls;
    bool m_refusingCalls = false;
    std::atomic<int> m_abandonedRange{0};
    std::atomic<bool> m_outOfMemory{false}; ///< a probing thread ran out since the owner last looked
    std::atomic<int> m_probing{0};          ///< addresses handed to a probing thread and not yet probed

    // Table Oid as looked up during the pass, by model and name: rows do not change under a pass.
    std::mutex m_oidsMutex;
    QHash<QPair<QString, QString>, std::optional<QString>> m_oids;
};

/// The walk for `simultaneous` addresses in flight: 1 is the serial walk itself (RangeWalk),
/// anything more the ConcurrentWalk.
std::unique_ptr<AddressWalk> MakeWalk(const WalkParts& parts, WalkOrderLog& log, const StopSignal& stop,
                                      int simultaneous);

} // namespace vorenta
