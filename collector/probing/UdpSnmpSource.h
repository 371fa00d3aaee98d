#pragma once

#include "collector/probing/SnmpSource.h"
#include "collector/snmp/SnmpGet.h"

#include <cstdint>

namespace vorenta {

/// The real SnmpSource: one SNMP v1 GET over UDP per call, the value octets turned into text
/// through Windows-1252. Port and wait are parameters so tests can use loopback agents on
/// ephemeral ports and short waits.
class UdpSnmpSource final : public SnmpSource {
public:
    explicit UdpSnmpSource(std::uint16_t port = snmp::kDefaultPort, int waitMs = snmp::kDefaultWaitMs);

    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override;

    /// Why the last GET failed (None when it succeeded): tells a time-out from a refusal.
    snmp::GetFailure lastFailure() const { return m_lastFailure; }

private:
    std::uint16_t m_port;
    int m_waitMs;
    snmp::GetFailure m_lastFailure = snmp::GetFailure::None;
};

} // namespace vorenta
