#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorenta::snmp {

/// One variable binding of a reply: the OID as dotted text, the value in its text form (see
/// ValueText) and the value's BER tag.
struct Binding {
    std::string oid;
    std::string value;
    std::uint8_t tag = 0;
};

/// A decoded reply. Only the binding list decides anything; the header fields are kept for
/// diagnostics and tests, never compared with the request.
struct Reply {
    std::int32_t version = 0;
    std::string community;
    std::uint8_t pduType = 0;
    std::int32_t requestId = 0;
    std::int32_t errorStatus = 0;
    std::int32_t errorIndex = 0;
    std::vector<Binding> bindings;

    /// The first binding whose OID text equals `oid` octet for octet, or null.
    const Binding* find(std::string_view oid) const;
};

/// Turns a value's content octets into its text form by tag: signed decimal for INTEGER, BOOLEAN
/// and ENUMERATED, unsigned decimal for Counter32, Gauge32 and TimeTicks (lowest 32 bits), dotted
/// text for OBJECT IDENTIFIER and IpAddress (empty for an OID cut short inside a subidentifier),
/// empty for NULL, the octets themselves otherwise.
std::string ValueText(std::uint8_t tag, std::string_view contents);

/// Decodes one datagram as an SNMP message, or nullopt when it is not one: shorter than 2 octets,
/// first octet without the constructed bit, or shorter than its outer element. The walk is flat
/// (constructed elements are entered, never skipped) and never reads outside `datagram`.
std::optional<Reply> DecodeReply(std::string_view datagram);

} // namespace vorenta::snmp
