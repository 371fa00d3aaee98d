#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The fixture agent's own BER code, written apart from the client's so that a fault in the
// client's codec cannot be mirrored (and so hidden) by the agent it is tested against. It parses
// properly nested elements, unlike the client's flat walk.
namespace vorenta::test::ber {

std::string Length(std::size_t length);
std::string Element(std::uint8_t tag, std::string_view contents);
std::string SignedContents(std::int64_t value);
std::string UnsignedContents(std::uint64_t value);
/// OBJECT IDENTIFIER contents from canonical dotted text; nullopt when it is not canonical.
std::optional<std::string> OidContents(std::string_view oid);
std::string OidText(std::string_view contents);

/// A decoded v1 request: community, PDU tag, request-id and the bound OIDs in order.
struct Request {
    std::int64_t version = 0;
    std::string community;
    std::uint8_t pduType = 0;
    std::int64_t requestId = 0;
    std::vector<std::string> oids;
};

/// Parses one request datagram strictly; nullopt on anything malformed.
std::optional<Request> ParseRequest(std::string_view datagram);

} // namespace vorenta::test::ber
