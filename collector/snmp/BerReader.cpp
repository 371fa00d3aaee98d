#include "collector/snmp/BerReader.h"

#include "collector/snmp/BerEncoder.h"

namespace vorenta::snmp {

std::optional<BerElement> BerReader::next()
{
    if (m_rest.size() < 2)
        return std::nullopt;
    const auto tag = static_cast<std::uint8_t>(m_rest[0]);
    const auto first = static_cast<std::uint8_t>(m_rest[1]);
    std::size_t header = 2;
    std::size_t length = first;
    if (first & 0x80) {
        const std::size_t count = first & 0x7F;
        // Four length octets already say more than any datagram holds; 0x80 (indefinite) is no
        // definite length at all.
        if (count == 0 || count > 4 || m_rest.size() < 2 + count)
            return std::nullopt;
        length = 0;
        for (std::size_t i = 0; i < count; ++i)
            length = (length << 8) | static_cast<std::uint8_t>(m_rest[2 + i]);
        header += count;
    }
    if (length > m_rest.size() - header)
        return std::nullopt;
    BerElement element{tag, m_rest.substr(header, length)};
    m_rest.remove_prefix(header + length);
    return element;
}

std::optional<BerElement> BerReader::next(std::uint8_t tag)
{
    BerReader probe = *this;
    std::optional<BerElement> element = probe.next();
    if (!element || element->tag != tag)
        return std::nullopt;
    *this = probe;
    return element;
}

std::optional<std::int64_t> BerReader::nextInteger()
{
    const std::optional<BerElement> element = next(kTagInteger);
    if (!element)
        return std::nullopt;
    return IntegerValue(element->contents);
}

std::optional<std::int64_t> IntegerValue(std::string_view contents)
{
    if (contents.empty() || contents.size() > 8)
        return std::nullopt;
    std::uint64_t value = (static_cast<std::uint8_t>(contents[0]) & 0x80) ? ~std::uint64_t{0} : 0;
    for (const char octet : contents)
        value = (value << 8) | static_cast<std::uint8_t>(octet);
    return static_cast<std::int64_t>(value);
}

} // namespace vorenta::snmp
