#include "RangeWalk.h"

#include "collector/probing/IdentifyDevice.h"
#include "collector/probing/TextOperations.h"
#include "common/TextRules.h"

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

// A host number as the walk accepts it. Numbers outside 0 to 255 would give texts that are no
// address (10.0.0.256), which the resolver would then send out as host-name lookups.
int hostNumber(const QString& text, const QString& rangeText)
{
    bool ok = false;
    const int host = text.toInt(&ok, 10);
    if (!ok || host < 0 || host > kSkippedHost)
        throw RangeWalkError("no host number in " + rangeText.toStdString());
    return host;
}

} // namespace

RangeWalk::RangeWalk(SnmpSource& snmp, ManufacturerStep readManufacturerData, ReadingStore& store,
                     LogSink& log, const StopSignal& stop)
    : m_snmp(snmp), m_readManufacturerData(std::move(readManufacturerData)), m_store(store), m_log(log),
      m_stop(stop)
{
}

void RangeWalk::WalkRange(const QString& startText, const QString& endText)
{
    const QString prefix = NetworkPrefix(startText);
    if (prefix.isEmpty())
        throw RangeWalkError("not a dotted address: " + startText.toStdString());
    m_currentPrefix = prefix;
    const int firstHost = hostNumber(ReplaceAll(startText, m_currentPrefix, QString()), startText);
    const int lastHost = hostNumber(ReplaceAll(endText, m_currentPrefix, QString()), endText);
    CollectRange(firstHost, lastHost);
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
