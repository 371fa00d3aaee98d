#pragma once

#include "collector/database/ReadingStore.h"
#include "collector/probing/DeviceReading.h"
#include "collector/probing/SnmpSource.h"
#include "collector/service/AddressWalk.h"
#include "common/ActivityLog.h"
#include "common/StopSignal.h"

#include <functional>

namespace vorenta {

/// Walks a range address by address: clear the reading, identify the device, and for a device
/// with a serial number read its manufacturer data and store it.
class RangeWalk final : public AddressWalk {
public:
    /// ReadManufacturerData: the manufacturer readers, monochrome rule and model OID table. It
    /// asks the device through `snmp`, which fails every GET at once after a stop request.
    using ManufacturerStep = std::function<void(DeviceReading&, const QString& address, SnmpSource& snmp)>;

    RangeWalk(SnmpSource& snmp, ManufacturerStep readManufacturerData, ReadingStore& store, LogSink& log,
              const StopSignal& stop);

    void WalkRange(const QString& startText, const QString& endText) override;
    void SetCurrentPrefix(const QString& prefix) override { m_currentPrefix = prefix; }
    void CollectRange(int firstHost, int lastHost) override;

    const QString& CurrentPrefix() const { return m_currentPrefix; }

private:
    void visit(const QString& address);

    SnmpSource& m_snmp;
    ManufacturerStep m_readManufacturerData;
    ReadingStore& m_store;
    LogSink& m_log;
    const StopSignal& m_stop;
    QString m_currentPrefix;
    DeviceReading m_reading;
};

} // namespace vorenta
