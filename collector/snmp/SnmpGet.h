#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorenta::snmp {

/// Why a GET failed. Callers of the collector only look at `ok`; the distinction is kept for
/// tests and diagnostics (a time-out costs the whole wait, a refusal returns at once).
enum class GetFailure {
    None,          ///< a well-formed reply arrived (ok is true)
    Unresolved,    ///< the host text is not an address and cannot be resolved
    SocketFailed,  ///< no socket could be created or connected
    SendFailed,    ///< the datagram could not be sent
    Refused,       ///< ICMP port unreachable, reported by the connected socket
    ReceiveFailed, ///< the socket reported readable but the receive failed for another reason
    Timeout,       ///< nothing arrived within the wait
    Undecodable,   ///< a datagram arrived but is not an SNMP message
    Cancelled,     ///< the caller ended the wait early (the collector is stopping)
    // v2c and v3 only:
    NoSuchObject,         ///< the agent answered noSuchObject, noSuchInstance or endOfMibView
    AuthenticationFailed, ///< v3: unknown user, wrong digest, decryption error, or a reply that fails ours
    Report,               ///< v3: any other report, or the time window still refused after re-synchronising
};

/// Outcome of one SNMP v1 GET.
struct GetResult {
    bool ok = false;
    std::string value; ///< the bound value's text form, one octet per character; empty unless ok
    GetFailure failure = GetFailure::None;
    std::int32_t errorStatus = 0; ///< the reply's error status (2: noSuchName); 0 unless ok
};

inline constexpr std::uint16_t kDefaultPort = 161;
inline constexpr int kDefaultWaitMs = 5000;

/// True when the agent understood the request: a reply came back, even one that fails the GET
/// (v1 noSuchName, v2c noSuchObject). What decides which profile an address answers to.
inline bool Answered(const GetResult& result)
{
    return result.ok || result.failure == GetFailure::NoSuchObject;
}

/// One SNMP version 1 GetRequest for one OID (request-id 1, one binding with NULL), one connected
/// UDP socket, one wait of `waitMs` for the first datagram. `ok` is true for every well-formed
/// reply, whatever its error status; `value` is the value bound to exactly `oid` in the reply.
/// When `cancelDescriptor` (-1: none) becomes readable the wait ends at once (Cancelled).
GetResult SnmpGet(std::string_view oid, std::string_view community, std::string_view host,
                  std::uint16_t port = kDefaultPort, int waitMs = kDefaultWaitMs, int cancelDescriptor = -1);

/// One SnmpGet per OID, all sent at once (in the order given, each from its own socket) and
/// awaited together: a host where nothing answers costs one wait instead of one per OID. Each
/// result is what SnmpGet would have given for its OID.
std::vector<GetResult> SnmpGetMany(std::span<const std::string> oids, std::string_view community,
                                   std::string_view host, std::uint16_t port = kDefaultPort,
                                   int waitMs = kDefaultWaitMs, int cancelDescriptor = -1);

} // namespace vorenta::snmp
