#pragma once

#include "collector/snmp/SnmpGet.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorenta::snmp {

/// What one exchange brought back: the first datagram, or why there is none.
struct ExchangeResult {
    GetFailure failure = GetFailure::None;
    std::string datagram; ///< valid when failure is None
};

/// Sends `request` as one UDP datagram to `host`:`port` from a fresh connected IPv4 socket and
/// waits at most `waitMs` in total for one datagram. The socket is connected so that an ICMP
/// port-unreachable answer ends the wait at once (Refused) instead of costing the whole wait.
/// When `cancelDescriptor` (-1: none) becomes readable the wait ends at once (Cancelled).
ExchangeResult ExchangeDatagram(std::string_view request, std::string_view host, std::uint16_t port,
                                int waitMs, int cancelDescriptor = -1);

/// Several exchanges with one host at once: each request goes out, in the order given, from a
/// socket of its own (every request carries request-id 1, so only the socket tells which reply
/// answers which), and then all of them share one wait of at most `waitMs`. Each result is
/// exactly what ExchangeDatagram would give for its request; only the time is shared.
std::vector<ExchangeResult> ExchangeDatagrams(std::span<const std::string> requests, std::string_view host,
                                              std::uint16_t port, int waitMs, int cancelDescriptor = -1);

} // namespace vorenta::snmp
