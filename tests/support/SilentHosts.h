#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorenta::test {

/// Addresses where something holds the SNMP port and never answers: a switched-off printer behind
/// a firewall, a lease nobody uses. Each host is a UDP socket bound on prefix + host, port 161 by
/// default, that is never read, so every GET to it runs out its wait. No threads: a thousand cost
/// a thousand descriptors and nothing else.
///
///     SilentHosts silent("127.201.1.", 2, 254);   // 253 silent addresses
class SilentHosts {
public:
    /// Binds prefix + h for h = firstHost .. lastHost, skipping `except`. Throws std::system_error
    /// when an endpoint cannot be bound (port 161 needs root).
    SilentHosts(const std::string& prefix, int firstHost, int lastHost, const std::vector<int>& except = {},
                std::uint16_t port = 161);
    ~SilentHosts();
    SilentHosts(const SilentHosts&) = delete;
    SilentHosts& operator=(const SilentHosts&) = delete;

    int count() const { return static_cast<int>(m_sockets.size()); }

private:
    std::vector<int> m_sockets;
};

} // namespace vorenta::test
