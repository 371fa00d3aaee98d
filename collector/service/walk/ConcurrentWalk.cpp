#include "ConcurrentWalk.h"

#include "collector/probing/PrefetchingSnmpSource.h"
#include "collector/service/walk/RangeWalk.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <stdexcept>
#include <utility>

namespace vorenta {

namespace {

// How often the owner looks for a stop while it waits on probing threads.
constexpr std::chrono::milliseconds kStopCheck{100};

// GETs the network may hold back for its pacing before a visit's next step waits in the walk
// instead: a step waiting here is its tape, in the network it is encoded datagrams. A few tens of
// milliseconds of sending at the default pace, looked at that often.
constexpr std::size_t kBacklog = 4096;
constexpr std::chrono::milliseconds kBacklogCheck{10};

// How often an address that ran out of memory is probed again with one address in flight before
// the walk gives up on it.
constexpr int kAttemptsAtOne = 2;

} // namespace

/// One place in the walk order: an address, or a line the owner wrote while addresses waited.
struct ConcurrentWalk::Place {
    int range = 0;   ///< 1, 2, ... for the pass's ranges; 0 for a line
    QString address; ///< empty for a line
    /// What the address answered so far: the owner's while no probing thread runs the visit.
    VisitTape tape;
    // Written by whoever ran the visit, read by the owner once `probed` (both under m_mutex).
    bool probed = false;
    bool printer = false;
    bool failed = false;
    bool outOfMemory = false; ///< to be probed again, its lines dropped
    int attemptsAtOne = 0;    ///< probes that ran out of memory with one address in flight
    QStringList lines;
    std::unique_ptr<DeviceReading> reading; ///< a printer's
};

/// What one run of a visit made.
struct ConcurrentWalk::Run {
    bool suspended = false; ///< it asked a step the tape does not hold yet
    bool printer = false;
    bool failed = false;
    bool outOfMemory = false;
    QStringList lines;
    std::unique_ptr<DeviceReading> reading;
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

ConcurrentWalk::ConcurrentWalk(const WalkParts& parts, WalkOrderLog& log, const StopSignal& stop,
                               int simultaneous, std::size_t threadStack, int probeThreads)
    : m_parts(parts), m_log(log), m_stop(stop), m_simultaneous(simultaneous < 1 ? 1 : simultaneous),
      m_threadStack(threadStack), m_probeThreads(std::clamp(probeThreads, 1, ProbeThreads::kMaxThreads)), m_calls(log, [this] { wakeOwner(); })
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
    m_firstStep.reset();
    m_foreseeing = true;
    m_modelOids.clear();
    m_calls.setOwner(std::this_thread::get_id());
    m_threads = std::make_unique<ProbeThreads>(std::min(m_simultaneous, m_probeThreads), m_threadStack);
    m_queuedLines = std::make_unique<QueuedLines>(*this);
    m_log.setRoute(m_queuedLines.get());
}

// Ends the pass: whatever is still in flight (after a stop) is abandoned, the calls probing
// threads wait for are refused, the steps in the engine are awaited (a stop ends them at once),
// and every probing thread is joined.
void ConcurrentWalk::closePass()
{
    if (!m_passOpen)
        return;
    m_calls.refuse();
    {
        std::unique_lock lock(m_mutex);
        while (m_asking > 0) {
            lock.unlock();
            m_calls.refuse(); // a probing thread that asks meanwhile is refused too
            lock.lock();
            m_ownerWakes.wait_for(lock, kStopCheck, [this] { return m_asking == 0; });
        }
    }
    m_threads.reset();
    m_log.setRoute(nullptr);
    m_queuedLines.reset();
    m_order.clear();
    m_toAsk.clear();
    {
        std::lock_guard lock(m_mutex);
        m_answers.clear();
    }
    m_addressesInFlight = 0;
    m_probing = 0;
    m_calls.reopen();
    m_passOpen = false;
}

// Gives `address` the next place and starts its visit, once there is room. False when the range
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
    startProbe(place);
    return true;
}

void ConcurrentWalk::startProbe(const std::shared_ptr<Place>& place)
{
    ++m_probing;
    // Every address of a pass without profiles asks the same first GET, to its own host: asked at
    // once, it spares the run that would only find that out. Should the visit ask otherwise, it
    // starts afresh (VisitForeseenWrongly) and no address is foreseen again this pass.
    if (m_firstStep && m_foreseeing && place->tape.size() == 0) {
        StepRequest step = *m_firstStep;
        step.host = place->address;
        place->tape.suspendAt(std::move(step), true);
        ask(place);
        return;
    }
    advance(place);
}

// On the owner, after a visit's first run: its first step, as every later address will ask it.
void ConcurrentWalk::learnFirstStep(const Place& place)
{
    const StepRequest* step = place.tape.pending();
    if (m_firstStep || !m_foreseeing || m_parts.profiles || place.tape.size() != 0 || !step)
        return;
    if (step->profiled || step->host != place.address) {
        m_foreseeing = false;
        return;
    }
    m_firstStep = *step;
}

// On the owner: the visit's next run. A device that has answered goes on on a probing thread;
// any other visit runs here, on its tape, until it is done or asks a step the tape lacks.
void ConcurrentWalk::advance(const std::shared_ptr<Place>& place)
{
    if (place->tape.spoke()) {
        onThread([this, place] { finish(*place, runVisit(*place, true)); });
        return;
    }
    Run run = runVisit(*place, false);
    if (run.suspended) {
        learnFirstStep(*place);
        ask(place);
        return;
    }
    finish(*place, std::move(run));
}

// One run of the address's visit from its start, up to its store; the lines kept for its turn.
ConcurrentWalk::Run ConcurrentWalk::runVisit(Place& place, bool waits)
{
    Run run;
    LineBuffer lines;
    const int range = place.range;
    TapeSource tape(place.tape, m_parts.network, m_parts.profiles, waits);
    std::optional<ProfiledSnmpSource> profiled;
    PrefetchingSnmpSource early(VisitSource(m_parts, place.address, lines, profiled, &tape, &tape));
    CancellableSource snmp(early, [this, range] { return m_stop.requested() || m_abandonedRange == range; });
    OwnerModelOids modelOids(m_calls, m_parts.modelOids, m_modelOids, lines);
    DeviceReading reading; // kept only for a printer: most runs end before a serial number
    try {
        run.printer = ProbeAddress(reading, place.address, snmp, m_parts.readManufacturerData, modelOids, lines);
    } catch (const VisitSuspended&) {
        run.suspended = true;
        return run;
    } catch (const VisitForeseenWrongly&) {
        m_foreseeing = false;
        place.tape = VisitTape();
        return runVisit(place, waits);
    } catch (const std::bad_alloc&) {
        run.outOfMemory = true; // not the device's fault: probed again when this place comes due
    } catch (...) {
        run.failed = true; // the rest of the range is abandoned when this place comes due
    }
    run.lines = std::move(lines.lines);
    if (run.printer && !run.failed && !run.outOfMemory)
        run.reading = std::make_unique<DeviceReading>(std::move(reading));
    return run;
}

std::size_t ConcurrentWalk::backlog() const
{
    return m_parts.profiles ? m_parts.profiles->backlog() : m_parts.network.backlog();
}

// Hands the step the visit waits for to the network, or has it wait its turn while the network
// holds many back; the answers come back to the owner.
void ConcurrentWalk::ask(const std::shared_ptr<Place>& place)
{
    if (!m_toAsk.empty() || backlog() >= kBacklog) {
        m_toAsk.push_back(place);
        return;
    }
    send(place);
}

// On the owner: the steps that waited their turn, as the network sends what it holds.
void ConcurrentWalk::askWaiting()
{
    while (!m_toAsk.empty() && backlog() < kBacklog) {
        send(m_toAsk.front());
        m_toAsk.pop_front();
    }
}

void ConcurrentWalk::send(const std::shared_ptr<Place>& place)
{
    {
        std::lock_guard lock(m_mutex);
        ++m_asking;
    }
    AskLater(
        place->tape.takePending(), m_parts.network, m_parts.profiles,
        [this](std::function<void()> job) { onThread(std::move(job)); },
        [this, place](StepAnswers answers) {
            // Notified under the lock: once m_asking is 0 the pass may close and the walk go. The
            // owner takes every answer there is when it wakes, so one wake-up serves a batch.
            std::lock_guard lock(m_mutex);
            const bool first = m_answers.empty();
            m_answers.emplace_back(place, std::move(answers));
            --m_asking;
            if (first || m_asking == 0)
                m_ownerWakes.notify_all();
        });
}

// Runs `job` on a probing thread; when the system refuses the threads the addresses need, the
// addresses in flight come down to the threads there are.
void ConcurrentWalk::onThread(std::function<void()> job)
{
    m_threads->post(std::move(job));
    const int threads = m_threads->threadCount();
    if (m_threads->startError() != 0 && threads < std::min(m_simultaneous, m_probeThreads))
        lowerLimit(std::max(threads, 1),
                   QStringLiteral("o sistema não criou mais threads de coleta (limite de processos "
                                  "ou de memória do serviço)"),
                   true);
}

// On the owner's or a probing thread: the visit is done, its place ready to commit.
void ConcurrentWalk::finish(Place& place, Run&& run)
{
    if (run.outOfMemory)
        m_outOfMemory = true;
    {
        std::lock_guard lock(m_mutex);
        place.reading = std::move(run.reading);
        place.lines = std::move(run.lines);
        place.printer = run.printer;
        place.failed = run.failed;
        place.outOfMemory = run.outOfMemory;
        place.probed = true;
        --m_probing;
    }
    m_ownerWakes.notify_all();
}

// On the owner: the answers the network gave put on their tapes, and each visit run again.
void ConcurrentWalk::takeAnswers()
{
    for (;;) {
        std::pair<std::shared_ptr<Place>, StepAnswers> answered;
        {
            std::lock_guard lock(m_mutex);
            if (m_answers.empty())
                return;
            answered = std::move(m_answers.front());
            m_answers.pop_front();
        }
        answered.first->tape.record(std::move(answered.second));
        advance(answered.first);
    }
}

void ConcurrentWalk::wakeOwner()
{
    std::lock_guard lock(m_mutex); // so the owner cannot miss it between its look and its wait
    m_ownerWakes.notify_all();
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
        head->reading.reset();
        head->tape = VisitTape(); // asked afresh, as the serial walk would
    }
    startProbe(head); // a thread refused now changes nothing: one is enough for the head
    return true;
}

// The owner's loop while addresses are in flight: makes the calls probing threads wait for, runs
// the visits whose answers came, commits what is due, and waits for more, until `enough` holds.
// False when a stop came first.
bool ConcurrentWalk::pump(const std::function<bool()>& enough)
{
    for (;;) {
        m_calls.serve();
        takeAnswers();
        askWaiting();
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
        m_ownerWakes.wait_for(lock, m_toAsk.empty() ? kStopCheck : kBacklogCheck,
                              [this] { return !m_answers.empty() || m_calls.waiting() || headReady(); });
    }
}

bool ConcurrentWalk::headReady() const
{
    // A head out of memory waits for the probes behind it: the owner looks again every kStopCheck.
    return !m_order.empty() && m_order.front()->probed && !m_order.front()->outOfMemory;
}

void ConcurrentWalk::commitReady()
{
    // The lines of places that store nothing go out together, in one write, before the next
    // store or when nothing more is due: the log reads the same, at a write per run of places.
    QStringList lines;
    const auto writeLines = [&] {
        if (lines.isEmpty())
            return;
        const ScopedLogRoute now(m_log, nullptr);
        m_log.WriteLines(std::exchange(lines, {}));
    };
    for (;;) {
        if (m_stop.requested() || retryHead())
            break;
        std::shared_ptr<Place> place;
        {
            std::lock_guard lock(m_mutex);
            if (m_stop.requested() || !headReady())
                break;
            place = std::move(m_order.front());
            m_order.pop_front();
        }
        if (!place->address.isEmpty())
            --m_addressesInFlight;
        if (place->range != 0 && place->range == m_abandonedRange)
            continue; // a later address of a range that failed: never logged, never stored
        const bool stores = !place->address.isEmpty() && !place->failed && place->printer && place->reading;
        lines.append(place->lines);
        if (stores)
            writeLines();
        commit(*place);
    }
    writeLines();
}

// The place's turn, its lines written: a failure abandons the rest of its range, a printer is
// stored ("Gravando dados " and what the store logs go out now).
void ConcurrentWalk::commit(Place& place)
{
    if (place.address.isEmpty())
        return; // a line of the cycle's, in its place
    std::optional<StoreOutcome> outcome;
    if (place.failed) {
        m_abandonedRange = place.range;
    } else if (place.printer && place.reading) {
        const ScopedLogRoute now(m_log, nullptr);
        outcome = StoreProbedReading(*place.reading, place.address, m_parts.store, m_log, m_stop);
    }
    committed(place.printer && !place.failed, outcome);
}

std::unique_ptr<AddressWalk> MakeWalk(const WalkParts& parts, WalkOrderLog& log, const StopSignal& stop,
                                      int simultaneous, int probeThreads)
{
    if (simultaneous <= 1)
        return std::make_unique<RangeWalk>(parts, log, stop);
    return std::make_unique<ConcurrentWalk>(parts, log, stop, simultaneous, ProbeThreads::kStackSize,
                                            probeThreads);
}

} // namespace vorenta
