#include "UdpSnmpSource.h"

#include "collector/probing/ProfiledSnmpSource.h"
#include "collector/snmp/ProfileGet.h"
#include "common/Windows1252.h"

namespace vorenta {

UdpSnmpSource::UdpSnmpSource(std::uint16_t port, int waitMs, int cancelDescriptor)
    : m_port(port), m_waitMs(waitMs), m_cancelDescriptor(cancelDescriptor), m_engine(cancelDescriptor)
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

void UdpSnmpSource::SnmpGetManyLater(const QStringList& oids, const QString& community, const QString& host,
                                     std::function<void(QList<SnmpAnswer>)> done)
{
    // A v1 GET with the community, byte for byte what SnmpGet sends.
    auto credentials = std::make_shared<snmp::Credentials>();
    credentials->version = snmp::SnmpVersion::V1;
    credentials->community = EncodeWindows1252(community);
    std::vector<snmp::ProfileRequest> requests;
    requests.reserve(static_cast<std::size_t>(oids.size()));
    for (const QString& oid : oids)
        requests.push_back({credentials.get(), oid.toStdString()});
    snmp::SnmpGetWith(m_engine.get(), std::move(requests), host.toStdString(), m_port, m_waitMs, m_noV3, false,
                      [credentials, done = std::move(done)](std::vector<snmp::GetResult> results) {
                          QList<SnmpAnswer> answers;
                          answers.reserve(static_cast<qsizetype>(results.size()));
                          for (const snmp::GetResult& result : results)
                              answers.append(AnswerOf(result));
                          done(std::move(answers));
                      });
}

} // namespace vorenta
