#include "UdpSnmpSource.h"

#include "common/Windows1252.h"

namespace vorenta {

UdpSnmpSource::UdpSnmpSource(std::uint16_t port, int waitMs) : m_port(port), m_waitMs(waitMs) {}

SnmpAnswer UdpSnmpSource::SnmpGet(const QString& oid, const QString& community, const QString& host)
{
    // OID and host are ASCII; the community goes out as its ANSI octets.
    const snmp::GetResult result =
        snmp::SnmpGet(oid.toStdString(), EncodeWindows1252(community), host.toStdString(), m_port, m_waitMs);
    m_lastFailure = result.failure;
    SnmpAnswer answer;
    answer.ok = result.ok;
    if (result.ok)
        answer.value = DecodeWindows1252(result.value);
    return answer;
}

} // namespace vorenta
