#pragma once

#include "collector/snmp/ReplyDecoder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorenta::snmp {

/// A PDU read strictly: every field where it belongs, every binding a SEQUENCE of OID and value.
/// Values keep ValueText's form; SecondVersionValue gives the v2c/v3 reading of them.
struct Pdu {
    std::uint8_t type = 0;
    std::int64_t requestId = 0;
    std::int64_t errorStatus = 0;
    std::int64_t errorIndex = 0;
    std::vector<Binding> bindings;

    const Binding* find(std::string_view oid) const;
};

/// The PDU element `data` holds from its first octet, or nullopt when anything in it is out of
/// place. Octets after the PDU are ignored (DES pads a scoped PDU to whole blocks).
std::optional<Pdu> DecodePdu(std::string_view data);

/// A bound value as v2c and v3 read it: Counter64 as unsigned decimal text (v1 keeps its
/// octets), and nothing for the exceptions noSuchObject, noSuchInstance and endOfMibView, which
/// make the GET a failed one.
std::optional<std::string> SecondVersionValue(const Binding& binding);

} // namespace vorenta::snmp
