#pragma once

#include "collector/service/PassTally.h"
#include "common/IpRange.h"

#include <QString>

#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>

namespace vorenta {

class LogSink;

/// Raised when a configured range's texts do not give host numbers on one network.
class RangeWalkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The part of a cycle that visits addresses: a configured range, or hosts of the network whose
/// prefix was set (the local-network fallback).
class AddressWalk {
public:
    virtual ~AddressWalk() = default;

    /// Sets the prefix from `startText` and visits the range (RangeHosts). Throws RangeWalkError
    /// when the start or end text does not give a host number.
    virtual void WalkRange(const QString& startText, const QString& endText) = 0;

    /// The network prefix, up to and including its third dot, that CollectRange builds addresses on.
    virtual void SetCurrentPrefix(const QString& prefix) = 0;
    virtual const QString& CurrentPrefix() const = 0;

    /// Visits CurrentPrefix + h for h = firstHost .. lastHost (255 skipped). Never throws. A walk
    /// that probes ahead may return before the addresses are stored; FinishWalk completes them.
    virtual void CollectRange(int firstHost, int lastHost) = 0;

    /// Stores and logs, in walk order, whatever the walk still holds of this cycle, and returns
    /// when it holds nothing (after a stop: when the work in flight is abandoned). The cycle calls
    /// it after its last range, before the rest. A walk that completes every address before
    /// CollectRange returns has nothing to do here.
    virtual void FinishWalk() {}

    /// What the walk has committed since the last call (the pass's line), and a fresh count.
    PassTally TakeTally() { return std::exchange(m_tally, {}); }

    /// Called on the thread that runs the cycle each time an address is committed: a pass that
    /// progresses feeds the service watchdog, one stuck on an address does not.
    void setAddressDone(std::function<void()> done) { m_addressDone = std::move(done); }

protected:
    /// Counts a committed address; `outcome` for a printer whose store was attempted.
    void committed(bool printer, std::optional<StoreOutcome> outcome)
    {
        ++m_tally.addresses;
        if (printer)
            ++m_tally.devices;
        if (outcome)
            m_tally.count(*outcome);
        if (m_addressDone)
            m_addressDone();
    }

private:
    PassTally m_tally;
    std::function<void()> m_addressDone;
};

/// The hosts of a configured range on its network, as both walks take them.
struct HostRun {
    QString prefix; ///< "192.168.0."
    int firstHost = 0;
    int lastHost = -1; ///< below firstHost: nothing to visit
};

/// The hosts the range from `startText` to `endText` covers. Both ends must be whole addresses on
/// one /24; the end's host number may run past 254 (".250" to ".300"), and the run then stops at
/// 254. An end before the start gives no host and the line "Range de IP invertido, nada
/// coletado: " on `log`. Throws RangeWalkError for texts that are not such a range.
HostRun RangeHosts(const QString& startText, const QString& endText, LogSink& log);

/// Calls `visit` with host = firstHost .. lastHost in order, skipping 255 (the broadcast address
/// of the /24), until `visit` returns false.
void ForEachHost(int firstHost, int lastHost, const std::function<bool(int host)>& visit);

/// The prefix of a dotted address, from its first character up to and including its third dot
/// ("192.168.0.10" gives "192.168.0."). Empty when the text has fewer than three dots.
QString NetworkPrefix(const QString& address);

} // namespace vorenta
