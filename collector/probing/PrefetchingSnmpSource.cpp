#include "PrefetchingSnmpSource.h"

namespace vorenta {

PrefetchingSnmpSource::PrefetchingSnmpSource(SnmpSource& device, QStringList chain)
    : m_device(device), m_chain(std::move(chain))
{
}

SnmpAnswer PrefetchingSnmpSource::SnmpGet(const QString& oid, const QString& community, const QString& host)
{
    if (m_first) {
        m_first = false;
        const SnmpAnswer answer = m_device.SnmpGet(oid, community, host);
        if (answer.timedOut && !m_chain.isEmpty() && oid == m_chain.first()) {
            m_ahead = m_device.SnmpGetMany(m_chain.mid(1), community, host);
            m_prefetched = true;
            m_next = 1;
            m_community = community;
            m_host = host;
        }
        return answer;
    }
    if (m_next > 0 && m_next < m_chain.size() && oid == m_chain[m_next] && community == m_community &&
        host == m_host)
        return m_ahead[m_next++ - 1];
    // Off the chain: the answers asked ahead are of no more use.
    m_next = -1;
    m_ahead.clear();
    return m_device.SnmpGet(oid, community, host);
}

} // namespace vorenta
