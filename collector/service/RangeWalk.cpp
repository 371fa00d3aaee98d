#include "RangeWalk.h"

#include "collector/probing/IdentifyDevice.h"
#include "common/TextRules.h"

#include <algorithm>

namespace vorenta {

namespace {

// While a stop is pending every GET fails at once, so the address being probed ends quickly.
class StopAwareSource final : public SnmpSource {
public:
    StopAwareSource(SnmpSource& inner, const StopSignal& stop) : m_inner(inner), m_stop(stop) {}
    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override
    {
        if (m_stop.requested())
            return {};
        return m_inner.SnmpGet(oid, community, host);
    }

private:
    SnmpSource& m_inner;
    const StopSignal& m_stop;
};

constexpr int kSkippedHost = 255;
constexpr int kLastHost = 254;

} // namespace

RangeWalk::RangeWalk(SnmpSource& snmp, ManufacturerStep readManufacturerData, ReadingStore& store,
                     LogSink& log, const StopSignal& stop)
    : m_snmp(snmp), m_readManufacturerData(std::move(readManufacturerData)), m_store(store), m_log(log),
      m_stop(stop)
{
}

void RangeWalk::WalkRange(const QString& startText, const QString& endText)
{
    // Both ends must be whole addresses on one /24; the end's host number may run past 254
    // (".250" to ".300"), and the walk then stops at 254.
    const std::optional<DottedAddress> start = ParseDottedAddress(startText);
    const std::optional<DottedAddress> end = ParseDottedAddress(endText, true);
    if (!start || !end || end->prefix() != start->prefix())
        throw RangeWalkError("not a range of one network: " + startText.toStdString() + " - " +
                             endText.toStdString());
    m_currentPrefix = start->prefix();
    if (end->host() < start->host()) {
        m_log.WriteLog(QStringLiteral("Range de IP invertido, nada coletado: ") + EscapedText(startText) +
                       QStringLiteral(" - ") + EscapedText(endText));
        return;
    }
    CollectRange(start->host(), std::min(end->host(), kLastHost));
}

void RangeWalk::CollectRange(int firstHost, int lastHost)
{
    if (lastHost < firstHost)
        return;
    try {
        for (int host = firstHost; host <= lastHost && !m_stop.requested(); ++host) {
            if (host == kSkippedHost)
                continue;
            visit(m_currentPrefix + QString::number(host));
        }
    } catch (...) {
        // A failure while visiting an address abandons the rest of this range, silently.
    }
}

void RangeWalk::visit(const QString& address)
{
    StopAwareSource snmp(m_snmp, m_stop);
    ClearReading(m_reading);
    m_log.WriteLog(QStringLiteral("Coletando dados de ") + address);
    IdentifyDevice(m_reading, address, snmp, m_log);
    if (IsBlank(m_reading.NSerie))
        return; // no printer here
    if (m_readManufacturerData)
        m_readManufacturerData(m_reading, address, snmp);
    if (m_stop.requested())
        return; // a reading cut short by a stop would store wrong counters
    m_log.WriteLog(QStringLiteral("Gravando dados ") + address);
    m_store.StoreReading(m_reading);
}

} // namespace vorenta
