#pragma once

#include "collector/service/walk/AddressVisit.h"
#include "collector/service/walk/AddressWalk.h"

namespace vorenta {

/// The serial walk (Simultaneos=1): address by address on the thread that runs the cycle, each
/// stored before the next is asked anything: clear the reading, identify the device, and for a
/// device with a serial number read its manufacturer data and store it.
class RangeWalk final : public AddressWalk {
public:
    RangeWalk(const WalkParts& parts, LogSink& log, const StopSignal& stop);

    void WalkRange(const QString& startText, const QString& endText) override;
    void SetCurrentPrefix(const QString& prefix) override { m_currentPrefix = prefix; }
    void CollectRange(int firstHost, int lastHost) override;

    const QString& CurrentPrefix() const override { return m_currentPrefix; }

private:
    void visit(const QString& address);

    WalkParts m_parts;
    LogSink& m_log;
    const StopSignal& m_stop;
    QString m_currentPrefix;
    DeviceReading m_reading;
};

} // namespace vorenta
