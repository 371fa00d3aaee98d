#pragma once

#include "collector/service/walk/AddressVisit.h"
#include "collector/service/walk/AddressWalk.h"
#include "collector/service/walk/OwnerCalls.h"
#include "collector/service/walk/PassModelOids.h"
#include "collector/service/walk/ProbeThreads.h"
#include "collector/service/walk/VisitTape.h"
#include "collector/service/walk/WalkOrderLog.h"

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
/// Threads. The thread that runs the cycle (the owner) gives each address, in walk order across
/// all ranges of the pass, a place and a tape (VisitTape), and runs its visit on the tape until
/// the visit asks what the tape does not hold. The GETs of that step go to the run's engine,
/// which answers on its own thread into the owner's mailbox, and the owner runs the visit again.
/// So an address where nothing answers, or that refuses, never has a thread: it is a tape and a
/// few GETs in the engine. Once a device has answered anything, its visit runs on a probing
/// thread (ProbeThreads) that waits for each further answer. A source that cannot ask without
/// waiting (a test's) is asked on a probing thread too. Everything on the database connection
/// stays on the owner: the store, and the model OID table, which a probing thread asks of the
/// owner (OwnerCalls) and waits for.
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
/// Early silence. Each visit asks through a PrefetchingSnmpSource: where nothing answers, it
/// costs two waits instead of thirteen.
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
    /// `probeThreads`: the most probing threads (fitted to the system's limits).
    ConcurrentWalk(const WalkParts& parts, WalkOrderLog& log, const StopSignal& stop, int simultaneous,
                   std::size_t threadStack = ProbeThreads::kStackSize, int probeThreads = ProbeThreads::kMaxThreads);
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
    struct Run;
    class QueuedLines;

    bool handOver(const QString& address, int range);
    void startProbe(const std::shared_ptr<Place>& place);
    void advance(const std::shared_ptr<Place>& place);
    void learnFirstStep(const Place& place);
    Run runVisit(Place& place, bool waits);
    void ask(const std::shared_ptr<Place>& place);
    void askWaiting();
    void send(const std::shared_ptr<Place>& place);
    std::size_t backlog() const;
    void onThread(std::function<void()> job);
    void finish(Place& place, Run&& run);
    void takeAnswers();
    void lowerLimit(int addresses, const QString& cause, bool beforeLastPlace);
    bool retryHead();
    bool pump(const std::function<bool()>& enough);
    void commitReady();
    void commit(Place& place);
    bool headReady() const; // with m_mutex held
    void wakeOwner();
    void openPass();
    void closePass();

    WalkParts m_parts;
    WalkOrderLog& m_log;
    const StopSignal& m_stop;
    int m_simultaneous; ///< the owner's; lowered when memory or threads run out
    const std::size_t m_threadStack;
    const int m_probeThreads;
    QString m_currentPrefix;

    // The owner's: the places not yet committed, head first, and the pass's threads.
    std::deque<std::shared_ptr<Place>> m_order;
    int m_addressesInFlight = 0;
    int m_ranges = 0;
    bool m_passOpen = false;
    std::unique_ptr<QueuedLines> m_queuedLines;
    std::unique_ptr<ProbeThreads> m_threads;
    std::deque<std::shared_ptr<Place>> m_toAsk; ///< visits whose next step waits for the network
    std::optional<StepRequest> m_firstStep;     ///< what every visit of the pass asks first
    OwnerCalls m_calls;
    PassModelOids m_modelOids;

    // Shared with the probing threads and the engine's thread.
    mutable std::mutex m_mutex;
    std::condition_variable m_ownerWakes; ///< a place is probed, answers came, or a call waits
    std::deque<std::pair<std::shared_ptr<Place>, StepAnswers>> m_answers; ///< for the owner to take
    int m_asking = 0; ///< steps handed to the network whose answers have not come
    std::atomic<int> m_abandonedRange{0};
    std::atomic<bool> m_outOfMemory{false}; ///< a probe ran out since the owner last looked
    std::atomic<int> m_probing{0};          ///< addresses handed over and not yet probed
    std::atomic<bool> m_foreseeing{true};   ///< m_firstStep may be asked for the next address
};

/// The walk for `simultaneous` addresses in flight: 1 is the serial walk itself (RangeWalk),
/// anything more the ConcurrentWalk.
std::unique_ptr<AddressWalk> MakeWalk(const WalkParts& parts, WalkOrderLog& log, const StopSignal& stop,
                                      int simultaneous, int probeThreads = ProbeThreads::kMaxThreads);

} // namespace vorenta
