#include "ConcurrentWalk.h"

#include "collector/probing/PrefetchingSnmpSource.h"
#include "collector/service/RangeWalk.h"

#include <chrono>
#include <new>
#include <stdexcept>

namespace vorenta {

namespace {

// How often the owner looks for a stop while it waits on probing threads.
constexpr std::chrono::milliseconds kStopCheck{100};

// How often an address that ran out of memory is probed again with one address in flight before
// the walk gives up on it.
constexpr int kAttemptsAtOne = 2;

/// A call of a probing thread that the owner did not make: the pass is ending.
class PassEnding : public std::runtime_error {
public:
    PassEnding() : std::runtime_error("coleta interrompida") {}
};

} // namespace

/// One place in the walk order: an address, or a line the owner wrote while addresses waited.
struct ConcurrentWalk::Place {
    int range = 0;   ///< 1, 2, ... for the pass's ranges; 0 for a line
    QString address; ///< empty for a line
    // Written by the probing thread, read by the owner once `probed` (both under m_mutex).
    bool probed = false;
    bool printer = false;
    bool failed = false;
    bool outOfMemory = false; ///< to be probed again, its lines dropped
    int attemptsAtOne = 0;    ///< probes that ran out of memory with one address in flight
    QStringList lines;
    DeviceReading reading;
};

/// Work a probing thread needs done on the connection, made by the owner between commits.
struct ConcurrentWalk::OwnerCall {
    LogSink* lines; ///< the address's lines: what the work logs belongs to that address
    const std::function<void()>* work;
    bool done = false;
    std::exception_ptr error;
};

/// The owner's lines while places wait: each takes the next place in the walk order.
class ConcurrentWalk::QueuedLines final : public LogSink {
public:
    explicit QueuedLines(ConcurrentWalk& walk) : m_walk(walk) {}
    void WriteLog(const QString& message) override
    {
        if (m_walk.m_order.empty()) {
            m_walk.m_log.log().WriteLog(message);
            return;
        }
        auto line = std::make_shared<Place>();
        line->probed = true;
        line->lines.append(message);
        std::lock_guard lock(m_walk.m_mutex);
        m_walk.m_order.push_back(std::move(line));
    }

private:
    ConcurrentWalk& m_walk;
};

/// Table Oid for a probing thread: the lookups are made by the owner, on its connection, and
/// kept for the rest of the pass; what they log joins the address's lines.
class ConcurrentWalk::OwnerModelOids final : public ModelOidTable {
public:
    OwnerModelOids(ConcurrentWalk& walk, LogSink& lines) : m_walk(walk), m_lines(lines) {}

    bool ConnectDatabase() override
    {
        bool connected = false;
        try {
            m_walk.callOwner(m_lines, [&] { connected = m_walk.m_parts.modelOids.ConnectDatabase(); });
        } catch (const PassEnding&) {
            return false;
        }
        return connected;
    }

    std::optional<QString> BuscaOid(const QString& Modelo, const QString& NomeInfo) override
    {
        const QPair<QString, QString> key(Modelo, NomeInfo);
        if (const std::optional<std::optional<QString>> known = m_walk.knownOid(key))
            return *known;
        std::optional<QString> oid;
        m_walk.callOwner(m_lines, [&] {
            // Another address may have asked the same meanwhile: the table is read once a pass.
            if (const std::optional<std::optional<QString>> known = m_walk.knownOid(key)) {
                oid = *known;
                return;
            }
            oid = m_walk.m_parts.modelOids.BuscaOid(Modelo, NomeInfo); // a failure is asked again next time
            std::lock_guard lock(m_walk.m_oidsMutex);
            m_walk.m_oids.insert(key, oid);
        });
        return oid;
    }

private:
    ConcurrentWalk& m_walk;
    LogSink& m_lines;
};

ConcurrentWalk::ConcurrentWalk(const WalkParts& parts, WalkOrderLog& log, const StopSignal& stop,
                               int simultaneous, std::size_t threadStack)
    : m_parts(parts), m_log(log), m_stop(stop), m_simultaneous(simultaneous < 1 ? 1 : simultaneous),
      m_threadStack(threadStack)
{
}

ConcurrentWalk::~ConcurrentWalk()
{
    closePass();
}

void ConcurrentWalk::WalkRange(const QString& startText, const QString& endText)
{
    const HostRun run = RangeHosts(startText, endText, m_log);
    m_currentPrefix = run.prefix;
    CollectRange(run.firstHost, run.lastHost);
}

void ConcurrentWalk::CollectRange(int firstHost, int lastHost)
{
    if (lastHost < firstHost)
        return;
    openPass();
    const int range = ++m_ranges;
    ForEachHost(firstHost, lastHost,
                [&](int host) { return handOver(m_currentPrefix + QString::number(host), range); });
}

void ConcurrentWalk::FinishWalk()
{
    if (!m_passOpen)
        return;
    pump([this] { return m_order.empty(); });
    closePass();
}

void ConcurrentWalk::openPass()
{
    if (m_passOpen)
        return;
    m_passOpen = true;
    m_ranges = 0;
    m_abandonedRange = 0;
    {
        std::lock_guard lock(m_oidsMutex);
        m_oids.clear(); // rows changed since the last pass apply from this one
    }
    m_owner = std::this_thread::get_id();
    m_threads = std::make_unique<ProbeThreads>(m_simultaneous, m_threadStack);
    m_queuedLines = std::make_unique<QueuedLines>(*this);
    m_log.setRoute(m_queuedLines.get());
}

// Ends the pass: whatever is still in flight (after a stop) is abandoned, the calls probing
// threads wait for are refused, and every probing thread is joined.
void ConcurrentWalk::closePass()
{
    if (!m_passOpen)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_refusingCalls = true;
        for (OwnerCall* call : m_calls) {
            call->error = std::make_exception_ptr(PassEnding());
            call->done = true;
        }
        m_calls.clear();
    }
    m_callAnswered.notify_all();
    m_threads.reset();
    m_log.setRoute(nullptr);
    m_queuedLines.reset();
    m_order.clear();
    m_addressesInFlight = 0;
    m_probing = 0;
    {
        std::lock_guard lock(m_mutex);
        m_refusingCalls = false;
    }
    m_passOpen = false;
}

// Gives `address` the next place and a probing thread, once there is room. False when the range
// is to end here: a stop, or a failure earlier in the range.
bool ConcurrentWalk::handOver(const QString& address, int range)
{
    const bool open = pump([&] { return m_addressesInFlight < m_simultaneous || m_abandonedRange == range; });
    if (!open || m_abandonedRange == range)
        return false;
    auto place = std::make_shared<Place>();
    place->range = range;
    place->address = address;
    {
        std::lock_guard lock(m_mutex);
        m_order.push_back(place);
    }
    ++m_addressesInFlight;
    post(place);
    return true;
}

void ConcurrentWalk::startProbe(const std::shared_ptr<Place>& place)
{
    ++m_probing;
    m_threads->post([this, place] { probe(*place); });
}

void ConcurrentWalk::post(const std::shared_ptr<Place>& place)
{
    startProbe(place);
    const int threads = m_threads->threadCount();
    if (m_threads->startError() != 0 && threads < m_simultaneous)
        lowerLimit(std::max(threads, 1),
                   QStringLiteral("o sistema não criou mais threads de coleta (limite de processos "
                                  "ou de memória do serviço)"),
                   true);
}

// Lowers the addresses in flight to `addresses` with one line in walk order: before the place
// just handed over when `beforeLastPlace`, else after every place handed over so far.
void ConcurrentWalk::lowerLimit(int addresses, const QString& cause, bool beforeLastPlace)
{
    if (addresses >= m_simultaneous)
        return;
    m_simultaneous = addresses;
    const QString line = QStringLiteral("Simultaneos reduzido a %1: %2; reduza Simultaneos em Coletor.ini "
                                        "ou aumente o limite.")
                             .arg(addresses)
                             .arg(cause);
    if (!beforeLastPlace || m_order.empty()) {
        m_log.WriteLog(line); // the walk's route gives it the next place
        return;
    }
    auto notice = std::make_shared<Place>();
    notice->probed = true;
    notice->lines.append(line);
    std::lock_guard lock(m_mutex);
    m_order.insert(m_order.end() - 1, std::move(notice));
}

// The head ran out of memory while it was probed (pump has lowered the addresses in flight): it
// goes out again once the probes still running leave it room, which frees what they hold.
// Throws std::bad_alloc when it runs out with no other probe running, kAttemptsAtOne times.
// True while the head waits or was sent out again: nothing is committed behind it meanwhile.
bool ConcurrentWalk::retryHead()
{
    std::shared_ptr<Place> head;
    {
        std::lock_guard lock(m_mutex);
        if (m_order.empty() || !m_order.front()->probed || !m_order.front()->outOfMemory)
            return false;
        head = m_order.front();
    }
    if (m_probing >= m_simultaneous)
        return true; // the rest of the lowered number is still in flight
    if (m_probing == 0 && ++head->attemptsAtOne > kAttemptsAtOne) {
        // The walk ends here: the lines the cycle wrote meanwhile (the reductions among them) go
        // out before the address's, the addresses behind it stay unlogged.
        const ScopedLogRoute now(m_log, nullptr);
        std::lock_guard lock(m_mutex);
        for (const std::shared_ptr<Place>& place : m_order) {
            if (place->address.isEmpty())
                for (const QString& line : place->lines)
                    m_log.WriteLog(line);
        }
        m_log.WriteLog(QStringLiteral("Endereço %1 não coletado: memória insuficiente.").arg(head->address));
        throw std::bad_alloc();
    }
    {
        std::lock_guard lock(m_mutex);
        head->probed = false;
        head->outOfMemory = false;
        head->lines.clear();
        head->reading = DeviceReading();
    }
    startProbe(head); // a thread refused now changes nothing: one is enough for the head
    return true;
}

// On a probing thread: the address's visit up to its store, lines kept for its turn.
void ConcurrentWalk::probe(Place& place)
{
    LineBuffer lines;
    const int range = place.range;
    std::optional<ProfiledSnmpSource> profiled;
    PrefetchingSnmpSource early(VisitSource(m_parts, place.address, lines, profiled));
    CancellableSource snmp(early, [this, range] { return m_stop.requested() || m_abandonedRange == range; });
    OwnerModelOids modelOids(*this, lines);
    DeviceReading reading;
    bool printer = false;
    bool failed = false;
    bool outOfMemory = false;
    try {
        printer = ProbeAddress(reading, place.address, snmp, m_parts.readManufacturerData, modelOids, lines);
    } catch (const std::bad_alloc&) {
        outOfMemory = true; // not the device's fault: probed again when this place comes due
    } catch (...) {
        failed = true; // the rest of the range is abandoned when this place comes due
    }
    if (outOfMemory)
        m_outOfMemory = true;
    {
        std::lock_guard lock(m_mutex);
        place.reading = std::move(reading);
        place.lines = std::move(lines.lines);
        place.printer = printer;
        place.failed = failed;
        place.outOfMemory = outOfMemory;
        place.probed = true;
        --m_probing;
    }
    m_ownerWakes.notify_all();
}

// The owner's loop while addresses are in flight: makes the calls probing threads wait for,
// commits what is due, and waits for more, until `enough` holds. False when a stop came first.
bool ConcurrentWalk::pump(const std::function<bool()>& enough)
{
    for (;;) {
        serveCalls();
        // Out of memory: in flight are still the addresses handed over before, so lower now, not
        // when the failed address comes due.
        if (m_outOfMemory.exchange(false))
            lowerLimit(std::max(1, std::min(m_simultaneous, m_addressesInFlight) / 2),
                       QStringLiteral("memória insuficiente"), false);
        commitReady();
        if (m_stop.requested())
            return false;
        if (enough())
            return true;
        std::unique_lock lock(m_mutex);
        m_ownerWakes.wait_for(lock, kStopCheck, [this] { return !m_calls.empty() || headReady(); });
    }
}

bool ConcurrentWalk::headReady() const
{
    // A head out of memory waits for the probes behind it: the owner looks again every kStopCheck.
    return !m_order.empty() && m_order.front()->probed && !m_order.front()->outOfMemory;
}

void ConcurrentWalk::commitReady()
{
    for (;;) {
        if (m_stop.requested() || retryHead())
            return;
        std::shared_ptr<Place> place;
        {
            std::lock_guard lock(m_mutex);
            if (m_stop.requested() || !headReady())
                return;
            place = std::move(m_order.front());
            m_order.pop_front();
        }
        if (!place->address.isEmpty())
            --m_addressesInFlight;
        commit(*place);
    }
}

void ConcurrentWalk::commit(Place& place)
{
    if (place.range != 0 && place.range == m_abandonedRange)
        return; // a later address of a range that failed: never logged, never stored
    const ScopedLogRoute now(m_log, nullptr); // this place's turn: its lines, the store's, go out now
    m_log.WriteLines(place.lines);            // one write for the address's lines
    if (place.address.isEmpty())
        return; // a line of the cycle's, in its place
    std::optional<StoreOutcome> outcome;
    if (place.failed)
        m_abandonedRange = place.range;
    else if (place.printer)
        outcome = StoreProbedReading(place.reading, place.address, m_parts.store, m_log, m_stop);
    committed(place.printer && !place.failed, outcome);
}

void ConcurrentWalk::serveCalls()
{
    for (;;) {
        OwnerCall* call = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (m_calls.empty())
                return;
            call = m_calls.front();
            m_calls.pop_front();
        }
        std::exception_ptr error;
        {
            const ScopedLogRoute toAddress(m_log, call->lines);
            try {
                (*call->work)();
            } catch (...) {
                error = std::current_exception();
            }
        }
        {
            std::lock_guard lock(m_mutex);
            call->error = error;
            call->done = true;
        }
        m_callAnswered.notify_all();
    }
}

std::optional<std::optional<QString>> ConcurrentWalk::knownOid(const QPair<QString, QString>& key)
{
    std::lock_guard lock(m_oidsMutex);
    if (const auto known = m_oids.constFind(key); known != m_oids.cend())
        return *known;
    return std::nullopt;
}

// On a probing thread: has the owner run `work`, with what it logs going to `lines`, and waits.
// Rethrows what `work` threw; throws PassEnding when the pass ends first.
void ConcurrentWalk::callOwner(LogSink& lines, const std::function<void()>& work)
{
    if (std::this_thread::get_id() == m_owner) {
        // Not one probing thread could be started, so the owner probes the address itself
        // (ProbeThreads::post): waiting for itself would never end.
        const ScopedLogRoute toAddress(m_log, &lines);
        work();
        return;
    }
    OwnerCall call{&lines, &work, false, nullptr};
    std::unique_lock lock(m_mutex);
    if (m_refusingCalls)
        throw PassEnding();
    m_calls.push_back(&call);
    m_ownerWakes.notify_all();
    m_callAnswered.wait(lock, [&] { return call.done; });
    if (call.error)
        std::rethrow_exception(call.error);
}

std::unique_ptr<AddressWalk> MakeWalk(const WalkParts& parts, WalkOrderLog& log, const StopSignal& stop,
                                      int simultaneous)
{
    if (simultaneous <= 1)
        return std::make_unique<RangeWalk>(parts, log, stop);
    return std::make_unique<ConcurrentWalk>(parts, log, stop, simultaneous);
}

} // namespace vorenta
