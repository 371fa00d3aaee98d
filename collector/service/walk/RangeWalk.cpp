#include "RangeWalk.h"

#include <new>

namespace vorenta {

RangeWalk::RangeWalk(const WalkParts& parts, LogSink& log, const StopSignal& stop)
    : m_parts(parts), m_log(log), m_stop(stop)
{
}

void RangeWalk::WalkRange(const QString& startText, const QString& endText)
{
    const HostRun run = RangeHosts(startText, endText, m_log);
    m_currentPrefix = run.prefix;
    CollectRange(run.firstHost, run.lastHost);
}

void RangeWalk::CollectRange(int firstHost, int lastHost)
{
    try {
        ForEachHost(firstHost, lastHost, [this](int host) {
            if (m_stop.requested())
                return false;
            visit(m_currentPrefix + QString::number(host));
            return true;
        });
    } catch (const std::bad_alloc&) {
        throw; // the process's failure, not the device's: the service ends and says why
    } catch (...) {
        // A failure while visiting an address abandons the rest of this range, silently.
    }
}

void RangeWalk::visit(const QString& address)
{
    // While a stop is pending every GET fails at once, so the address being probed ends quickly.
    std::optional<ProfiledSnmpSource> profiled;
    CancellableSource snmp(VisitSource(m_parts, address, m_log, profiled),
                           [this] { return m_stop.requested(); });
    bool printer = false;
    std::optional<StoreOutcome> outcome;
    try {
        printer =
            ProbeAddress(m_reading, address, snmp, m_parts.readManufacturerData, m_parts.modelOids, m_log);
    } catch (...) {
        committed(false, std::nullopt); // its lines are written: the address was walked
        throw;
    }
    if (printer)
        outcome = StoreProbedReading(m_reading, address, m_parts.store, m_log, m_stop);
    committed(printer, outcome);
}

} // namespace vorenta
