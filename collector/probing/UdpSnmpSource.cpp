#include "UdpSnmpSource.h"

#include "collector/probing/ProfiledSnmpSource.h"
#include "common/Windows1252.h"

namespace vorenta {

UdpSnmpSource::UdpSnmpSource(std::uint16_t port, int waitMs, int cancelDescriptor)
    : m_port(port), m_waitMs(waitMs), m_cancelDescriptor(cancelDescriptor)
{
}

SnmpAnswer UdpSnmpSource::SnmpGet(const QString& oid, const QString& community, const QString& host)
{
    // OID and host are ASCII; the community goes out as its ANSI octets.
    return AnswerOf(snmp::SnmpGet(oid.toStdString(), EncodeWindows1252(community), host.toStdString(), m_port,
                                  m_waitMs, m_cancelDescriptor));
}

QList<SnmpAnswer> UdpSnmpSource::SnmpGetMany(const QStringList& oids, const QString& community,
                                             const QString& host)
{
    std::vector<std::string> requested;
    requested.reserve(static_cast<std::size_t>(oids.size()));
    for (const QString& oid : oids)
        requested.push_back(oid.toStdString());
    QList<SnmpAnswer> answers;
    for (const snmp::GetResult& result :
         snmp::SnmpGetMany(requested, EncodeWindows1252(community), host.toStdString(), m_port, m_waitMs,
                           m_cancelDescriptor))
        answers.append(AnswerOf(result));
    return answers;
}

} // namespace vorenta
