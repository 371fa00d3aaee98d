#include "collector/snmp/BerEncoder.h"

#include <charconv>
#include <vector>

namespace vorenta::snmp {

namespace {

// A piece of the OID text that is empty or not a plain decimal number that fits 32 bits is 0,
// so a bad OID still goes out as a request (the device then answers noSuchName).
std::uint64_t PieceNumber(std::string_view piece)
{
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), number);
    if (error != std::errc() || end != piece.data() + piece.size())
        return 0;
    return number;
}

void AppendBase128(std::string& out, std::uint64_t subidentifier)
{
    char groups[10];
    int count = 0;
    do {
        groups[count++] = static_cast<char>(subidentifier & 0x7F);
        subidentifier >>= 7;
    } while (subidentifier != 0);
    while (count > 1)
        out.push_back(static_cast<char>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

} // namespace

std::string EncodeLength(std::size_t length)
{
    if (length < 0x80)
        return std::string(1, static_cast<char>(length));
    std::string octets;
    for (; length != 0; length >>= 8)
        octets.insert(octets.begin(), static_cast<char>(length & 0xFF));
    return static_cast<char>(0x80 | octets.size()) + octets;
}

std::string EncodeElement(std::uint8_t tag, std::string_view contents)
{
    std::string element(1, static_cast<char>(tag));
    element += EncodeLength(contents.size());
    element += contents;
    return element;
}

std::string EncodeIntegerContents(std::int64_t value)
{
    std::string octets;
    // Emit low octets until the rest is pure sign extension of the octet in front.
    for (;;) {
        const auto low = static_cast<std::uint8_t>(value & 0xFF);
        octets.insert(octets.begin(), static_cast<char>(low));
        value >>= 8; // arithmetic shift: negative values stay negative
        const bool topBitSet = (low & 0x80) != 0;
        if ((value == 0 && !topBitSet) || (value == -1 && topBitSet))
            return octets;
    }
}

std::string EncodeOidContents(std::string_view oid)
{
    std::vector<std::uint64_t> numbers;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = oid.find('.', start);
        if (dot == std::string_view::npos) {
            // The piece after a trailing dot is not read; a text without any dot is one piece.
            if (start < oid.size() || numbers.empty())
                numbers.push_back(PieceNumber(oid.substr(start)));
            break;
        }
        numbers.push_back(PieceNumber(oid.substr(start, dot - start)));
        start = dot + 1;
    }

    std::string contents;
    const std::uint64_t second = numbers.size() > 1 ? numbers[1] : 0;
    AppendBase128(contents, 40 * numbers[0] + second);
    for (std::size_t i = 2; i < numbers.size(); ++i)
        AppendBase128(contents, numbers[i]);
    return contents;
}

std::string EncodeGetPdu(std::int64_t requestId, std::initializer_list<std::string_view> oids)
{
    std::string bindings;
    for (const std::string_view oid : oids)
        bindings += EncodeElement(kTagSequence, EncodeElement(kTagObjectIdentifier, EncodeOidContents(oid)) +
                                                    EncodeElement(kTagNull, {}));
    const std::string pdu = EncodeElement(kTagInteger, EncodeIntegerContents(requestId)) +
                            EncodeElement(kTagInteger, EncodeIntegerContents(0)) + // error-status
                            EncodeElement(kTagInteger, EncodeIntegerContents(0)) + // error-index
                            EncodeElement(kTagSequence, bindings);
    return EncodeElement(kTagGetRequest, pdu);
}

std::string EncodeGetRequest(std::string_view oid, std::string_view community, std::int64_t version,
                             std::int64_t requestId)
{
    const std::string message = EncodeElement(kTagInteger, EncodeIntegerContents(version)) +
                                EncodeElement(kTagOctetString, community) + EncodeGetPdu(requestId, {oid});
    return EncodeElement(kTagSequence, message);
}

std::string EncodeGetRequest(std::string_view oid, std::string_view community)
{
    constexpr std::int64_t kVersion1 = 0;
    constexpr std::int64_t kRequestId = 1;
    return EncodeGetRequest(oid, community, kVersion1, kRequestId);
}

} // namespace vorenta::snmp
