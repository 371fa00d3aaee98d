#pragma once

#include "collector/snmp/Pdu.h"
#include "collector/snmp/SnmpCredentials.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorenta::snmp {

/// msgFlags bits (RFC 3412).
inline constexpr std::uint8_t kFlagAuth = 0x01;
inline constexpr std::uint8_t kFlagPriv = 0x02;
inline constexpr std::uint8_t kFlagReportable = 0x04;

/// The USM counters an agent reports (usmStats..., RFC 3414 5).
namespace UsmReport {
inline constexpr std::string_view UnsupportedSecLevels = "1.3.6.1.6.3.15.1.1.1.0";
inline constexpr std::string_view NotInTimeWindows = "1.3.6.1.6.3.15.1.1.2.0";
inline constexpr std::string_view UnknownUserNames = "1.3.6.1.6.3.15.1.1.3.0";
inline constexpr std::string_view UnknownEngineIds = "1.3.6.1.6.3.15.1.1.4.0";
inline constexpr std::string_view WrongDigests = "1.3.6.1.6.3.15.1.1.5.0";
inline constexpr std::string_view DecryptionErrors = "1.3.6.1.6.3.15.1.1.6.0";
} // namespace UsmReport

/// The authoritative engine as a request names it, and as its reply says it is.
struct EngineClock {
    std::string engineId;
    std::uint32_t boots = 0;
    std::uint32_t time = 0;
};

/// One user's keys localized to one engine: authentication key, and privacy key already brought
/// to its cipher's length.
struct LocalizedKeys {
    std::string auth;
    std::string priv;
};

/// The discovery request (RFC 3414 4): no user, no engine, reportable, an empty GET. The agent
/// answers with a report that names its engine ID, boots and time.
std::string EncodeDiscoveryRequest(std::int32_t msgId, std::int32_t requestId);

/// A GET of `oid` for `credentials` at `engine`, authenticated and encrypted as the credentials
/// say; `salt` (8 octets) is the privacy parameter. Nullopt when the cipher is not available.
std::optional<std::string> EncodeV3Get(const Credentials& credentials, const LocalizedKeys& keys,
                                       const EngineClock& engine, std::int32_t msgId, std::int32_t requestId,
                                       std::string_view oid, std::string_view salt);

/// A v3 message as received.
struct V3Reply {
    std::int64_t msgId = 0;
    std::uint8_t flags = 0;
    EngineClock engine; ///< the authoritative engine's ID, boots and time from the message
    std::string user;
    bool authenticated = false; ///< flags say auth and the digest matched our key
    bool badDigest = false;     ///< flags say auth and the digest did not match (or no key to check)
    bool undecryptable = false; ///< flags say priv and the scoped PDU could not be decrypted
    std::optional<Pdu> pdu;     ///< absent when it could not be read (or decrypted)
};

/// Reads a v3 message. `credentials` and `keys` (both or neither) check its digest and decrypt
/// it; without them only unauthenticated plain messages give a PDU. Nullopt for what is not a v3
/// message at all. Never reads outside `datagram`.
std::optional<V3Reply> DecodeV3Message(std::string_view datagram, const Credentials* credentials,
                                       const LocalizedKeys* keys);

} // namespace vorenta::snmp
