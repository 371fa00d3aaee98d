#pragma once

#include "collector/snmp/SnmpGet.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sockaddr_in;

namespace vorenta::snmp {

/// `host`:`port` as an IPv4 endpoint: a dotted address as it is, any other text through the
/// resolver (which may block). Nothing when the text is empty or does not resolve.
std::optional<sockaddr_in> ResolveIpv4(std::string_view host, std::uint16_t port);

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

/// What an exchange does with a datagram that has arrived on its socket.
struct NextStep {
    enum class Kind {
        Finish, ///< this datagram is the exchange's result
        Send,   ///< send `request` on the same socket and go on waiting (a v3 GET after discovery)
        Ignore, ///< not an answer to what was sent last (a late duplicate): go on waiting
    };
    Kind kind = Kind::Finish;
    std::string request;
};

/// Called on the waiting thread for every datagram that arrives, with the index of its exchange.
using Conversation = std::function<NextStep(std::size_t index, const std::string& datagram)>;

/// Asked after every exchange that ends, with which ones have: true ends the wait for the rest
/// (they end as Cancelled), when what is still open can no longer change the caller's choice.
using Enough = std::function<bool(const std::vector<bool>& finished)>;

/// ExchangeDatagrams where an exchange may take several round trips within the one shared wait:
/// `conversation` decides after each datagram. The result holds the last datagram taken.
std::vector<ExchangeResult> ExchangeConversations(std::span<const std::string> requests,
                                                  std::string_view host, std::uint16_t port, int waitMs,
                                                  int cancelDescriptor, const Conversation& conversation,
                                                  const Enough& enough = {});

} // namespace vorenta::snmp
