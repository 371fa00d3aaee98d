#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vorenta::snmp {

/// BER tags the client writes or reads by name.
inline constexpr std::uint8_t kTagInteger = 0x02;
inline constexpr std::uint8_t kTagOctetString = 0x04;
inline constexpr std::uint8_t kTagNull = 0x05;
inline constexpr std::uint8_t kTagObjectIdentifier = 0x06;
inline constexpr std::uint8_t kTagSequence = 0x30;
inline constexpr std::uint8_t kTagGetRequest = 0xA0;
inline constexpr std::uint8_t kTagResponse = 0xA2;
inline constexpr std::uint8_t kTagReport = 0xA8;
inline constexpr std::uint8_t kTagCounter64 = 0x46;
inline constexpr std::uint8_t kTagTrapV1 = 0xA4;
inline constexpr std::uint8_t kConstructedBit = 0x20;

/// Definite length octets: short form below 128, else 0x80|n and n octets, no leading zeros.
std::string EncodeLength(std::size_t length);

/// Tag, length and contents of one element.
std::string EncodeElement(std::uint8_t tag, std::string_view contents);

/// INTEGER contents: as few two's complement octets as hold `value` (128 is 00 80, 0 is 00).
std::string EncodeIntegerContents(std::int64_t value);

/// OBJECT IDENTIFIER contents from dotted text. Every piece between dots is a decimal number, an
/// empty or invalid piece counting as 0; a trailing dot adds no arc; the first two numbers a, b
/// form the subidentifier 40a+b. Never fails: whatever the text, some OID is written.
std::string EncodeOidContents(std::string_view oid);

/// The whole SNMP v1 GetRequest: version 0, `community`, request-id 1, error-status and
/// error-index 0, one binding of `oid` to NULL.
std::string EncodeGetRequest(std::string_view oid, std::string_view community);

/// The same GetRequest in a community message of `version` (0: v1, 1: v2c) with `requestId`.
std::string EncodeGetRequest(std::string_view oid, std::string_view community, std::int64_t version,
                             std::int64_t requestId);

/// A GetRequest PDU: `requestId`, error-status and error-index 0, each OID bound to NULL (none for
/// the empty list a v3 engine discovery sends).
std::string EncodeGetPdu(std::int64_t requestId, std::initializer_list<std::string_view> oids);

} // namespace vorenta::snmp
