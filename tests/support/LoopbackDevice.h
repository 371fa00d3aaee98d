#pragma once

#include "collector/probing/UdpSnmpSource.h"
#include "tests/support/FixtureSnmpAgent.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <string>
#include <utility>

namespace vorenta::test {

/// A recorded device served by a fixture agent on a per-process loopback address, asked over
/// real UDP. OIDs the agent does not hold get noSuchName (an empty answer); OIDs listed with
/// refuse() go to a loopback address where nothing listens, so they fail at once with a port
/// refusal instead of a time-out.
///
///     LoopbackDevice device(10, "1.3.6.1.2.1.43.10.2.1.4.1.1|65|48213\n");
///     device.refuse(H1);      // every GET of H1 fails
///     device.refuse(H2, 1);   // the first GET of H2 fails, the later ones are answered
class LoopbackDevice final : public SnmpSource {
public:
    /// refuse()'s call number for "every GET of the OID".
    static constexpr int kEveryCall = 0;

    LoopbackDevice(int host, const std::string& snmprec)
        : m_agent(UniqueLoopbackPrefix() + std::to_string(host), 0, SnmpRecording::FromText(snmprec)),
          m_udp(m_agent.port(), kWaitMs)
    {
    }

    QString address() const { return QString::fromStdString(m_agent.address()); }
    FixtureSnmpAgent& agent() { return m_agent; }

    /// Lets the `call`-th GET of `oid` (counted from 1) fail, or every GET of it with kEveryCall.
    LoopbackDevice& refuse(const QString& oid, int call = kEveryCall)
    {
        m_refused.insert({oid, call});
        return *this;
    }

    /// Every OID asked, answered or refused, in order.
    QStringList asked;

    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override
    {
        asked.append(oid);
        const int call = ++m_calls[oid];
        const bool refused = m_refused.contains({oid, kEveryCall}) || m_refused.contains({oid, call});
        return m_udp.SnmpGet(oid, community, refused ? nobody() : host);
    }

private:
    // An agent answers at once; the wait only matters when something is wrong.
    static constexpr int kWaitMs = 2000;

    static QString nobody() { return QString::fromStdString(UniqueLoopbackPrefix() + "254"); }

    FixtureSnmpAgent m_agent;
    UdpSnmpSource m_udp;
    QSet<std::pair<QString, int>> m_refused;
    QHash<QString, int> m_calls;
};

} // namespace vorenta::test
