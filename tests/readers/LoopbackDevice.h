#pragma once

#include "collector/probing/UdpSnmpSource.h"
#include "tests/support/FixtureSnmpAgent.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <string>

namespace vorenta::test {

/// A recorded device served by a fixture agent on a per-process loopback address, asked over
/// real UDP. OIDs the agent does not hold get noSuchName (an empty answer); OIDs listed with
/// refuse() go to a loopback address where nothing listens, so they fail at once with a port
/// refusal instead of a time-out.
class LoopbackDevice final : public SnmpSource {
public:
    LoopbackDevice(int host, const std::string& snmprec)
        : m_agent(UniqueLoopbackPrefix() + std::to_string(host), 0, SnmpRecording::FromText(snmprec)),
          m_udp(m_agent.port(), kWaitMs)
    {
    }

    QString address() const { return QString::fromStdString(m_agent.address()); }
    FixtureSnmpAgent& agent() { return m_agent; }

    LoopbackDevice& refuse(const QString& oid)
    {
        m_refused.insert(oid);
        return *this;
    }

    /// Every OID asked, answered or refused, in order.
    QStringList asked;

    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override
    {
        asked.append(oid);
        return m_udp.SnmpGet(oid, community, m_refused.contains(oid) ? nobody() : host);
    }

private:
    // An agent answers at once; the wait only matters when something is wrong.
    static constexpr int kWaitMs = 2000;

    static QString nobody() { return QString::fromStdString(UniqueLoopbackPrefix() + "254"); }

    FixtureSnmpAgent m_agent;
    UdpSnmpSource m_udp;
    QSet<QString> m_refused;
};

} // namespace vorenta::test
