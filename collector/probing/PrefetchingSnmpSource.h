#pragma once

#include "collector/probing/IdentifyDevice.h"
#include "collector/probing/SnmpSource.h"

#include <QList>
#include <QStringList>

namespace vorenta {

/// Early silence, for the identification of one address.
///
/// At an address where nothing answers, identification asks 13 OIDs one after another and each
/// runs out its wait: 65 s of the walk for nothing. This source passes the first GET on to the
/// device. When that GET runs out its wait (a time-out, not a refusal), it asks the device the
/// rest of the chain a silent device is asked all at once and waits once; the following GETs are
/// then answered from those answers for as long as they come in the chain's order. The first GET
/// that leaves the chain, and every one after it, goes to the device again.
///
/// So the OIDs identification asks, and what it makes of the answers, are those of the serial
/// chain for any device whose answers do not depend on timing, and a silent address costs two
/// waits instead of thirteen. A device that answers its first GET sees exactly the serial
/// sequence: nothing is asked ahead of it.
///
/// One source per address, used by one thread.
class PrefetchingSnmpSource final : public SnmpSource {
public:
    /// `device`: where GETs go. `chain`: the OIDs a silent device is asked, in order.
    explicit PrefetchingSnmpSource(SnmpSource& device, QStringList chain = SilentDeviceChain());

    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override;

    /// True once the rest of the chain was asked ahead.
    bool prefetched() const { return m_prefetched; }

private:
    SnmpSource& m_device;
    const QStringList m_chain;
    bool m_first = true;
    bool m_prefetched = false;
    QString m_community;
    QString m_host;
    qsizetype m_next = -1;     ///< index in m_chain of the GET the answers expect; -1: none
    QList<SnmpAnswer> m_ahead; ///< answers for m_chain[1], m_chain[2], ...
};

} // namespace vorenta
