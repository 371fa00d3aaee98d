#include "AddressVisit.h"

#include "collector/probing/IdentifyDevice.h"
#include "common/TextRules.h"

namespace vorenta {

SnmpSource& VisitSource(const WalkParts& parts, const QString& address, LogSink& log,
                        std::optional<ProfiledSnmpSource>& profiled, SnmpSource* network, ProfileGets* gets)
{
    if (!parts.profiles)
        return network ? *network : parts.network;
    return profiled.emplace(*parts.profiles, address, log, gets);
}

bool ProbeAddress(DeviceReading& reading, const QString& address, SnmpSource& snmp,
                  const ManufacturerStep& readManufacturerData, ModelOidTable& modelOids, LogSink& log)
{
    ClearReading(reading);
    log.WriteLog(QStringLiteral("Coletando dados de ") + address);
    IdentifyDevice(reading, address, snmp, log);
    if (IsBlank(reading.NSerie))
        return false; // no printer here
    if (readManufacturerData)
        readManufacturerData(reading, address, snmp, modelOids, log);
    return true;
}

std::optional<StoreOutcome> StoreProbedReading(const DeviceReading& reading, const QString& address,
                                               ReadingStore& store, LogSink& log, const StopSignal& stop)
{
    if (stop.requested())
        return std::nullopt;
    log.WriteLog(QStringLiteral("Gravando dados ") + address);
    return store.StoreReading(reading);
}

} // namespace vorenta
