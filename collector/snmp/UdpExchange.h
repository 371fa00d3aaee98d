#pragma once

#include "collector/snmp/SnmpGet.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorenta::snmp {

/// What one exchange brought back: the first datagram, or why there is none.
struct ExchangeResult {
    GetFailure failure = GetFailure::None;
    std::string datagram; ///< valid when failure is None
};

/// Sends `request` as one UDP datagram to `host`:`port` from a fresh connected IPv4 socket and
/// waits at most `waitMs` in total for one datagram. The socket is connected so that an ICMP
/// port-unreachable answer ends the wait at once (Refused) instead of costing the whole wait.
ExchangeResult ExchangeDatagram(std::string_view request, std::string_view host, std::uint16_t port,
                                int waitMs);

} // namespace vorenta::snmp
