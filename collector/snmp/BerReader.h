#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vorenta::snmp {

/// One element: its tag and a view of its contents inside the buffer read.
struct BerElement {
    std::uint8_t tag = 0;
    std::string_view contents;
};

/// A strict reader for the v3 message, where the structure decides what is authenticated and
/// decrypted (the v1 decoder's flat walk stays as it is for v1). Every element must fit in what
/// is left; nothing is read outside the buffer. Single-octet tags only, as SNMP uses.
class BerReader {
public:
    explicit BerReader(std::string_view data) : m_rest(data) {}

    bool atEnd() const { return m_rest.empty(); }
    /// What has not been read yet.
    std::string_view rest() const { return m_rest; }

    /// The next element, or nullopt (and the reader stays where it was) when it does not fit.
    std::optional<BerElement> next();

    /// The next element when it has `tag`; nullopt otherwise.
    std::optional<BerElement> next(std::uint8_t tag);

    /// The next element as a signed INTEGER of at most 8 octets.
    std::optional<std::int64_t> nextInteger();

private:
    std::string_view m_rest;
};

/// A signed INTEGER's contents as a number; nullopt when empty or longer than 8 octets.
std::optional<std::int64_t> IntegerValue(std::string_view contents);

} // namespace vorenta::snmp
